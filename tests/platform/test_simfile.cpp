// Simulation files: what a good file builds, and the one clear line and the failing resource
// manager for every kind of mistake.
#include <QtTest>

#include "qm6080.h"
#include "qm7240.h"
#include "sim_control.h"
#include "sim_loader.h"
#include "simfixture.h"
#include "stderrcapture.h"
#include "visa.h"

namespace {

// The example of the design notes, word for word.
const char designExample[] =
    R"(resources:                          # listed by viFindRsrc in this order
  - descriptor: "VXI0::2::INSTR"    # required, unique
    open_delay_ms: 0                # viOpen sleeps this long before answering
    open_status: 0                  # what viOpen returns; negative: the open fails
    slot: 2                         # VI_ATTR_SLOT; absent: that read fails
    logical_address: 2              # VI_ATTR_VXI_LA
    carrier:                        # absent: the common library finds no carrier
      model: 6080                   # carrier model (decimal) in the carrier info block
      positions: 4                  # card positions; default: the highest card position
      cards:
        - position: 1               # counted from 1; positions not listed are empty
          model: 0x4C5E             # raw model code the common library reports
          option: "AB"              # two-character option word (models 8152/8164)
          serial: 0x1a2b
          subtype: "AA"
          firmware: "1.0.1.0"
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]
          open_circuit: [6]         # channels whose output status reports an error
          call_delay_ms: 0          # every driver call on this card sleeps this long
          fail:                     # injected statuses, by driver operation
            qm7240_writeChannel: -1074001000
            qm7240_getDACStatus: {status: 1073481000, channel: 6, after: 3}
  - descriptor: "TCPIP0::192.168.2.100::INSTR"
    tcpip_address: "192.168.2.100"  # VI_ATTR_TCPIP_ADDR
    hostname: "lxi-carrier"         # VI_ATTR_TCPIP_HOSTNAME
    device_name: "inst0"            # VI_ATTR_TCPIP_DEVICE_NAME
    link:
      latency_ms: 20                # every VISA and driver call on this resource takes this much longer
      timeout_ms: 2000              # VISA's I/O timeout while the link is down (default 2000)
      down:                         # windows in which the link is down, from the simulator's start
        - {after_ms: 3000, for_ms: 4000}
        - {after_ms: 9000, for_ms: 1000, fails: conn_lost}
    carrier: { model: 1864, cards: [ {position: 1, model: 0x7240} ] }
)";

// A loaded system as text, a line for every resource and one for every card,
// so that a whole system compares at once.
QStringList systemText(const sim::System &system)
{
    QStringList lines;
    for (const sim::Resource &r : system.resources) {
        QString line = QString::fromStdString(r.descriptor);
        if (r.hasSlot)
            line += QStringLiteral(" slot=%1").arg(r.slot);
        if (r.hasLogicalAddress)
            line += QStringLiteral(" la=%1").arg(r.logicalAddress);
        if (r.hasTcpipAddress)
            line += " address=" + QString::fromStdString(r.tcpipAddress);
        if (r.hasHostname)
            line += " host=" + QString::fromStdString(r.hostname);
        if (r.hasDeviceName)
            line += " device=" + QString::fromStdString(r.deviceName);
        if (r.openDelayMs != 0 || r.openStatus != 0)
            line += QStringLiteral(" open=%1ms/%2").arg(r.openDelayMs).arg(r.openStatus);
        if (r.hasCarrier)
            line += QStringLiteral(" carrier=%1/%2").arg(r.carrier.model).arg(r.carrier.positions);
        if (r.link.latencyMs != 0 || r.link.timeoutMs != 2000 || !r.link.down.empty()) {
            line += QStringLiteral(" link=%1ms/%2ms").arg(r.link.latencyMs).arg(r.link.timeoutMs);
            for (const sim::LinkWindow &w : r.link.down)
                line += QStringLiteral(" down@%1+%2%3")
                            .arg(w.afterMs)
                            .arg(w.forMs)
                            .arg(w.fails == VI_ERROR_CONN_LOST ? "/conn_lost" : "");
        }
        lines << line;
        for (const sim::Card &c : r.carrier.cards) {
            QString card =
                QStringLiteral("  %1: %2 option=%3 serial=%4 %5 %6 ")
                    .arg(c.position)
                    .arg(c.model, 0, 16)
                    .arg(c.option, 0, 16)
                    .arg(c.serial, 0, 16)
                    .arg(QString::fromStdString(c.subtype), QString::fromStdString(c.firmware));
            for (const sim::Group &g : c.groups)
                card += g.voltage ? QStringLiteral("v[%1,%2]").arg(g.lo).arg(g.hi) : QString("c");
            QStringList open;
            for (int channel = 1; channel <= QM7240_CHANNELS; ++channel)
                if (c.openCircuit[size_t(channel - 1)])
                    open << QString::number(channel);
            card += " open=" + open.join(',');
            if (c.callDelayMs != 0)
                card += QStringLiteral(" delay=%1").arg(c.callDelayMs);
            for (const auto &rule : c.fail)
                card += QStringLiteral(" %1=%2/ch%3/g%4/after%5")
                            .arg(QString::fromStdString(rule.first))
                            .arg(rule.second.status)
                            .arg(rule.second.channel)
                            .arg(rule.second.group)
                            .arg(rule.second.after);
            lines << card;
        }
    }
    return lines;
}

} // namespace

