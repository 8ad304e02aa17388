// The card driver on the simulated card: opening, ranges, values and refusals, reset, the
// open-circuit status, injected statuses, error texts, bad sessions and null pointers.
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

#include "journaltext.h"
#include "qm6080.h"
#include "qm7240.h"
#include "sim_control.h"
#include "simfixture.h"
#include "simsystem.h"
#include "visa.h"

namespace {

// The suites' DAC card (subtype AB here, two open circuits) beside a card of
// another model and a second DAC card that fails on purpose; then network
// carriers that answer slowly, fail to open or refuse the card.
QString driverSystem()
{
    SimDacCard dac;
    dac.subtype = QStringLiteral("AB");
    dac.firmware = QStringLiteral("2.0.3.1");
    dac.extra = QStringLiteral("          open_circuit: [6, 9]\n");
    return simDacSystem(dac, QStringLiteral(R"(        - position: 2
          model: 0x5E93
        - position: 4
          model: 0x7240
          open_circuit: [6]
          fail:
            qm7240_writeChannel: {status: -1074001000, channel: 6, after: 2}
            qm7240_getDACStatus: {status: 1073481000, group: 3}
            qm7240_reset: -1074001001
            qm7240_setOutputRange: {status: -1074001002, group: 1, after: 1}
)"),
                        QStringLiteral(R"(  - descriptor: "TCPIP0::10.2.2.2::INSTR"
    hostname: "box"
    device_name: "inst0"
    carrier: {model: 1864, positions: 2, cards: [{position: 2, model: 0x7240, call_delay_ms: 20}]}
  - descriptor: "VXI0::7::INSTR"
  - descriptor: "TCPIP0::10.3.3.3::INSTR"
    open_status: 0xBFFF0015 # VI_ERROR_TMO, written as its bit pattern
    carrier: {model: 1864, cards: [{position: 1, model: 0x7240}]}
  - descriptor: "TCPIP0::10.4.4.4::INSTR"
    carrier:
      model: 1864
      cards: [{position: 1, model: 0x7240, fail: {qm7240_init: -1074001003}}]
)"));
}

// A driver session to one card, closed at the end of the test.
struct Card
{
    ViSession vi = 0;
    ViStatus status;
    Card(const char *descriptor, ViUInt16 fc, bool reset = true)
        : status(qm7240_init(descriptor, fc, VI_TRUE, reset ? VI_TRUE : VI_FALSE, &vi))
    {}
    ~Card()
    {
        if (vi != 0)
            qm7240_close(vi);
    }
};

struct Range
{
    ViStatus status;
    ViInt32 type;
    double lo;
    double hi;
};

Range outputRange(ViSession vi, ViInt32 group)
{
    Range r{0, -1, -99.0, -99.0};
    r.status = qm7240_getOutputRange(vi, group, &r.type, &r.lo, &r.hi);
    return r;
}

// A group's range as "type lo hi", or "status N" when the read fails.
QString rangeText(ViSession vi, ViInt32 group)
{
    const Range r = outputRange(vi, group);
    if (r.status != VI_SUCCESS)
        return QStringLiteral("status %1").arg(r.status);
    return QStringLiteral("%1 %2 %3").arg(r.type).arg(r.lo).arg(r.hi);
}

ViUInt16 dacStatus(ViSession vi, ViInt32 channel)
{
    ViUInt16 status = 77;
    if (qm7240_getDACStatus(vi, channel, &status) != VI_SUCCESS)
        return 99;
    return status;
}

} // namespace

class TestDriver : public QObject
{
    Q_OBJECT

private slots:
    void openCard_data();
    void openCard();
    void driverSessionAnswersAttributes();
    void outputRanges();
    void writeChannel_data();
    void writeChannel();
    void openCircuitStatus();
    void secondSessionSeesTheCard();
    void reset();
    void injectedStatuses();
    void injectedInitFailure();
    void callDelay();
    void linkWindows();
    void errorMessages_data();
    void errorMessages();
    void revisionAndSerial();
    void badSessions();
    void nullPointers();
    void carrierOfADriverSession();
};

void TestDriver::openCard_data()
{
    QTest::addColumn<QString>("rsrc");
    QTest::addColumn<int>("fc");
    QTest::addColumn<bool>("idQuery");
    QTest::addColumn<int>("status");
    QTest::newRow("raw 0x4C5E") << "VXI0::2::INSTR" << 1 << true << int(VI_SUCCESS);
    QTest::newRow("0x7240") << "VXI0::2::INSTR" << 4 << true << int(VI_SUCCESS);
    QTest::newRow("joined descriptors")
        << "VXI0::2::INSTR,TCPIP0::10.2.2.2::INSTR" << 1 << true << int(VI_SUCCESS);
    QTest::newRow("board and case") << "tcpip::10.2.2.2::instr" << 2 << true << int(VI_SUCCESS);
    QTest::newRow("card 0") << "VXI0::2::INSTR" << 0 << true << int(QM7240_ERROR_INV_FC_NUMBER);
    QTest::newRow("past the positions")
        << "VXI0::2::INSTR" << 5 << true << int(QM7240_ERROR_INV_FC_NUMBER);
    QTest::newRow("empty position") << "VXI0::2::INSTR" << 3 << true << int(QM7240_ERROR_NO_CARD);
    QTest::newRow("other model") << "VXI0::2::INSTR" << 2 << true << int(VI_ERROR_FAIL_ID_QUERY);
    QTest::newRow("other model, no query") << "VXI0::2::INSTR" << 2 << false << int(VI_SUCCESS);
    QTest::newRow("no carrier") << "VXI0::7::INSTR" << 1 << true << int(QM7240_ERROR_NO_CARRIER);
    QTest::newRow("absent") << "VXI0::8::INSTR" << 1 << true << int(VI_ERROR_RSRC_NFOUND);
    QTest::newRow("not a descriptor") << "bogus" << 1 << true << int(VI_ERROR_INV_RSRC_NAME);
    QTest::newRow("open fails") << "TCPIP0::10.3.3.3::INSTR" << 1 << true << int(VI_ERROR_TMO);
}

void TestDriver::openCard()
{
    QFETCH(QString, rsrc);
    QFETCH(int, fc);
    QFETCH(bool, idQuery);
    QFETCH(int, status);
    SimFixture sim(driverSystem());
    ViSession vi = 1234;
    QCOMPARE(int(qm7240_init(rsrc.toLatin1().constData(), ViUInt16(fc), idQuery, VI_TRUE, &vi)),
             status);
    QCOMPARE(vi != 0, status == VI_SUCCESS);
    QCOMPARE(sim.callNames(), QStringList{"qm7240_init"}); // no viOpen line of its own
    QCOMPARE(
        journalText(sim, "qm7240_init", {"rsrc", "fc", "id_query", "reset", "session", "status"}),
        // A session is journalled only once it is open.
        QString("rsrc=%1 fc=%2 id_query=%3 reset=1 %4 status=%5")
            .arg(rsrc)
            .arg(fc)
            .arg(idQuery ? 1 : 0)
            .arg(vi != 0 ? QString("session=%1").arg(vi) : QString("session?"))
            .arg(status));
    if (vi != 0)
        QCOMPARE(qm7240_close(vi), VI_SUCCESS);
}

void TestDriver::driverSessionAnswersAttributes()
{
    SimFixture sim(driverSystem());
    Card lxi("TCPIP0::10.2.2.2::INSTR", 2);
    QCOMPARE(lxi.status, VI_SUCCESS);
    ViChar text[256];
    QCOMPARE(viGetAttribute(lxi.vi, VI_ATTR_TCPIP_DEVICE_NAME, text), VI_SUCCESS);
    QCOMPARE(QString(text), QString("inst0"));
    QCOMPARE(viGetAttribute(lxi.vi, VI_ATTR_TCPIP_HOSTNAME, text), VI_SUCCESS);
    QCOMPARE(QString(text), QString("box"));
    ViInt16 slot = 0;
    QCOMPARE(viGetAttribute(lxi.vi, VI_ATTR_SLOT, &slot), VI_ERROR_NSUP_ATTR);
    ViUInt16 intf = 0;
    QCOMPARE(viGetAttribute(lxi.vi, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
    QCOMPARE(int(intf), VI_INTF_TCPIP);
    Card vxi("VXI0::2::INSTR", 1);
    QCOMPARE(viGetAttribute(vxi.vi, VI_ATTR_SLOT, &slot), VI_SUCCESS);
    QCOMPARE(int(slot), 2);
}

void TestDriver::outputRanges()
{
    SimFixture sim(driverSystem());
    Card card("VXI0::2::INSTR", 1);
    const QString current = QString::number(QM7240_OUTPUT_CURRENT) + ' ';
    const QString voltage = QString::number(QM7240_OUTPUT_VOLTAGE) + ' ';
    QCOMPARE(rangeText(card.vi, 1), current + "0 24");
    QCOMPARE(rangeText(card.vi, 3), voltage + "-10 10");
    QCOMPARE(rangeText(card.vi, 4), voltage + "0 1");
    QCOMPARE(qm7240_setOutputRange(card.vi, 1, QM7240_RANGE_4_20MA), VI_SUCCESS);
    QCOMPARE(rangeText(card.vi, 1), current + "4 20");
    QCOMPARE(qm7240_setOutputRange(card.vi, 2, QM7240_RANGE_0_20MA), VI_SUCCESS);
    QCOMPARE(rangeText(card.vi, 2), current + "0 20");
    QCOMPARE(rangeText(card.vi, 1), current + "4 20"); // group 1 kept its range

    QCOMPARE(qm7240_setOutputRange(card.vi, 3, QM7240_RANGE_0_24MA),
             QM7240_ERROR_NOT_CURRENT_GROUP);
    for (const auto &bad : {std::make_pair(1, 0), {1, 4}})
        QCOMPARE(qm7240_setOutputRange(card.vi, bad.first, bad.second), QM7240_ERROR_INV_RANGE);
    for (const ViInt32 group : {0, 5}) {
        QCOMPARE(qm7240_setOutputRange(card.vi, group, 1), QM7240_ERROR_INV_GROUP);
        QCOMPARE(outputRange(card.vi, group).status, QM7240_ERROR_INV_GROUP);
    }
    QCOMPARE(rangeText(card.vi, 1), current + "4 20"); // refusals changed nothing

    QCOMPARE(journalText(sim, "qm7240_getOutputRange", {"group", "type", "lo", "hi"})
                 .section("; ", 0, 2),
             QString("group=1 type=0 lo=0 hi=24; group=3 type=1 lo=-10 hi=10; "
                     "group=4 type=1 lo=0 hi=1"));
    QCOMPARE(
        journalText(sim, "qm7240_setOutputRange", {"group", "range", "status"}).section("; ", 0, 2),
        QString("group=1 range=3 status=0; group=2 range=2 status=0; group=3 range=1 status=%1")
            .arg(QM7240_ERROR_NOT_CURRENT_GROUP));
}

void TestDriver::writeChannel_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("range"); // of the channel's current group; 0 for a voltage channel
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("status");
    const int ok = VI_SUCCESS;
    const int refused = QM7240_ERROR_VALUE_RANGE;
    // Half an LSB of 0 to 24 mA is 24e-3 / 65535 / 2 = 1.83e-7 A.
    QTest::newRow("5 mA quantised") << 6 << 1 << 0.004999954 << ok;
    QTest::newRow("24 mA") << 6 << 1 << 0.024 << ok;
    QTest::newRow("24 mA + 0.1 uA") << 6 << 1 << 0.0240001 << ok;
    QTest::newRow("24 mA + 0.2 uA") << 6 << 1 << 0.0240002 << refused;
    QTest::newRow("-0.1 uA") << 1 << 1 << -0.0000001 << ok;
    QTest::newRow("-0.2 uA") << 1 << 1 << -0.0000002 << refused;
    QTest::newRow("milliamperes are not amperes") << 1 << 1 << 5.0 << refused;
    QTest::newRow("4-20: 3 mA") << 5 << 3 << 0.003 << refused;
    QTest::newRow("4-20: 4 mA") << 5 << 3 << 0.004 << ok;
    QTest::newRow("0-20: 21 mA") << 8 << 2 << 0.021 << refused;
    // Half an LSB of -10 to 10 V is 1.53e-4 V, of 0 to 1 V 7.63e-6 V.
    QTest::newRow("10 V") << 9 << 0 << 10.0 << ok;
    QTest::newRow("10.0001 V") << 9 << 0 << 10.0001 << ok;
    QTest::newRow("10.0002 V") << 9 << 0 << 10.0002 << refused;
    QTest::newRow("-10.0002 V") << 12 << 0 << -10.0002 << refused;
    QTest::newRow("1 V of 0..1") << 13 << 0 << 1.0 << ok;
    QTest::newRow("1.000007 V of 0..1") << 16 << 0 << 1.000007 << ok;
    QTest::newRow("1.00001 V of 0..1") << 16 << 0 << 1.00001 << refused;
    QTest::newRow("-0.5 V of 0..1") << 14 << 0 << -0.5 << refused;
    QTest::newRow("NaN") << 9 << 0 << std::numeric_limits<double>::quiet_NaN() << refused;
    QTest::newRow("infinity") << 9 << 0 << std::numeric_limits<double>::infinity() << refused;
    QTest::newRow("channel 0") << 0 << 0 << 0.0 << int(QM7240_ERROR_INV_CHANNEL);
    QTest::newRow("channel 17") << 17 << 0 << 0.0 << int(QM7240_ERROR_INV_CHANNEL);
}

void TestDriver::writeChannel()
{
    QFETCH(int, channel);
    QFETCH(int, range);
    QFETCH(double, value);
    QFETCH(int, status);
    SimFixture sim(driverSystem());
    Card card("VXI0::2::INSTR", 1);
    if (range != 0)
        QCOMPARE(qm7240_setOutputRange(card.vi, (channel - 1) / 4 + 1, range), VI_SUCCESS);
    QCOMPARE(int(qm7240_writeChannel(card.vi, channel, value)), status);
    QCOMPARE(journalText(sim, "qm7240_writeChannel", {"session", "channel", "status"}),
             QString("session=%1 channel=%2 status=%3").arg(card.vi).arg(channel).arg(status));
    if (std::isfinite(value)) // exact: no digit lost
        QCOMPARE(sim.calls("qm7240_writeChannel")[0].value("value").toDouble(), value);
}

void TestDriver::openCircuitStatus()
{
    SimFixture sim(driverSystem());
    Card card("VXI0::2::INSTR", 1);
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(0)); // open, but carrying nothing
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 0.001), VI_SUCCESS);
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(1));
    QCOMPARE(qm7240_writeChannel(card.vi, 5, 0.001), VI_SUCCESS);
    QCOMPARE(dacStatus(card.vi, 5), ViUInt16(0)); // loaded properly
    QCOMPARE(qm7240_writeChannel(card.vi, 9, 5.0), VI_SUCCESS);
    QCOMPARE(dacStatus(card.vi, 9), ViUInt16(0)); // voltage outputs report no open circuit
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 0.0), VI_SUCCESS);
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(0));
    ViUInt16 status = 0;
    QCOMPARE(qm7240_getDACStatus(card.vi, 0, &status), QM7240_ERROR_INV_CHANNEL);
    QCOMPARE(qm7240_getDACStatus(card.vi, 17, &status), QM7240_ERROR_INV_CHANNEL);
    QCOMPARE(journalText(sim, "qm7240_getDACStatus", {"channel", "stat"}).section("; ", 0, 2),
             QString("channel=6 stat=0; channel=6 stat=1; channel=5 stat=0"));
}

