// The call journal: one JSON object per line, in the order the calls returned, with the keys of
// every call's inputs and outputs.
#include <QtTest>

#include <thread>

#include "qm6080.h"
#include "qm7240.h"
#include "sim_control.h"
#include "simfixture.h"
#include "stderrcapture.h"
#include "visa.h"

namespace {

const char journalSystem[] = R"(
resources:
  - descriptor: "VXI0::2::INSTR"
    slot: 2
    carrier:
      model: 6080
      cards:
        - position: 1
          model: 0x4C5E
          serial: 4242
          subtype: "AC"
          open_circuit: [6]
)";

void requireKeys(const QJsonObject &line, const QStringList &keys)
{
    for (const QString &key : keys)
        QVERIFY2(line.contains(key), qPrintable(line.value("call").toString() + " lacks " + key));
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void everyLineCarriesItsKeys();
    void textsStayValidJson();
    void valuesKeepEveryDigit();
    void threadsAreNumberedInOrderOfAppearance();
    void appendsAndFollowsReset();
    void noJournalWithoutAFile();
    void journalFailureSaidOnce_data();
    void journalFailureSaidOnce();
};

void TestJournal::everyLineCarriesItsKeys()
{
    SimFixture sim(journalSystem);
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar desc[VI_FIND_BUFLEN];
    QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_SUCCESS);
    ViSession visa = 0;
    QCOMPARE(viOpen(rm, desc, VI_NO_LOCK, 0, &visa), VI_SUCCESS);
    qm6080_carrierContext *context = nullptr;
    QCOMPARE(qm6080_openCarrier(visa, &context), VI_SUCCESS);
    QCOMPARE(qm6080_closeCarrier(&context), VI_SUCCESS);
    ViSession vi = 0;
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 1, VI_TRUE, VI_FALSE, &vi), VI_SUCCESS);
    ViInt32 type = 0;
    double lo = 0;
    double hi = 0;
    QCOMPARE(qm7240_getOutputRange(vi, 2, &type, &lo, &hi), VI_SUCCESS);
    QCOMPARE(qm7240_setOutputRange(vi, 2, 3), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(vi, 6, 0.0123), VI_SUCCESS);
    ViUInt16 stat = 0;
    QCOMPARE(qm7240_getDACStatus(vi, 6, &stat), VI_SUCCESS);
    ViUInt32 serial = 0;
    ViChar subtype[QM7240_SUBTYPE_LEN];
    QCOMPARE(qm7240_readSerialNo(vi, &serial, subtype), VI_SUCCESS);
    QCOMPARE(qm7240_reset(vi), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(vi, 17, 0.0), QM7240_ERROR_INV_CHANNEL);
    QCOMPARE(qm7240_close(vi), VI_SUCCESS);
    QCOMPARE(viClose(rm), VI_SUCCESS);

    const QList<QJsonObject> lines = sim.journal();
    QCOMPARE(sim.callNames(),
             (QStringList{"viOpenDefaultRM", "viFindRsrc", "viOpen", "qm6080_openCarrier",
                          "qm6080_closeCarrier", "qm7240_init", "qm7240_getOutputRange",
                          "qm7240_setOutputRange", "qm7240_writeChannel", "qm7240_getDACStatus",
                          "qm7240_readSerialNo", "qm7240_reset", "qm7240_writeChannel",
                          "qm7240_close", "viClose"}));
    double previous = 0.0;
    for (const QJsonObject &line : lines) {
        requireKeys(line, {"t_ms", "thread", "call", "status", "dur_ms"});
        QVERIFY(line.value("t_ms").isDouble());
        QVERIFY(line.value("t_ms").toDouble() >= previous);
        previous = line.value("t_ms").toDouble();
        QVERIFY(line.value("dur_ms").toDouble() >= 0.0);
        QCOMPARE(line.value("thread").toInt(), 1);
    }
    requireKeys(lines[2], {"rm", "rsrc", "session"});
    QCOMPARE(lines[2].value("rsrc").toString(), QString("VXI0::2::INSTR"));
    requireKeys(lines[5], {"rsrc", "fc", "id_query", "reset", "session"});
    QCOMPARE(lines[5].value("id_query").toInt(), 1);
    QCOMPARE(lines[5].value("reset").toInt(), 0);
    QCOMPARE(lines[5].value("session").toInt(), int(vi));
    requireKeys(lines[6], {"session", "group", "type", "lo", "hi"});
    QCOMPARE(lines[6].value("hi").toDouble(), 24.0);
    requireKeys(lines[7], {"session", "group", "range"});
    requireKeys(lines[8], {"session", "channel", "value"});
    QCOMPARE(lines[8].value("value").toDouble(), 0.0123);
    requireKeys(lines[9], {"session", "channel", "stat"});
    QCOMPARE(lines[9].value("stat").toInt(), 1);
    requireKeys(lines[10], {"session", "serial", "subtype"});
    QCOMPARE(lines[10].value("serial").toInt(), 4242);
    QCOMPARE(lines[10].value("subtype").toString(), QString("AC"));
    QCOMPARE(lines[12].value("status").toInt(), int(QM7240_ERROR_INV_CHANNEL));
    QCOMPARE(lines[12].value("channel").toInt(), 17);
}

