#ifndef QM7240FP_SETUPFILE_H
#define QM7240FP_SETUPFILE_H

#include <QByteArray>
#include <QString>

#include "qm7240fp_panelview.h"

// A setup: the ranges and output values of the card's groups, kept in a
// plain UTF-8 text file that a person reads, edits and diffs:
//
//   # Vorilan 7240 setup
//   [setup]
//   format = 1
//   model = 7240
//   serial = 00001a2b        # for information: a setup may be recalled on another 7240
//   saved = 2026-12-09T10:15:00Z
//   [group1]
//   range = 4-20mA
//   channel1 = 4.000 mA
//   [group3]
//   range = -10-10V          # voltage groups: for checking only; the card fixes it
//   channel9 = 2.500 V
//
// A line is a section, a key and its value, a comment (# or ;) or empty; a
// comment may also end a line after a blank. A group's section holds its
// range and the values of its own channels; groups and channels may be left
// out, and are then left alone.
struct qm7240fp_setup_t
{
    struct group_t
    {
        bool present = false;
        int line = 0; // of the range, for the messages
        bool current = false;
        int rangeIndex = -1; // a current group's row of the range table
        double lo = 0.0;     // a voltage group's range, in V
        double hi = 0.0;
        bool hasValue[4] = {};
        double value[4] = {}; // mA or V, inside the range
    };
    QString serial;
    QString saved;
    group_t groups[4];
};

// What reading a setup gave: the setup, or the first mistake ("line 7: ...").
struct qm7240fp_setupRead_t
{
    bool ok = false;
    QString error;
    qm7240fp_setup_t setup;
};

// Files larger than this are no setup.
constexpr qsizetype qm7240fp_setupMaxBytes = 64 * 1024;

// Reads the text of a setup file and checks it whole: its syntax, the model
// and format, each range and each value within its range.
qm7240fp_setupRead_t qm7240fp_readSetup(const QByteArray &bytes);
// Reads a setup file from disk, at most qm7240fp_setupMaxBytes of it.
qm7240fp_setupRead_t qm7240fp_readSetupFile(const QString &path);

// Whether a setup fits the card whose groups are `groups`: the same kind of
// group where both know it, and a voltage group's range the card's own.
// Empty when it fits, else the mistake ("line 7: ..."). Groups whose range
// the panel does not know are not asked.
QString qm7240fp_setupMisfit(const qm7240fp_setup_t &setup, const qm7240fp_group_t groups[4]);

// The box's text when a setup given at start does not fit the card.
QString qm7240fp_startWithoutSetup(const QString &path, const QString &misfit);

// What a setup file says of the card as the window shows it.
struct qm7240fp_setupSnapshot_t
{
    struct group_t
    {
        bool known = false; // left out when the panel does not know the range
        bool current = false;
        QString range; // as shown, "4-20mA" or "-10-10V"
        bool rangeUnconfirmed = false;
        QString value[4]; // as shown, on the card's grid
        bool unconfirmed[4] = {};
    };
    QString serial;
    QString saved; // ISO 8601, UTC
    group_t groups[4];
};

QByteArray qm7240fp_writeSetup(const qm7240fp_setupSnapshot_t &snapshot);

#endif