class TestSimFile : public QObject
{
    Q_OBJECT

private slots:
    void designExampleLoads();
    void defaultSystem();
    void emptySystem();
    void mistakes_data();
    void mistakes();
    void unreadableFile();
    void mistakeReachesEveryEntryPoint();
    void hostileTextGivesOneLine_data();
    void hostileTextGivesOneLine();
};

void TestSimFile::designExampleLoads()
{
    const sim::LoadResult result = sim::loadSystem(designExample, "example.yaml");
    QVERIFY2(result.ok, result.error.c_str());
    QCOMPARE(systemText(result.system),
             QStringList({"VXI0::2::INSTR slot=2 la=2 carrier=6080/4",
                          "  1: 4c5e option=4142 serial=1a2b AA 1.0.1.0 ccv[-10,10]v[0,1] open=6 "
                          "qm7240_getDACStatus=1073481000/ch6/g0/after3 "
                          "qm7240_writeChannel=-1074001000/ch0/g0/after0",
                          "TCPIP0::192.168.2.100::INSTR address=192.168.2.100 host=lxi-carrier "
                          "device=inst0 carrier=1864/1 link=20ms/2000ms down@3000+4000 "
                          "down@9000+1000/conn_lost",
                          // A card without groups: current, current, then two -10 to 10 V groups.
                          "  1: 7240 option=0 serial=1001 AA 1.0.1.0 ccv[-10,10]v[-10,10] open="}));

    // Through the libraries as well.
    SimFixture fixture(designExample);
    ViSession vi = 0;
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 1, VI_TRUE, VI_TRUE, &vi), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(vi, 1, 0.0), ViStatus(-1074001000));
    qm7240_close(vi);
}

void TestSimFile::defaultSystem()
{
    const sim::LoadResult result = sim::loadDefaultSystem();
    QVERIFY2(result.ok, result.error.c_str());
    QCOMPARE(systemText(result.system),
             QStringList({"VXI0::1::INSTR slot=1 la=1", "VXI0::2::INSTR slot=2 la=2 carrier=6080/4",
                          "  1: 4c5e option=0 serial=1a2b AA 1.0.1.0 ccv[-10,10]v[0,1] open=6",
                          "  2: 5e93 option=0 serial=1002 AA 1.0.1.0 ccv[-10,10]v[-10,10] open=",
                          "TCPIP0::192.168.2.100::INSTR address=192.168.2.100 host=lxi-carrier "
                          "device=inst0 carrier=1864/4",
                          "  1: 7240 option=0 serial=1001 AA 1.0.1.0 ccv[-10,10]v[-10,10] open=",
                          "  3: 7240 option=0 serial=1003 AA 1.0.1.0 ccv[-10,10]v[-10,10] open="}));
}