void TestJournal::textsStayValidJson()
{
    SimFixture sim(journalSystem);
    const char odd[] = "VXI0::\"quoted\"\n\t\\::\x01INSTR";
    ViSession vi = 0;
    // Names VISA cannot read, yet the journal keeps them as they came.
    QCOMPARE(qm7240_init(odd, 1, VI_TRUE, VI_TRUE, &vi), VI_ERROR_INV_RSRC_NAME);
    const char notUtf8[] = "VXI0::\xff\xfe::INSTR";
    QCOMPARE(qm7240_init(notUtf8, 1, VI_TRUE, VI_TRUE, &vi), VI_ERROR_INV_RSRC_NAME);
    const QList<QJsonObject> lines = sim.calls("qm7240_init");
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].value("rsrc").toString(), QString::fromLatin1(odd));
    QVERIFY(lines[1].value("rsrc").toString().startsWith("VXI0::"));
}

void TestJournal::valuesKeepEveryDigit()
{
    SimFixture sim("resources:\n  - descriptor: \"VXI0::2::INSTR\"\n    carrier: {model: 6080, "
                   "cards: [{position: 1, model: 0x4C5E}]}\n");
    ViSession vi = 0;
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 1, VI_TRUE, VI_TRUE, &vi), VI_SUCCESS);
    const double values[] = {0.1 + 0.2, 1.0 / 3.0, 0.004999954222934844, -9.99969482421875, 5e-7};
    for (const double v : values)
        QCOMPARE(qm7240_writeChannel(vi, 9, v), VI_SUCCESS);
    const QList<QJsonObject> writes = sim.calls("qm7240_writeChannel");
    QCOMPARE(writes.size(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(writes[i].value("value").toDouble(), values[i]); // bit for bit
    qm7240_close(vi);
}

void TestJournal::threadsAreNumberedInOrderOfAppearance()
{
    SimFixture sim(journalSystem);
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    std::thread second([] {
        ViChar text[1024];
        qm6080_statusText(VI_SUCCESS, text);
    });
    second.join();
    std::thread third([] {
        ViChar text[1024];
        qm6080_revisionText(text);
    });
    third.join();
    viClose(rm);
    const QList<QJsonObject> lines = sim.journal();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0].value("thread").toInt(), 1);
    QCOMPARE(lines[1].value("thread").toInt(), 2);
    QCOMPARE(lines[2].value("thread").toInt(), 3);
    QCOMPARE(lines[3].value("thread").toInt(), 1);
}

void TestJournal::appendsAndFollowsReset()
{
    SimFixture sim(journalSystem);
    {
        QFile file(sim.journalPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"call\":\"earlier\"}\n");
    }
    ViChar text[1024];
    qm6080_statusText(VI_SUCCESS, text);
    QCOMPARE(sim.callNames(), (QStringList{"earlier", "qm6080_statusText"}));
    sim.clearJournal();
    qm6080_statusText(VI_SUCCESS, text);
    QCOMPARE(sim.callNames(), QStringList{"qm6080_statusText"});

    const QString other = sim.dirPath() + "/other.jsonl";
    qputenv("VISA_SIM_JOURNAL", other.toLocal8Bit());
    sim_reset();
    qm6080_revisionText(text);
    QCOMPARE(sim.callNames(), QStringList{"qm6080_statusText"});
    QFile file(other);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject line = QJsonDocument::fromJson(file.readLine()).object();
    QCOMPARE(line.value("call").toString(), QString("qm6080_revisionText"));
    QCOMPARE(line.value("thread").toInt(), 1);
}

void TestJournal::noJournalWithoutAFile()
{
    SimFixture sim(journalSystem);
    qputenv("VISA_SIM_JOURNAL", QByteArray());
    sim_reset();
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    viClose(rm);
    QVERIFY(!QFile::exists(sim.journalPath()));
}

void TestJournal::journalFailureSaidOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    // An empty path stands for the fixture's folder, which is no file.
    QTest::newRow("cannot be opened") << QString() << "cannot open the call journal for writing\n";
    QTest::newRow("stops accepting lines (full disk)")
        << "/dev/full"
        << "cannot write the call journal (No space left on device); later calls are not "
           "journalled\n";
}

void TestJournal::journalFailureSaidOnce()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    SimFixture sim(journalSystem);
    if (path.isEmpty())
        path = sim.dirPath();
    qputenv("VISA_SIM_JOURNAL", path.toLocal8Bit());
    sim_reset();

    StderrCapture capture;
    // The calls answer as ever, the first and every later one.
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViSession vi = 0;
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 1, VI_TRUE, VI_TRUE, &vi), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(vi, 6, 0.004), VI_SUCCESS);
    ViUInt16 stat = 0;
    QCOMPARE(qm7240_getDACStatus(vi, 6, &stat), VI_SUCCESS);
    QCOMPARE(stat, ViUInt16(1));
    QCOMPARE(qm7240_close(vi), VI_SUCCESS);
    QCOMPARE(viClose(rm), VI_SUCCESS);
    QCOMPARE(QString::fromLocal8Bit(capture.text()), path + ": " + message);
}

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
