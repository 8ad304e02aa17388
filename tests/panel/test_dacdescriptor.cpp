#include <QtTest>

#include <cstring>
#include <vector>

#include "qm7240.h"
#include "qm7240_fc.h"
#include "simfixture.h"

// The DAC card descriptor through which the shared library reaches the card,
// checked against the simulated driver's journal.
class TestDacDescriptor : public QObject
{
    Q_OBJECT

private slots:
    void identity();
    void supportedModels();
    void errorMessage_data();
    void errorMessage();
    void driverRevision();
    void initSessionFirstCardOnly();
    void keepThenReinit_data();
    void keepThenReinit();
    void keepClampsCount_data();
    void keepClampsCount();
    void keepTruncatesDescriptor();
    void nullPointers();
    void closeAndReset();
};

namespace {

const char carrierYaml[] = R"(resources:
  - descriptor: "VXI0::7::INSTR"
    slot: 7
    carrier:
      model: 6080
      positions: 4
      cards:
        - {position: 1, model: 0x4C5E, serial: 0x11}
        - {position: 2, model: 0x4C5E, serial: 0x22}
        - {position: 3, model: 0x4C5E, serial: 0x33}
)";

int intOf(const QJsonObject &line, const char *key)
{
    return line.value(QLatin1String(key)).toInt(-12345);
}

// An open as the journal records it: "resource fc=N id=Q reset=R".
QString init(const QJsonObject &line)
{
    return QStringLiteral("%1 fc=%2 id=%3 reset=%4")
        .arg(line.value(QStringLiteral("rsrc")).toString())
        .arg(intOf(line, "fc"))
        .arg(intOf(line, "id_query"))
        .arg(intOf(line, "reset"));
}

} // namespace

void TestDacDescriptor::identity()
{
    qm7240_fc fc;
    QCOMPARE(fc.m_modelCode, 0x7240);
    QCOMPARE(fc.fcDescription(), QStringLiteral("16-Channel DAC Function Card"));
    QCOMPARE(fc.softwareVersion(), QStringLiteral("4.3.3.12521"));
    const QString notice = fc.noticeText();
    QVERIFY(!notice.isEmpty());
    QVERIFY(!notice.contains(QLatin1Char('\n')));
    // Handed on as 8-bit text.
    QCOMPARE(QString::fromLatin1(notice.toLatin1()), notice);
    QCOMPARE(fc.m_rsrcName[0], '\0');
    QCOMPARE(fc.m_fcNumbers[0], ViUInt16(0));
}

void TestDacDescriptor::supportedModels()
{
    // The catalogue code and the raw code, and no other 16-bit code at all.
    qm7240_fc fc;
    QVERIFY(fc.isSupportedModel(0x7240));
    QVERIFY(fc.isSupportedModel(0x4C5E));
    int count = 0;
    for (int other = 0; other <= 0xFFFF; ++other)
        count += fc.isSupportedModel(ViUInt16(other)) ? 1 : 0;
    QCOMPARE(count, 2);
}

void TestDacDescriptor::errorMessage_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("described");
    QTest::newRow("driver error: invalid channel") << int(QM7240_ERROR_INV_CHANNEL) << true;
    QTest::newRow("VISA error: timeout") << int(VI_ERROR_TMO) << true;
    QTest::newRow("driver warning: no id query") << int(VI_WARN_NSUP_ID_QUERY) << true;
    QTest::newRow("unknown code") << 0x12345 << false;
    QTest::newRow("unknown negative code") << int(0xBFFC7777) << false;
}

void TestDacDescriptor::errorMessage()
{
    QFETCH(int, status);
    QFETCH(bool, described);
    SimFixture sim;
    qm7240_fc fc;

    const QString text = fc.errorMessage(status);

    const QList<QJsonObject> calls = sim.calls(QStringLiteral("qm7240_error_message"));
    QCOMPARE(calls.size(), 1);
    QCOMPARE(intOf(calls[0], "session"), 0);
    QCOMPARE(intOf(calls[0], "code"), status);
    if (described) {
        QCOMPARE(intOf(calls[0], "status"), 0);
        QVERIFY(!text.isEmpty());
        QCOMPARE(text, calls[0].value(QStringLiteral("message")).toString());
    } else {
        // The driver writes a fallback and says so with its status; that text is not ours.
        QVERIFY(intOf(calls[0], "status") != 0);
        QCOMPARE(text, QString());
    }
}

void TestDacDescriptor::driverRevision()
{
    SimFixture sim;
    qm7240_fc fc;
    const QString revision = fc.driverRevisionText();

    const QList<QJsonObject> calls = sim.calls(QStringLiteral("qm7240_revision_query"));
    QCOMPARE(calls.size(), 1);
    QCOMPARE(intOf(calls[0], "session"), 0);
    QVERIFY(!revision.isEmpty());
    QCOMPARE(revision, calls[0].value(QStringLiteral("driver_rev")).toString());
}