void TestDriver::secondSessionSeesTheCard()
{
    SimFixture sim(driverSystem());
    Card first("VXI0::2::INSTR", 1);
    QCOMPARE(qm7240_setOutputRange(first.vi, 2, QM7240_RANGE_4_20MA), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(first.vi, 6, 0.012), VI_SUCCESS);
    Card second("VXI::2::INSTR", 1, false);
    QCOMPARE(second.status, VI_SUCCESS);
    QVERIFY(second.vi != first.vi);
    QCOMPARE(outputRange(second.vi, 2).lo, 4.0);
    QCOMPARE(dacStatus(second.vi, 6), ViUInt16(1));
    Card third("VXI0::2::INSTR", 1, true); // with reset
    QCOMPARE(outputRange(first.vi, 2).lo, 0.0);
    QCOMPARE(dacStatus(first.vi, 6), ViUInt16(0));
}

void TestDriver::reset()
{
    SimFixture sim(driverSystem());
    Card card("VXI0::2::INSTR", 1);
    QCOMPARE(qm7240_setOutputRange(card.vi, 1, QM7240_RANGE_0_20MA), VI_SUCCESS);
    QCOMPARE(qm7240_setOutputRange(card.vi, 2, QM7240_RANGE_4_20MA), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 0.01), VI_SUCCESS);
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(1));
    QCOMPARE(qm7240_reset(card.vi), VI_SUCCESS);
    QCOMPARE(outputRange(card.vi, 1).hi, 24.0);
    QCOMPARE(outputRange(card.vi, 2).lo, 0.0);
    QCOMPARE(outputRange(card.vi, 4).hi, 1.0); // voltage limits are fixed
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(0));
    QCOMPARE(sim.calls("qm7240_reset").size(), 1);
    QCOMPARE(sim.calls("qm7240_reset")[0].value("session").toInt(), int(card.vi));
}

