#include <QtTest>

#include "qm7240fp_setupfile.h"

// The setup file: what a saved setup reads back as, and every kind of file
// that recall refuses, with the line and the reason it names.
class TestSetupFile : public QObject
{
    Q_OBJECT

private slots:
    void savedReadsBack();
    void refused_data();
    void refused();
};

namespace {

const char head[] = "# Vorilan 7240 setup\n[setup]\nformat = 1\nmodel = 7240\n";

} // namespace

void TestSetupFile::savedReadsBack()
{
    qm7240fp_setupSnapshot_t shot;
    shot.serial = QStringLiteral("00001a2b");
    shot.saved = QStringLiteral("2026-12-09T10:15:00Z");
    shot.groups[0] = {true,
                      true,
                      QStringLiteral("4-20mA"),
                      false,
                      {"4.000", "20.000", "12.500", "4.000"},
                      {false, true, false, false}};
    shot.groups[2] = {
        true, false, QStringLiteral("-10-10V"), false, {"2.500", "-10.000", "0.000", "10.000"}, {}};
    shot.groups[3] = {
        true, false, QStringLiteral("0-1V"), true, {"0.5000", "0.0000", "1.0000", "0.2500"}, {}};
    const QByteArray text = qm7240fp_writeSetup(shot);
    QVERIFY(text.contains("channel2 = 20.000 mA     # not confirmed by the card\n"));
    QVERIFY(text.contains("# group 2: the panel does not know its range"));
    QVERIFY(text.contains("range = -10-10V          # voltage groups: for checking only"));

    const qm7240fp_setupRead_t read = qm7240fp_readSetup(text);
    QVERIFY2(read.ok, qPrintable(read.error));
    const qm7240fp_setup_t &setup = read.setup;
    QCOMPARE(setup.serial, QStringLiteral("00001a2b"));
    QCOMPARE(setup.groups[0].rangeIndex, 2);
    QCOMPARE(setup.groups[0].value[2], 12.5);
    QVERIFY(!setup.groups[1].present);
    QVERIFY(!setup.groups[2].current);
    QCOMPARE(setup.groups[2].lo, -10.0);
    QCOMPARE(setup.groups[2].value[1], -10.0);
    QCOMPARE(setup.groups[3].hi, 1.0);
    QCOMPARE(setup.groups[3].value[3], 0.25);
    for (int k = 0; k < 4; ++k)
        QVERIFY(setup.groups[0].hasValue[k] && setup.groups[3].hasValue[k]);
    // Limits in exponent form, as the window writes very large or small ones.
    const qm7240fp_setupRead_t exponent = qm7240fp_readSetup(
        "[setup]\nformat = 1\nmodel = 7240\n[group3]\nrange = -1e-05-1e+06V\nchannel9 = 2e+05 V\n");
    QVERIFY2(exponent.ok, qPrintable(exponent.error));
    QCOMPARE(exponent.setup.groups[2].lo, -1e-05);
    QCOMPARE(exponent.setup.groups[2].hi, 1e+06);

    // Against a card whose group 3 has another range, or group 1 is a voltage group.
    qm7240fp_group_t card[4];
    for (qm7240fp_group_t &g : card)
        g.known = qm7240fp_group_t::known_t::known;
    card[2] = {qm7240fp_group_t::known_t::known, 1, -10.0, 10.0, 0};
    card[3] = {qm7240fp_group_t::known_t::known, 1, 0.0, 1.0, 0};
    QCOMPARE(qm7240fp_setupMisfit(setup, card), QString());
    card[3].hi = 1.5;
    QCOMPARE(qm7240fp_setupMisfit(setup, card),
             QStringLiteral("line 26: group 4's range is 0-1V in the file, but 0-1.5V on the "
                            "card, which fixes it"));
    card[0].type = 1;
    QVERIFY(qm7240fp_setupMisfit(setup, card)
                .startsWith(QStringLiteral("line 10: group 1 is a current group in the file, "
                                           "but a voltage group on the card")));
    // A group the panel leaves alone is not asked.
    card[0].known = card[3].known = qm7240fp_group_t::known_t::unreadable;
    QCOMPARE(qm7240fp_setupMisfit(setup, card), QString());
}

