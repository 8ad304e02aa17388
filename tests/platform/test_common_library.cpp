// The common library: the carrier context read through raw byte offsets, as the search reads
// it, the access tables and their read function, closing, and the status texts.
#include <QtTest>

#include <cstring>

#include "journaltext.h"
#include "qm6080.h"
#include "qm7240.h"
#include "simfixture.h"
#include "visa.h"

namespace {

const char carrierSystem[] = R"(
resources:
  - descriptor: "VXI0::4::INSTR"
    slot: 4
    carrier:
      model: 6080
      positions: 6
      cards:
        - {position: 6, model: 0x5E93}
        - {position: 1, model: 0x4C5E}
        - {position: 3, model: 0x8164, option: "AB"}
        - {position: 4, model: 0x8152, option: "XY"}
  - descriptor: "TCPIP0::10.1.1.1::INSTR"
    carrier: {model: 1864, cards: [{position: 2, model: 0x7240}]}
  - descriptor: "VXI0::9::INSTR"
)";

using AccessFunction = const unsigned char *(*)(void *context, int32_t a, int32_t b);
using ReadFunction = int32_t (*)(void *context, int32_t card, int32_t offset, uint16_t *value);

template <class T> T at(const unsigned char *base, size_t offset)
{
    T value;
    std::memcpy(&value, base + offset, sizeof value);
    return value;
}

struct OpenCarrier
{
    ViSession rm = 0;
    ViSession vi = 0;
    qm6080_carrierContext *context = nullptr;
    ViStatus status = VI_ERROR_SYSTEM_ERROR;

    explicit OpenCarrier(const char *descriptor)
    {
        if (viOpenDefaultRM(&rm) != VI_SUCCESS ||
            viOpen(rm, descriptor, VI_NO_LOCK, 0, &vi) != VI_SUCCESS)
            return;
        status = qm6080_openCarrier(vi, &context);
    }
    ~OpenCarrier()
    {
        if (status >= 0 && context != nullptr)
            qm6080_closeCarrier(&context);
        viClose(rm);
    }
};

} // namespace

class TestCommonLibrary : public QObject
{
    Q_OBJECT

private slots:
    void contextThroughByteOffsets();
    void cardCountDefaultsToHighestPosition();
    void accessTables();
    void readRefusals_data();
    void readRefusals();
    void openRefusals();
    void closeCarrier();
    void statusTexts_data();
    void statusTexts();
    void unknownStatus();
    void revisionText();
};

void TestCommonLibrary::contextThroughByteOffsets()
{
    SimFixture sim(carrierSystem);
    OpenCarrier carrier("VXI0::4::INSTR");
    QCOMPARE(carrier.status, VI_SUCCESS);
    QVERIFY(carrier.context != nullptr);
    const auto *p = reinterpret_cast<const unsigned char *>(carrier.context);
    const auto *info = at<const unsigned char *>(p, 0);
    QVERIFY(info != nullptr);
    QCOMPARE(at<int32_t>(info, 0x100), 6);
    QCOMPARE(at<uint16_t>(info, 0x104), uint16_t(6080));
    const uint16_t expected[6] = {0x4C5E, 0, 0x8164, 0x8152, 0, 0x5E93};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(at<uint16_t>(info, 0x106 + 2 * size_t(i)), expected[i]);
    const auto access = at<AccessFunction>(p, 0x40);
    QVERIFY(access != nullptr);
    const unsigned char *table = access(carrier.context, 1, 1);
    QVERIFY(table != nullptr);
    const auto read = at<ReadFunction>(table, 0x20);
    // The word read, or -1 when the read fails.
    auto readWord = [&](int32_t card, int32_t offset) {
        uint16_t word = 0xFFFF;
        return read(carrier.context, card, offset, &word) == VI_SUCCESS ? int(word) : -1;
    };
    QCOMPARE(readWord(3, 0xFC), ('A' << 8) | 'B');
    QCOMPARE(readWord(4, 0xFC), ('X' << 8) | 'Y');
    QCOMPARE(readWord(1, 0xFC), 0); // a card without option
    QCOMPARE(readWord(6, 0x00), 0x5E93);

    QCOMPARE(journalText(sim, "qm6080_openCarrier", {"session", "model", "count", "status"}),
             QString("session=%1 model=6080 count=6 status=0").arg(carrier.vi));
    QCOMPARE(journalText(sim, "qm6080_readConfiguration", {"card", "offset", "value"}),
             QString("card=3 offset=252 value=%1; card=4 offset=252 value=%2; "
                     "card=1 offset=252 value=0; card=6 offset=0 value=%3")
                 .arg(0x4142)
                 .arg(0x5859)
                 .arg(0x5E93));
}