void TestDriver::injectedStatuses()
{
    SimFixture sim(driverSystem());
    Card card("VXI0::2::INSTR", 4);
    QCOMPARE(card.status, VI_SUCCESS);
    // writeChannel on channel 6: two calls pass, then the status strikes and nothing is written.
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 0.0), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(card.vi, 5, 0.002), VI_SUCCESS); // other channel: not counted
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 0.001), VI_SUCCESS);
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(1));
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 0.0), ViStatus(-1074001000));
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(1)); // still carrying 1 mA
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 0.0), ViStatus(-1074001000));
    QCOMPARE(qm7240_writeChannel(card.vi, 7, 0.0), VI_SUCCESS);
    // A refused argument is reported as such, not as the injected status.
    QCOMPARE(qm7240_writeChannel(card.vi, 6, 1.0), QM7240_ERROR_VALUE_RANGE);

    // getDACStatus on group 3 always answers the warning and leaves the result alone.
    ViUInt16 status = 77;
    QCOMPARE(qm7240_getDACStatus(card.vi, 9, &status), ViStatus(1073481000));
    QCOMPARE(status, ViUInt16(77));
    QCOMPARE(qm7240_getDACStatus(card.vi, 12, &status), ViStatus(1073481000));
    QCOMPARE(qm7240_getDACStatus(card.vi, 13, &status), VI_SUCCESS);
    QCOMPARE(status, ViUInt16(0));

    // setOutputRange on group 1: one call passes.
    QCOMPARE(qm7240_setOutputRange(card.vi, 1, QM7240_RANGE_0_20MA), VI_SUCCESS);
    QCOMPARE(qm7240_setOutputRange(card.vi, 1, QM7240_RANGE_4_20MA), ViStatus(-1074001002));
    QCOMPARE(outputRange(card.vi, 1).lo, 0.0);
    QCOMPARE(outputRange(card.vi, 1).hi, 20.0);
    QCOMPARE(qm7240_setOutputRange(card.vi, 2, QM7240_RANGE_4_20MA), VI_SUCCESS);

    // reset always fails and changes nothing.
    QCOMPARE(qm7240_reset(card.vi), ViStatus(-1074001001));
    QCOMPARE(outputRange(card.vi, 2).lo, 4.0);
    QCOMPARE(dacStatus(card.vi, 6), ViUInt16(1));

    QCOMPARE(journalText(sim, "qm7240_writeChannel", {"channel", "status"}),
             QString("channel=6 status=0; channel=5 status=0; channel=6 status=0; "
                     "channel=6 status=%1; channel=6 status=%1; channel=7 status=0; "
                     "channel=6 status=%2")
                 .arg(-1074001000)
                 .arg(QM7240_ERROR_VALUE_RANGE));
}