void TestDacDescriptor::initSessionFirstCardOnly()
{
    SimFixture sim(QString::fromLatin1(carrierYaml));
    qm7240_fc fc;
    ViUInt16 cards[3] = {3, 1, 2};
    ViSession vi = 0;

    QCOMPARE(fc.initSession("VXI0::7::INSTR", cards, VI_TRUE, VI_TRUE, &vi), VI_SUCCESS);
    QVERIFY(vi != 0);

    const QList<QJsonObject> inits = sim.calls(QStringLiteral("qm7240_init"));
    QCOMPARE(inits.size(), 1);
    QCOMPARE(init(inits[0]), QStringLiteral("VXI0::7::INSTR fc=3 id=1 reset=1"));
    QCOMPARE(intOf(inits[0], "session"), int(vi));

    // The session really is the card in position 3.
    ViUInt32 serial = 0;
    ViChar subtype[16] = {};
    QCOMPARE(qm7240_readSerialNo(vi, &serial, subtype), VI_SUCCESS);
    QCOMPARE(serial, ViUInt32(0x33));
    // Nothing else is remembered by a plain open.
    QCOMPARE(fc.m_rsrcName[0], '\0');
}

void TestDacDescriptor::keepThenReinit_data()
{
    QTest::addColumn<int>("idQuery");
    QTest::addColumn<int>("reset");
    QTest::newRow("query and reset off") << 0 << 0;
    QTest::newRow("query on, reset off") << 1 << 0;
    QTest::newRow("both on") << 1 << 1;
}

void TestDacDescriptor::keepThenReinit()
{
    QFETCH(int, idQuery);
    QFETCH(int, reset);
    SimFixture sim(QString::fromLatin1(carrierYaml));
    qm7240_fc fc;
    ViUInt16 cards[2] = {2, 3};
    ViSession first = 0;
    QCOMPARE(fc.initSessionAndKeep("vxi0::7::instr", cards, 2, ViBoolean(idQuery), ViBoolean(reset),
                                   &first),
             VI_SUCCESS);
    QCOMPARE(QByteArray(fc.m_rsrcName), QByteArray("vxi0::7::instr"));
    QCOMPARE(QList<ViUInt16>(fc.m_fcNumbers, fc.m_fcNumbers + 3), (QList<ViUInt16>{2, 3, 0}));

    // The caller's array may be gone by the time the session is opened again.
    cards[0] = 1;
    ViSession second = 0;
    QCOMPARE(fc.reinitSession(&second), VI_SUCCESS);
    QVERIFY(second != 0);
    QVERIFY(second != first);

    const QList<QJsonObject> inits = sim.calls(QStringLiteral("qm7240_init"));
    QCOMPARE(inits.size(), 2);
    QCOMPARE(init(inits[0]),
             QStringLiteral("vxi0::7::instr fc=2 id=%1 reset=%2").arg(idQuery).arg(reset));
    // The second open asks for the identity and a reset whatever the first did.
    QCOMPARE(init(inits[1]), QStringLiteral("vxi0::7::instr fc=2 id=1 reset=1"));
}

void TestDacDescriptor::keepClampsCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("kept");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("all 256") << 256 << 256;
    QTest::newRow("257 is cut to 256") << 257 << 256;
    QTest::newRow("largest 16-bit count") << 32767 << 256;
    QTest::newRow("negative keeps none") << -5 << 0;
    QTest::newRow("most negative keeps none") << -32768 << 0;
}

void TestDacDescriptor::keepClampsCount()
{
    QFETCH(int, count);
    QFETCH(int, kept);
    SimFixture sim(QString::fromLatin1(carrierYaml));
    qm7240_fc fc;
    std::fill(std::begin(fc.m_fcNumbers), std::end(fc.m_fcNumbers), ViUInt16(0xEEEE));

    // Large enough for any count the caller claims, so only the descriptor can overrun.
    std::vector<ViUInt16> cards(40000);
    for (size_t i = 0; i < cards.size(); ++i)
        cards[i] = ViUInt16(i % 3 + 1);
    ViSession vi = 0;
    QCOMPARE(fc.initSessionAndKeep("VXI0::7::INSTR", cards.data(), ViInt16(count), VI_TRUE, VI_TRUE,
                                   &vi),
             VI_SUCCESS);

    for (int i = 0; i < 256; ++i)
        QCOMPARE(fc.m_fcNumbers[i], i < kept ? cards[size_t(i)] : ViUInt16(0xEEEE));
    const QList<QJsonObject> inits = sim.calls(QStringLiteral("qm7240_init"));
    QCOMPARE(inits.size(), 1);
    QCOMPARE(intOf(inits[0], "fc"), 1);
}