void TestSetupFile::refused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");

    const QByteArray h(head);
    const auto row = [](const char *name, const QByteArray &text, const QString &error) {
        QTest::newRow(name) << text << error;
    };
    row("another model", "[setup]\nformat = 1\nmodel = 8152\n",
        "line 3: a setup of model 8152, not of the 7240");
    row("an unknown format", "[setup]\nformat = 2\nmodel = 7240\n",
        "line 2: unknown format 2 (this panel reads format 1)");
    row("no model", "[setup]\nformat = 1\n", "line 1: [setup] does not give its model");
    row("no setup section", "[group1]\nrange = 0-24mA\n",
        "no [setup] section: this is no setup file");
    row("a range that does not exist", h + "[group1]\nrange = 0-30mA\n",
        "line 6: no such current range: 0-30mA (0-24mA, 0-20mA or 4-20mA)");
    row("a voltage range upside down", h + "[group3]\nrange = 10--10V\n",
        "line 6: no such range: 10--10V");
    row("a value above its range", h + "[group1]\nrange = 4-20mA\nchannel2 = 20.5 mA\n",
        "line 7: 20.5 mA is outside the group's range");
    row("a value below its range", h + "[group3]\nrange = -10-10V\nchannel9 = -10.001 V\n",
        "line 7: -10.001 V is outside the group's range");
    row("not a number", h + "[group1]\nrange = 0-24mA\nchannel1 = five mA\n",
        "line 7: five mA is not a number in mA");
    row("NaN", h + "[group1]\nrange = 0-24mA\nchannel1 = nan mA\n",
        "line 7: nan mA is not a finite number");
    row("infinite", h + "[group3]\nrange = -10-10V\nchannel9 = -inf V\n",
        "line 7: -inf V is not a finite number");
    row("the wrong unit", h + "[group1]\nrange = 0-24mA\nchannel1 = 1 V\n",
        "line 7: 1 V is not in mA, the unit of group 1");
    row("a channel of another group", h + "[group1]\nrange = 0-24mA\nchannel5 = 1 mA\n",
        "line 7: unknown key channel5 (group 1 holds channels 1 to 4)");
    row("an unknown key", h + "[group1]\nrange = 0-24mA\ngain = 2\n",
        "line 7: unknown key gain (group 1 holds channels 1 to 4)");
    row("a key given twice", h + "[group1]\nrange = 0-24mA\nchannel1 = 1 mA\nchannel1 = 2 mA\n",
        "line 8: channel1 given twice");
    row("a section given twice", h + "[group1]\nrange = 0-24mA\n[group1]\n",
        "line 7: section [group1] given twice");
    row("an unknown section", h + "[group5]\n", "line 5: unknown section [group5]");
    row("a group without its range", h + "[group2]\nchannel5 = 1 mA\n",
        "line 5: [group2] does not give its range");
    row("a key before any section", "format = 1\n", "line 1: a key before any section");
    row("a line of no form", h + "[group1]\nrange\n", "line 6: not a line of the form key = value");
    row("not UTF-8", h + "[group1]\nrange = 0-24mA # \xe9t\xe9\n", "line 6: not UTF-8 text");
    row("a NUL byte", h + QByteArray("serial = a\0b\n", 13), "line 5: not UTF-8 text");
    row("over 64 KiB", h + QByteArray(64 * 1024, '#'),
        "the file is larger than 64 KiB, which no setup is");
}

void TestSetupFile::refused()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    const qm7240fp_setupRead_t read = qm7240fp_readSetup(text);
    QVERIFY(!read.ok);
    QCOMPARE(read.error, error);
}

QTEST_GUILESS_MAIN(TestSetupFile)
#include "test_setupfile.moc"