void TestDriver::injectedInitFailure()
{
    SimFixture sim(driverSystem());
    ViSession vi = 5;
    QCOMPARE(qm7240_init("TCPIP0::10.4.4.4::INSTR", 1, VI_TRUE, VI_TRUE, &vi),
             ViStatus(-1074001003));
    QCOMPARE(vi, 0u);
}

void TestDriver::callDelay()
{
    SimFixture sim(driverSystem());
    Card card("TCPIP0::10.2.2.2::INSTR", 2);
    QCOMPARE(card.status, VI_SUCCESS);
    QCOMPARE(outputRange(card.vi, 1).status, VI_SUCCESS);
    ViUInt32 serial = 0;
    ViChar subtype[QM7240_SUBTYPE_LEN];
    QCOMPARE(qm7240_readSerialNo(card.vi, &serial, subtype), VI_SUCCESS);
    // Every call on the card sleeps at least its delay; the journal's duration shows it.
    QVERIFY(sim.calls("qm7240_init")[0].value("dur_ms").toDouble() >= 20.0);
    QVERIFY(sim.calls("qm7240_getOutputRange")[0].value("dur_ms").toDouble() >= 20.0);
    QVERIFY(sim.calls("qm7240_readSerialNo")[0].value("dur_ms").toDouble() >= 20.0);
}