void TestCommonLibrary::cardCountDefaultsToHighestPosition()
{
    SimFixture sim(carrierSystem);
    OpenCarrier carrier("TCPIP::10.1.1.1::INSTR");
    QCOMPARE(carrier.status, VI_SUCCESS);
    QCOMPARE(carrier.context->info->cardCount, 2);
    QCOMPARE(carrier.context->info->carrierModel, ViUInt16(1864));
    QCOMPARE(carrier.context->info->modelCodes[0], ViUInt16(0));
    QCOMPARE(carrier.context->info->modelCodes[1], ViUInt16(0x7240));
}

void TestCommonLibrary::accessTables()
{
    SimFixture sim(carrierSystem);
    OpenCarrier carrier("VXI0::4::INSTR");
    qm6080_carrierContext *c = carrier.context;
    QVERIFY(c != nullptr);
    qm6080_accessTable *first = c->access(c, 0, 1);
    qm6080_accessTable *second = c->access(c, 1, 1);
    QVERIFY(first != nullptr);
    QVERIFY(second != nullptr);
    QVERIFY(first != second);
    for (const auto &ab : {std::make_pair(0, 0), {2, 1}, {1, 2}, {-1, 1}})
        QVERIFY(c->access(c, ab.first, ab.second) == nullptr);
    ViUInt16 word = 0;
    QCOMPARE(first->read(c, 1, 0, &word), VI_SUCCESS);
    QCOMPARE(word, ViUInt16(0x4C5E));
}

void TestCommonLibrary::readRefusals_data()
{
    QTest::addColumn<int>("card");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("nullValue");
    QTest::addColumn<int>("status");
    QTest::newRow("card 0") << 0 << 0xFC << false << int(QM6080_ERROR_INV_CARD);
    QTest::newRow("past the last position") << 7 << 0xFC << false << int(QM6080_ERROR_INV_CARD);
    QTest::newRow("empty position") << 2 << 0xFC << false << int(QM6080_ERROR_INV_CARD);
    QTest::newRow("negative card") << -1 << 0xFC << false << int(QM6080_ERROR_INV_CARD);
    QTest::newRow("offset past the space") << 3 << 0x100 << false << int(QM6080_ERROR_INV_OFFSET);
    QTest::newRow("negative offset") << 3 << -2 << false << int(QM6080_ERROR_INV_OFFSET);
    QTest::newRow("odd offset") << 3 << 0xFD << false << int(QM6080_ERROR_INV_OFFSET);
    QTest::newRow("null result") << 3 << 0xFC << true << int(QM6080_ERROR_NULL_POINTER);
}

void TestCommonLibrary::readRefusals()
{
    QFETCH(int, card);
    QFETCH(int, offset);
    QFETCH(bool, nullValue);
    QFETCH(int, status);
    SimFixture sim(carrierSystem);
    OpenCarrier carrier("VXI0::4::INSTR");
    qm6080_carrierContext *c = carrier.context;
    QVERIFY(c != nullptr);
    ViUInt16 word = 0x5555;
    QCOMPARE(int(c->access(c, 1, 1)->read(c, card, offset, nullValue ? nullptr : &word)), status);
    QCOMPARE(word, ViUInt16(0x5555));
}

void TestCommonLibrary::openRefusals()
{
    SimFixture sim(carrierSystem);
    OpenCarrier none("VXI0::9::INSTR");
    QCOMPARE(none.status, QM6080_ERROR_NO_CARRIER);
    // A failed open leaves a stale pointer behind, as a vendor library may; handed back, it is
    // refused, not freed.
    QVERIFY(none.context != nullptr);
    qm6080_carrierContext *context = nullptr;
    QCOMPARE(qm6080_openCarrier(12345, &context), VI_ERROR_INV_OBJECT);
    QCOMPARE(context, none.context);
    QCOMPARE(qm6080_closeCarrier(&context), QM6080_ERROR_INV_CONTEXT);
    QCOMPARE(context, none.context);
    QCOMPARE(qm6080_openCarrier(none.vi, nullptr), QM6080_ERROR_NULL_POINTER);
    // The resource manager session is no instrument session.
    QCOMPARE(qm6080_openCarrier(none.rm, &context), VI_ERROR_INV_OBJECT);
}

void TestCommonLibrary::closeCarrier()
{
    SimFixture sim(carrierSystem);
    OpenCarrier carrier("VXI0::4::INSTR");
    qm6080_carrierContext *c = carrier.context;
    carrier.context = nullptr;
    QCOMPARE(qm6080_closeCarrier(&c), VI_SUCCESS);
    QVERIFY(c == nullptr);
    QCOMPARE(qm6080_closeCarrier(&c), QM6080_ERROR_INV_CONTEXT);
    QCOMPARE(qm6080_closeCarrier(nullptr), QM6080_ERROR_NULL_POINTER);
    qm6080_carrierContext foreign{};
    qm6080_carrierContext *pointer = &foreign;
    QCOMPARE(qm6080_closeCarrier(&pointer), QM6080_ERROR_INV_CONTEXT);
    QVERIFY(pointer == &foreign);
    // A context stays readable after its VISA session closed: it holds what the carrier said.
    OpenCarrier again("VXI0::4::INSTR");
    QCOMPARE(viClose(again.vi), VI_SUCCESS);
    QCOMPARE(again.context->info->carrierModel, ViUInt16(6080));
}