void TestSimFile::emptySystem()
{
    SimFixture sim("resources: []\n");
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViFindList list = 0;
    ViUInt32 count = 9;
    ViChar desc[VI_FIND_BUFLEN];
    QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
    QCOMPARE(count, 0u);
    viClose(rm);
}

void TestSimFile::mistakes_data()
{
    QTest::addColumn<QString>("yaml");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("problem");
    const QString head = "resources:\n  - descriptor: \"VXI0::1::INSTR\"\n";
    const QString cards = head + "    carrier:\n      model: 6080\n      cards:\n";
    const QString card = cards + "        - position: 1\n          model: 0x4C5E\n";
    const QString groups = card + "          groups: ";
    const struct
    {
        const char *name;
        QString yaml;
        int line;
        const char *problem;
    } rows[] = {
        {"unknown key in a resource", head + "    slto: 3\n", 3,
         "unknown key \"slto\" in a resource"},
        {"unknown top-level key", "resource:\n  - descriptor: \"VXI0::1::INSTR\"\n", 1,
         "unknown key \"resource\" in the file"},
        {"unknown key in a card", card + "          optoin: \"AB\"\n", 8,
         "unknown key \"optoin\" in a card"},
        {"unknown key in the carrier", head + "    carrier:\n      model: 6080\n      slots: 4\n",
         5, "unknown key \"slots\" in the carrier"},
        {"quoted number", head + "    slot: \"2\"\n", 3, "wrong type: slot must be an integer"},
        {"list for a number", head + "    slot: [2]\n", 3,
         "wrong type: slot must be an integer, not a list"},
        {"text for a number", head + "    open_delay_ms: soon\n", 3,
         "wrong type: open_delay_ms must be an integer"},
        {"mapping for a text", head + "    hostname: {a: 1}\n", 3,
         "wrong type: hostname must be a text"},
        {"resources not a list", "resources: 5\n", 1, "wrong type: resources must be a list"},
        {"number out of range", head + "    slot: 40000\n", 3,
         "slot 40000 is outside -32768 to 32767"},
        {"status beyond 32 bits", head + "    open_status: 0x1BFFF0015\n", 3,
         "open_status 7516127253 is outside"},
        {"duplicate descriptor",
         head + "  - descriptor: \"VXI0::2::INSTR\"\n  - descriptor: \"vxi::1::instr\"\n", 4,
         "duplicate descriptor \"vxi::1::instr\" (first on line 2; both name VXI0::1::INSTR)"},
        {"duplicate under another spelling",
         "resources:\n  - descriptor: \"TCPIP0::Lxi-Box::INSTR\"\n"
         "  - descriptor: \"tcpip::lxi-box::INST0\"\n",
         3, "(first on line 2; both name TCPIP0::lxi-box::inst0::INSTR)"},
        {"duplicate USB IDs, decimal and hexadecimal",
         "resources:\n  - descriptor: \"USB0::0x1234::0x00ab::SN1\"\n"
         "  - descriptor: \"USB::4660::171::SN1::0::INSTR\"\n",
         3, "(first on line 2; both name USB0::0x1234::0x00AB::SN1::0::INSTR)"},
        {"duplicate key", head + "    slot: 1\n    slot: 2\n", 4,
         "duplicate key \"slot\" in a resource"},
        {"position outside the carrier",
         head + "    carrier:\n      model: 6080\n      positions: 2\n      cards:\n        - "
                "{position: 1, model: 0x4C5E}\n        - {position: 3, model: 0x4C5E}\n",
         8, "card position 3 is outside the carrier's 2 positions"},
        {"position beyond any carrier", QString(card).replace("position: 1", "position: 65"), 6,
         "position 65 is outside 1 to 64"},
        {"two cards in one position",
         cards + "        - {position: 2, model: 0x4C5E}\n        - {position: 2, model: 0x7240}\n",
         7, "two cards in position 2 (first on line 6)"},
        {"group kind unknown", groups + "[current, current, resistance, current]\n", 8,
         "unknown group kind \"resistance\""},
        {"group kind unknown in a mapping",
         groups + "[current, current, {power: [0, 1]}, current]\n", 8,
         "unknown group kind \"power\""},
        {"voltage limits decreasing", groups + "[current, current, current, {voltage: [5, -5]}]\n",
         8, "voltage limits must increase"},
        {"voltage limits equal", groups + "[current, current, current, {voltage: [1, 1]}]\n", 8,
         "voltage limits must increase"},
        {"three groups", groups + "[current, current, current]\n", 8,
         "groups must list 4 groups, not 3"},
        {"unknown operation", card + "          fail:\n            qm7240_writeChanel: -1\n", 9,
         "unknown key \"qm7240_writeChanel\" in fail"},
        {"channel on an operation without one",
         card + "          fail:\n            qm7240_reset: {status: -1, channel: 3}\n", 9,
         "qm7240_reset takes no channel"},
        {"fail without status", card + "          fail:\n            qm7240_reset: {after: 3}\n", 9,
         "the fail entry of qm7240_reset needs a status"},
        {"report on an operation without a range",
         card + "          fail:\n            qm7240_reset: {report: [0, 0, 22]}\n", 9,
         "qm7240_reset reports no range"},
        {"report of two numbers",
         card + "          fail:\n            qm7240_getOutputRange: {report: [0, 22]}\n", 9,
         "report must be a list [type, low, high]"},
        {"open circuit channel", card + "          open_circuit: [17]\n", 8,
         "an open_circuit channel 17 is outside 1 to 16"},
        {"option of three characters", card + "          option: \"ABC\"\n", 8,
         "option is longer than 2 characters"},
        {"descriptor missing", "resources:\n  - slot: 3\n", 2, "a resource needs a descriptor"},
        {"descriptor of no interface", "resources:\n  - descriptor: \"FOO::1\"\n", 2,
         "\"FOO::1\" is not a VISA resource name: it does not begin with a VISA interface"},
        {"descriptor VISA cannot read", "resources:\n  - descriptor: \"VXI0::256::INSTR\"\n", 2,
         "is not a VISA resource name: logical address \"256\" is outside 0 to 255"},
        {"card without model", cards + "        - position: 1\n", 6, "a card needs a model"},
        {"syntax: unclosed flow", head + "    carrier: {model: 6080, cards: [\n", 4,
         "YAML syntax error"},
        {"syntax: bad indentation", "resources:\n  - descriptor: \"VXI0::1::INSTR\"\n   slot: 1\n",
         3, "YAML syntax error"},
        {"empty file", "\n", 1, "the file holds no \"resources\" list"},
        {"negative latency", head + "    link: {latency_ms: -5}\n", 3,
         "latency_ms -5 is outside 0 to 60000"},
        {"unknown key in the link", head + "    link:\n      delay_ms: 5\n", 4,
         "unknown key \"delay_ms\" in the link"},
        {"unknown key in a down window", head + "    link: {down: [{after_ms: 1, until_ms: 2}]}\n",
         3, "unknown key \"until_ms\" in a down window"},
        {"down window without its length",
         head + "    link:\n      down:\n        - {after_ms: 1}\n", 5,
         "a down window needs after_ms and for_ms"},
        {"overlapping down windows",
         head + "    link:\n      down:\n        - {after_ms: 100, for_ms: 50}\n"
                "        - {after_ms: 120, for_ms: 10}\n",
         6, "this one starts at 120 ms, the one before ends at 150 ms"},
        {"a down window that fails some other way",
         head + "    link: {down: [{after_ms: 1, for_ms: 2, fails: reboot}]}\n", 3,
         "fails must be timeout or conn_lost, not \"reboot\""},
        {"down windows out of order",
         head + "    link:\n      down:\n        - {after_ms: 500, for_ms: 50}\n"
                "        - {after_ms: 0, for_ms: 10}\n",
         6, "must be in time order"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << row.yaml << row.line << QString(row.problem);
}

void TestSimFile::mistakes()
{
    QFETCH(QString, yaml);
    QFETCH(int, line);
    QFETCH(QString, problem);
    SimFixture sim(yaml.isEmpty() ? QString(" ") : yaml);
    StderrCapture capture;
    ViSession rm = 77;
    QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
    QCOMPARE(rm, 0u);
    QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR); // still failing, said only once
    const QString err = QString::fromLocal8Bit(capture.text());
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.endsWith('\n'), qPrintable(err));
    const QString expectedStart = sim.filePath() + ":" + QString::number(line) + ": ";
    QVERIFY2(err.startsWith(expectedStart), qPrintable(err));
    QVERIFY2(err.contains(problem), qPrintable(err));
    const QList<QJsonObject> opens = sim.calls("viOpenDefaultRM");
    QCOMPARE(opens.size(), 2);
    QCOMPARE(opens[0].value("status").toInt(), int(VI_ERROR_SYSTEM_ERROR));
}