// A carrier behind a link of 30 ms, down twice: first every call waits out
// the 400 ms timeout, then every call fails at once, its connection lost.
void TestDriver::linkWindows()
{
    SimFixture sim(QStringLiteral(R"(resources:
  - descriptor: "TCPIP0::10.9.9.9::INSTR"
    link:
      latency_ms: 30
      timeout_ms: 400
      down:
        - {after_ms: 1000, for_ms: 2600}
        - {after_ms: 4000, for_ms: 1000, fails: conn_lost}
    carrier: {model: 1864, cards: [{position: 1, model: 0x7240}]}
)"));
    ViSession rm = 0;
    ViSession instrument = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    QCOMPARE(viOpen(rm, "TCPIP0::10.9.9.9::INSTR", VI_NO_LOCK, 0, &instrument), VI_SUCCESS);
    qm6080_carrierContext *carrier = nullptr;
    QCOMPARE(qm6080_openCarrier(instrument, &carrier), VI_SUCCESS);
    Card card("TCPIP0::10.9.9.9::INSTR", 1);
    QCOMPARE(card.status, VI_SUCCESS);

    // Every call that needs the carrier, once each; what they answered, and
    // the shortest of their durations in the journal.
    const auto everyCall = [&](ViStatus expected, double atLeastMs, double belowMs) {
        sim.clearJournal();
        ViInt16 slot = 0;
        ViUInt16 word = 0;
        QCOMPARE(qm7240_writeChannel(card.vi, 1, 0.0), expected);
        QCOMPARE(viGetAttribute(instrument, VI_ATTR_SLOT, &slot),
                 expected == VI_SUCCESS ? VI_ERROR_NSUP_ATTR : expected);
        QCOMPARE(viDisableEvent(instrument, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), expected);
        QCOMPARE(viDiscardEvents(instrument, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH),
                 expected == VI_SUCCESS ? VI_SUCCESS_QUEUE_EMPTY : expected);
        QCOMPARE(carrier->access(carrier, 1, 1)->read(carrier, 1, 0, &word), expected);
        for (const QJsonObject &line : sim.journal()) {
            const double ms = line.value("dur_ms").toDouble();
            if (line.value("call") == QLatin1String("qm6080_access"))
                continue; // the library's own table, no call on the carrier
            QVERIFY2(
                ms >= atLeastMs && ms < belowMs,
                qPrintable(line.value("call").toString() + QStringLiteral(" took %1 ms").arg(ms)));
        }
    };
    const auto waitUntil = [](double ms) {
        while (sim_clockMs() < ms)
            QTest::qWait(20);
    };

    everyCall(VI_SUCCESS, 30.0, 400.0);
    waitUntil(1000);
    everyCall(VI_ERROR_TMO, 400.0, 1e9);
    waitUntil(3600); // the window's end
    everyCall(VI_SUCCESS, 30.0, 400.0);
    waitUntil(4000);
    everyCall(VI_ERROR_CONN_LOST, 0.0, 400.0);

    QCOMPARE(qm6080_closeCarrier(&carrier), VI_SUCCESS);
    QCOMPARE(viClose(instrument), VI_SUCCESS);
    QCOMPARE(viClose(rm), VI_SUCCESS);
}

void TestDriver::errorMessages_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("fragment");
    const int ok = VI_SUCCESS;
    QTest::newRow("channel") << int(QM7240_ERROR_INV_CHANNEL) << ok << "channels are numbered";
    QTest::newRow("group") << int(QM7240_ERROR_INV_GROUP) << ok << "groups are numbered";
    QTest::newRow("range") << int(QM7240_ERROR_INV_RANGE) << ok << "0 to 24 mA";
    QTest::newRow("value") << int(QM7240_ERROR_VALUE_RANGE) << ok << "present output range";
    QTest::newRow("not current") << int(QM7240_ERROR_NOT_CURRENT_GROUP) << ok << "voltage";
    QTest::newRow("no carrier") << int(QM7240_ERROR_NO_CARRIER) << ok << "No carrier";
    QTest::newRow("fc number") << int(QM7240_ERROR_INV_FC_NUMBER) << ok << "card number";
    QTest::newRow("no card") << int(QM7240_ERROR_NO_CARD) << ok << "no function card";
    QTest::newRow("null") << int(QM7240_ERROR_NULL_POINTER) << ok << "null pointer";
    QTest::newRow("id query") << int(VI_ERROR_FAIL_ID_QUERY) << ok << "identification";
    QTest::newRow("visa object") << int(VI_ERROR_INV_OBJECT) << ok << "invalid";
    QTest::newRow("visa timeout") << int(VI_ERROR_TMO) << ok << "Timeout";
    QTest::newRow("common library") << int(QM6080_ERROR_NO_CARRIER) << ok << "carrier";
    QTest::newRow("unknown") << -1074001000 << int(QM7240_WARN_UNKNOWN_STATUS)
                             << "Unknown status 0xBFFC0B98";
    QTest::newRow("unknown warning")
        << 1073481000 << int(QM7240_WARN_UNKNOWN_STATUS) << "Unknown status 0x3FFC0528";
}