void TestCommonLibrary::statusTexts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("fragment");
    QTest::newRow("success") << int(VI_SUCCESS) << "completed successfully";
    QTest::newRow("system error") << int(VI_ERROR_SYSTEM_ERROR) << "system error";
    QTest::newRow("inv object") << int(VI_ERROR_INV_OBJECT) << "session or object reference";
    QTest::newRow("nfound") << int(VI_ERROR_RSRC_NFOUND) << "not present";
    QTest::newRow("inv expr") << int(VI_ERROR_INV_EXPR) << "expression";
    QTest::newRow("inv rsrc name") << int(VI_ERROR_INV_RSRC_NAME) << "resource reference";
    QTest::newRow("nsup attr") << int(VI_ERROR_NSUP_ATTR) << "attribute";
    QTest::newRow("inv parameter") << int(VI_ERROR_INV_PARAMETER) << "parameter";
    QTest::newRow("inv acc mode") << int(VI_ERROR_INV_ACC_MODE) << "access mode";
    QTest::newRow("warn null object") << int(VI_WARN_NULL_OBJECT) << "uninitialized";
    QTest::newRow("dev npresent") << int(VI_SUCCESS_DEV_NPRESENT) << "not responding";
    QTest::newRow("fail id query") << int(VI_ERROR_FAIL_ID_QUERY) << "identification query";
    QTest::newRow("no carrier") << int(QM6080_ERROR_NO_CARRIER) << "No carrier";
    QTest::newRow("inv context") << int(QM6080_ERROR_INV_CONTEXT) << "carrier context";
    QTest::newRow("inv card") << int(QM6080_ERROR_INV_CARD) << "card number";
    QTest::newRow("inv offset") << int(QM6080_ERROR_INV_OFFSET) << "register offset";
    QTest::newRow("lib null") << int(QM6080_ERROR_NULL_POINTER) << "null pointer";
    QTest::newRow("driver no carrier") << int(QM7240_ERROR_NO_CARRIER) << "No carrier";
    QTest::newRow("fc number") << int(QM7240_ERROR_INV_FC_NUMBER) << "function card number";
    QTest::newRow("no card") << int(QM7240_ERROR_NO_CARD) << "no function card";
    QTest::newRow("channel") << int(QM7240_ERROR_INV_CHANNEL) << "1 to 16";
    QTest::newRow("group") << int(QM7240_ERROR_INV_GROUP) << "1 to 4";
    QTest::newRow("range") << int(QM7240_ERROR_INV_RANGE) << "4 to 20 mA";
    QTest::newRow("value") << int(QM7240_ERROR_VALUE_RANGE) << "outside the present output range";
    QTest::newRow("not current") << int(QM7240_ERROR_NOT_CURRENT_GROUP) << "voltage output";
    QTest::newRow("driver null") << int(QM7240_ERROR_NULL_POINTER) << "null pointer";
}

void TestCommonLibrary::statusTexts()
{
    QFETCH(int, status);
    QFETCH(QString, fragment);
    SimFixture sim;
    ViChar text[1024];
    QCOMPARE(qm6080_statusText(status, text), VI_SUCCESS);
    QVERIFY2(QString(text).contains(fragment, Qt::CaseInsensitive), text);
    QVERIFY(std::strlen(text) < 256); // fits a VISA description buffer as well
    QCOMPARE(journalText(sim, "qm6080_statusText", {"code", "text"}),
             "code=" + QString::number(status) + " text=" + text);
}

void TestCommonLibrary::unknownStatus()
{
    SimFixture sim;
    ViChar text[1024];
    QCOMPARE(qm6080_statusText(0x12345678, text), VI_WARN_UNKNOWN_STATUS);
    QCOMPARE(QString(text), QString("Unknown status 0x12345678"));
    QCOMPARE(qm6080_statusText(ViStatus(0xBFFC0A99), text), VI_WARN_UNKNOWN_STATUS);
    QCOMPARE(QString(text), QString("Unknown status 0xBFFC0A99"));
    QCOMPARE(qm6080_statusText(VI_SUCCESS, nullptr), QM6080_ERROR_NULL_POINTER);
}

void TestCommonLibrary::revisionText()
{
    SimFixture sim;
    ViChar revision[40];
    std::memset(revision, 'x', sizeof revision);
    QCOMPARE(qm6080_revisionText(revision), VI_SUCCESS);
    QVERIFY(std::memchr(revision, '\0', sizeof revision) != nullptr);
    QVERIFY(QString(revision).startsWith("qm6080 "));
    QCOMPARE(qm6080_revisionText(nullptr), QM6080_ERROR_NULL_POINTER);
}

QTEST_GUILESS_MAIN(TestCommonLibrary)
#include "test_common_library.moc"
