#include <QtTest>

#include "connection/qm6080fp_commandline.h"

// The program's options, read apart from the toolkit's, before any window.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
};

void TestCommandLine::read_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // start, descriptor, cards, trace, flags; or the error

    const QString see = QStringLiteral(" (see qm7240fp --help)");
    const auto row = [](const char *name, const QStringList &args, const QString &expected) {
        QTest::newRow(name) << args << expected;
    };
    row("nothing: ask", {}, "ask");
    row("demo", {"--demo"}, "demo");
    row("auto find with the toolkit's style", {"-style", "fusion", "--auto-find"}, "auto");
    row("address, card 1 by default", {"--address", " VXI0::2::INSTR "},
        "address VXI0::2::INSTR 1");
    row("address and card, = spellings", {"--address=TCPIP::h::INSTR", "--card=3"},
        "address TCPIP::h::INSTR 3");
    row("trace", {"--trace", "/tmp/t.jsonl", "--demo"}, "demo trace=/tmp/t.jsonl");
    row("toolkit options, one dash or two", {"-platform", "vnc", "--display=:1", "-reverse"},
        "ask platform");
    row("help and version", {"--version", "--help"}, "ask help version");
    row("unknown option", {"--dmeo"}, "qm7240fp: unknown option --dmeo" + see);
    row("stray argument", {"VXI0::2"}, "qm7240fp: unexpected argument \"VXI0::2\"" + see);
    row("missing value", {"--address"}, "qm7240fp: --address needs a value" + see);
    row("empty address", {"--address", " "},
        "qm7240fp: --address needs a VISA resource descriptor" + see);
    row("two starts", {"--demo", "--address", "VXI0::2"},
        "qm7240fp: --demo, --auto-find and --address exclude each other" + see);
    row("card without an address", {"--auto-find", "--card", "2"},
        "qm7240fp: --card goes with --address" + see);
    row("card out of range", {"--address", "VXI0::2", "--card", "9"},
        "qm7240fp: card number \"9\" is not from 1 to 8" + see);
    row("card not a number", {"--address", "VXI0::2", "--card", "1,x"},
        "qm7240fp: card number \"x\" is not from 1 to 8" + see);
    row("several cards for a one-card dialog", {"--address", "VXI0::2", "--card", "1,3"},
        "qm7240fp: --card takes one card number for this card" + see);
    row("flag of the toolkit with a value", {"-reverse=1"},
        "qm7240fp: -reverse takes no value" + see);
    row("toolkit option without its value", {"-platform"},
        "qm7240fp: -platform needs a value" + see);
}

void TestCommandLine::read()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);

    const qm6080fp_commandLine_t line =
        qm6080fp_readCommandLine(QStringList{"qm7240fp"} + args, 1, 8);
    QString got = line.error;
    if (got.isEmpty()) {
        const char *starts[] = {"ask", "demo", "auto", "address"};
        QStringList parts{QLatin1String(starts[line.start])};
        if (line.start == qm6080fp_commandLine_t::address) {
            QStringList cards;
            for (int card : line.cards)
                cards << QString::number(card);
            parts << line.descriptor << cards.join(',');
        }
        if (!line.traceFile.isEmpty())
            parts << "trace=" + line.traceFile;
        if (line.platformGiven)
            parts << "platform";
        if (line.help)
            parts << "help";
        if (line.version)
            parts << "version";
        got = parts.join(' ');
    } else {
        QCOMPARE(line.start, qm6080fp_commandLine_t::askUser);
    }
    QCOMPARE(got, expected);

    // Several cards where the dialog takes them.
    if (args == QStringList{"--address", "VXI0::2", "--card", "1,3"})
        QCOMPARE(qm6080fp_readCommandLine(QStringList{"qm7240fp"} + args, 8, 8).cards,
                 (QList<int>{1, 3}));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