void TestDriver::errorMessages()
{
    QFETCH(int, status);
    QFETCH(int, result);
    QFETCH(QString, fragment);
    SimFixture sim(driverSystem());
    ViChar message[QM7240_ERROR_MESSAGE_LEN];
    QCOMPARE(int(qm7240_error_message(VI_NULL, status, message)), result);
    QVERIFY2(QString(message).contains(fragment), message);
    QCOMPARE(journalText(sim, "qm7240_error_message", {"code", "message"}),
             "code=" + QString::number(status) + " message=" + message);
}

void TestDriver::revisionAndSerial()
{
    SimFixture sim(driverSystem());
    ViChar driver[64];
    ViChar firmware[QM7240_FIRMWARE_REV_LEN];
    std::memset(firmware, 'x', sizeof firmware);
    QCOMPARE(qm7240_revision_query(VI_NULL, driver, nullptr), VI_SUCCESS);
    QVERIFY(std::strlen(driver) < QM7240_DRIVER_REV_LEN);
    QVERIFY(QString(driver).startsWith("qm7240 "));
    QCOMPARE(qm7240_revision_query(VI_NULL, driver, firmware), VI_SUCCESS);
    QCOMPARE(QString(firmware), QString());
    Card card("VXI0::2::INSTR", 1);
    ViChar shortDriver[QM7240_DRIVER_REV_LEN];
    QCOMPARE(qm7240_revision_query(card.vi, shortDriver, firmware), VI_SUCCESS);
    QCOMPARE(QString(shortDriver), QString(driver));
    QCOMPARE(QString(firmware), QString("2.0.3.1"));
    ViUInt32 serial = 0;
    ViChar subtype[QM7240_SUBTYPE_LEN];
    QCOMPARE(qm7240_readSerialNo(card.vi, &serial, subtype), VI_SUCCESS);
    QCOMPARE(serial, ViUInt32(0x1a2b));
    QCOMPARE(QString(subtype), QString("AB"));
    Card plain("VXI0::2::INSTR", 4);
    QCOMPARE(qm7240_readSerialNo(plain.vi, &serial, subtype), VI_SUCCESS);
    QCOMPARE(serial, ViUInt32(0x1004)); // no serial in the file: 0x1000 + position
    QCOMPARE(QString(subtype), QString("AA"));
    QCOMPARE(qm7240_revision_query(plain.vi, shortDriver, firmware), VI_SUCCESS);
    QCOMPARE(QString(firmware), QString("1.0.1.0"));
}