void TestDacDescriptor::keepTruncatesDescriptor()
{
    SimFixture sim(QString::fromLatin1(carrierYaml));
    qm7240_fc fc;
    std::memset(fc.m_rsrcName, 'x', sizeof fc.m_rsrcName);
    const QByteArray longName(3000, 'A');
    ViUInt16 cards[1] = {1};
    ViSession vi = 0;

    // The driver refuses the name, but what is kept must still fit.
    QVERIFY(fc.initSessionAndKeep(longName.constData(), cards, 1, VI_TRUE, VI_TRUE, &vi) != 0);
    QCOMPARE(int(strnlen(fc.m_rsrcName, sizeof fc.m_rsrcName)), 2047);
    QCOMPARE(QByteArray(fc.m_rsrcName), longName.left(2047));

    // Exactly 2047 characters fit whole; a shorter name leaves no trace of the longer one.
    const QByteArray fits(2047, 'B');
    fc.initSessionAndKeep(fits.constData(), cards, 1, VI_TRUE, VI_TRUE, &vi);
    QCOMPARE(QByteArray(fc.m_rsrcName), fits);
    fc.initSessionAndKeep("VXI0::7::INSTR", cards, 1, VI_TRUE, VI_TRUE, &vi);
    QCOMPARE(QByteArray(fc.m_rsrcName), QByteArray("VXI0::7::INSTR"));
}

void TestDacDescriptor::nullPointers()
{
    SimFixture sim(QString::fromLatin1(carrierYaml));
    qm7240_fc fc;
    ViUInt16 cards[1] = {1};
    ViSession vi = 77;

    QCOMPARE(fc.initSessionAndKeep(nullptr, cards, 1, VI_TRUE, VI_TRUE, &vi),
             QM7240_ERROR_NULL_POINTER);
    QCOMPARE(fc.initSessionAndKeep("VXI0::7::INSTR", nullptr, 1, VI_TRUE, VI_TRUE, &vi),
             QM7240_ERROR_NULL_POINTER);
    QCOMPARE(fc.initSessionAndKeep("VXI0::7::INSTR", cards, 1, VI_TRUE, VI_TRUE, nullptr),
             QM7240_ERROR_NULL_POINTER);
    QCOMPARE(fc.initSession("VXI0::7::INSTR", nullptr, VI_TRUE, VI_TRUE, &vi),
             QM7240_ERROR_NULL_POINTER);
    QCOMPARE(vi, ViSession(77));
    // Nothing was remembered from the refused calls and no card was opened.
    QCOMPARE(fc.m_rsrcName[0], '\0');
    QCOMPARE(sim.calls(QStringLiteral("qm7240_init")).size(), 0);

    // Pointers the driver checks itself come back as its status.
    QCOMPARE(fc.initSession(nullptr, cards, VI_TRUE, VI_TRUE, &vi), QM7240_ERROR_NULL_POINTER);
    QVERIFY(fc.reinitSession(nullptr) < 0);
}

void TestDacDescriptor::closeAndReset()
{
    SimFixture sim(QString::fromLatin1(carrierYaml));
    qm7240_fc fc;
    ViUInt16 cards[1] = {2};
    ViSession vi = 0;
    QCOMPARE(fc.initSession("VXI0::7::INSTR", cards, VI_TRUE, VI_TRUE, &vi), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(vi, 1, 0.010), VI_SUCCESS);

    QCOMPARE(fc.resetCard(vi), VI_SUCCESS);
    QCOMPARE(fc.closeSession(vi), VI_SUCCESS);
    QVERIFY(fc.closeSession(vi) < 0);
    QVERIFY(fc.resetCard(0) < 0);

    const QList<QJsonObject> resets = sim.calls(QStringLiteral("qm7240_reset"));
    QCOMPARE(resets.size(), 2);
    QCOMPARE(intOf(resets[0], "session"), int(vi));
    QCOMPARE(intOf(resets[0], "status"), 0);
    const QList<QJsonObject> closes = sim.calls(QStringLiteral("qm7240_close"));
    QCOMPARE(closes.size(), 2);
    QCOMPARE(intOf(closes[0], "session"), int(vi));
    QCOMPARE(intOf(closes[0], "status"), 0);
    QCOMPARE(intOf(closes[1], "status"), int(VI_ERROR_INV_OBJECT));
}

QTEST_GUILESS_MAIN(TestDacDescriptor)
#include "test_dacdescriptor.moc"
