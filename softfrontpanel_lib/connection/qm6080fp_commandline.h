#ifndef QM6080FP_COMMANDLINE_H
#define QM6080FP_COMMANDLINE_H

#include <QList>
#include <QString>
#include <QStringList>

// What the command line asks of a panel. Read before the toolkit starts, so
// that --help and --version need no display; the toolkit's own options
// (-platform, -style, -display, ...) are left for it.
struct qm6080fp_commandLine_t
{
    // How the connection workflow begins: with its first question, or with
    // the answer the command line already gave.
    enum start_t { askUser, demoMode, autoFind, address };
    start_t start = askUser;
    QString descriptor; // with `address`
    QList<int> cards;   // with `address`: card numbers, counted from 1
    QString traceFile;  // empty: no trace
    QString setupFile;  // empty: no setup to start from
    bool help = false;
    bool version = false;
    QString platform;          // -platform on the command line, as given
    bool displayGiven = false; // -display (an X display) on the command line
    QString error;             // not empty: refused, with this one line
};

// Reads `arguments` (the program's name first). `maxCards` is how many cards
// the address dialog takes at once, `maxCardNumber` the highest card number.
qm6080fp_commandLine_t qm6080fp_readCommandLine(const QStringList &arguments, int maxCards,
                                                int maxCardNumber);

// The text of --help.
QString qm6080fp_usage(const QString &program);

#endif