void TestDriver::badSessions()
{
    SimFixture sim(driverSystem());
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViSession visaSession = 0;
    QCOMPARE(viOpen(rm, "VXI0::2::INSTR", VI_NO_LOCK, 0, &visaSession), VI_SUCCESS);
    ViSession closed = 0;
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 1, VI_TRUE, VI_TRUE, &closed), VI_SUCCESS);
    QCOMPARE(qm7240_close(closed), VI_SUCCESS);
    ViInt32 type = 0;
    double lo = 0, hi = 0;
    ViUInt16 status = 0;
    ViUInt32 serial = 0;
    ViChar text[64];
    // A bad session: none, an unknown handle, a closed one, and VISA sessions that are no
    // driver sessions.
    for (const ViSession vi : {ViSession(0), ViSession(99999), closed, rm, visaSession}) {
        if (vi != 0) {
            QCOMPARE(qm7240_close(vi), VI_ERROR_INV_OBJECT);
            QCOMPARE(qm7240_revision_query(vi, text, text), VI_ERROR_INV_OBJECT);
        }
        QCOMPARE(qm7240_reset(vi), VI_ERROR_INV_OBJECT);
        QCOMPARE(qm7240_readSerialNo(vi, &serial, text), VI_ERROR_INV_OBJECT);
        QCOMPARE(qm7240_getOutputRange(vi, 1, &type, &lo, &hi), VI_ERROR_INV_OBJECT);
        QCOMPARE(qm7240_setOutputRange(vi, 1, 1), VI_ERROR_INV_OBJECT);
        QCOMPARE(qm7240_writeChannel(vi, 1, 0.0), VI_ERROR_INV_OBJECT);
        QCOMPARE(qm7240_getDACStatus(vi, 1, &status), VI_ERROR_INV_OBJECT);
    }
    QCOMPARE(qm7240_close(0), VI_ERROR_INV_OBJECT);
    viClose(rm);
}