void TestSimFile::unreadableFile()
{
    SimFixture sim;
    const QByteArray missing = (sim.dirPath() + "/absent.yaml").toLocal8Bit();
    qputenv("VISA_SIM_FILE", missing);
    sim_reset();
    StderrCapture capture;
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
    const QByteArray err = capture.text();
    QVERIFY2(err.startsWith(missing + ": cannot read the simulation file"), err.constData());
    QCOMPARE(err.count('\n'), 1);
}

void TestSimFile::mistakeReachesEveryEntryPoint()
{
    SimFixture sim("resources:\n  - descriptor: \"VXI0::1::INSTR\"\n    bogus: 1\n");
    StderrCapture capture;
    ViSession vi = 5;
    QCOMPARE(qm7240_init("VXI0::1::INSTR", 1, VI_TRUE, VI_TRUE, &vi), VI_ERROR_SYSTEM_ERROR);
    QCOMPARE(vi, 0u);
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
    ViChar desc[VI_FIND_BUFLEN];
    ViUInt32 count = 0;
    QCOMPARE(viFindRsrc(rm, "?*", nullptr, &count, desc), VI_ERROR_INV_OBJECT);
    // Texts need no system.
    ViChar text[1024];
    QCOMPARE(qm6080_statusText(VI_ERROR_SYSTEM_ERROR, text), VI_SUCCESS);
    QCOMPARE(capture.text().count('\n'), 1);
    // sim_reset reads the file again.
    sim_reset();
    qputenv("VISA_SIM_FILE", QByteArray());
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    viClose(rm);
}