void TestDriver::nullPointers()
{
    SimFixture sim(driverSystem());
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 1, VI_TRUE, VI_TRUE, nullptr),
             QM7240_ERROR_NULL_POINTER);
    ViSession vi = 7;
    QCOMPARE(qm7240_init(nullptr, 1, VI_TRUE, VI_TRUE, &vi), QM7240_ERROR_NULL_POINTER);
    Card card("VXI0::2::INSTR", 1);
    ViInt32 type = 0;
    double lo = 0;
    double hi = 0;
    ViUInt32 serial = 0;
    ViChar subtype[QM7240_SUBTYPE_LEN];
    QCOMPARE(qm7240_error_message(VI_NULL, VI_SUCCESS, nullptr), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_revision_query(VI_NULL, nullptr, nullptr), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_revision_query(card.vi, nullptr, subtype), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_readSerialNo(card.vi, nullptr, subtype), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_readSerialNo(card.vi, &serial, nullptr), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_getOutputRange(card.vi, 1, nullptr, &lo, &hi), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_getOutputRange(card.vi, 1, &type, nullptr, &hi), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_getOutputRange(card.vi, 1, &type, &lo, nullptr), QM7240_ERROR_NULL_POINTER);
    QCOMPARE(qm7240_getDACStatus(card.vi, 1, nullptr), QM7240_ERROR_NULL_POINTER);
    // The revision query writes no firmware text where there is no buffer.
    ViChar driver[QM7240_DRIVER_REV_LEN];
    QCOMPARE(qm7240_revision_query(card.vi, driver, nullptr), VI_SUCCESS);
}

void TestDriver::carrierOfADriverSession()
{
    SimFixture sim(driverSystem());
    Card card("VXI0::2::INSTR", 1);
    qm6080_carrierContext *context = nullptr;
    QCOMPARE(qm6080_openCarrier(card.vi, &context), VI_SUCCESS);
    QCOMPARE(context->info->carrierModel, ViUInt16(6080));
    QCOMPARE(context->info->modelCodes[0], ViUInt16(QM7240_RAW_MODEL_CODE));
    QCOMPARE(qm6080_closeCarrier(&context), VI_SUCCESS);
}

QTEST_GUILESS_MAIN(TestDriver)
#include "test_driver.moc"