void TestSimFile::hostileTextGivesOneLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("deep flow nesting") << QByteArray(100000, '[');
    QTest::newRow("deep block nesting")
        << QByteArray("resources:\n") + QByteArray(5000, '-') + QByteArray(" x\n");
    QTest::newRow("dashes and spaces") << QByteArray("- ").repeated(3000);
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01resources", 13);
    QTest::newRow("huge") << QByteArray("resources: []\n#") + QByteArray(2 << 20, 'x');
    QTest::newRow("alias of nothing") << QByteArray("resources: *a\n");
    QTest::newRow("tabs") << QByteArray("resources:\n\t- descriptor: x\n");
    QTest::newRow("scalar") << QByteArray("hello");
    QTest::newRow("list root") << QByteArray("- 1\n- 2\n");
    QTest::newRow("huge integer") << QByteArray("resources:\n  - descriptor: \"VXI0::1::INSTR\"\n"
                                                "    slot: 99999999999999999999999999\n");
    QTest::newRow("card list not a list")
        << QByteArray("resources:\n  - descriptor: \"VXI0::1::INSTR\"\n    carrier: {model: 1, "
                      "cards: {a: 1}}\n");
    QTest::newRow("complex key") << QByteArray("? [a, b]\n: 1\n");
}

void TestSimFile::hostileTextGivesOneLine()
{
    QFETCH(QByteArray, text);
    const sim::LoadResult result =
        sim::loadSystem(std::string(text.constData(), size_t(text.size())), "hostile.yaml");
    QVERIFY(!result.ok);
    QVERIFY(result.system.resources.empty());
    QVERIFY2(QByteArray::fromStdString(result.error).startsWith("hostile.yaml"),
             result.error.c_str());
    QVERIFY(result.error.find('\n') == std::string::npos);
    QVERIFY(result.error.size() < 400);
}

QTEST_GUILESS_MAIN(TestSimFile)
#include "test_simfile.moc"
