// VISA on the simulated system: resource expressions, descriptor matching, attributes, open
// delay and status, closing, status texts and bad arguments.
#include <QtTest>

#include "journaltext.h"
#include "simfixture.h"
#include "visa.h"
#include "visa_expression.h"

namespace {

const char wideSystem[] = R"(
resources:
  - descriptor: "VXI0::1::INSTR"
    slot: 1
    logical_address: 1
  - descriptor: "VXI0::2::INSTR"
    slot: 2
    logical_address: 8
  - descriptor: "GPIB-VXI0::3::INSTR"
    slot: 3
  - descriptor: "GPIB0::5::INSTR"
  - descriptor: "ASRL1::INSTR"
  - descriptor: "PXI0::10::INSTR"
  - descriptor: "TCPIP0::192.168.2.100::INSTR"
    tcpip_address: "192.168.2.100"
    hostname: "lxi-carrier"
    device_name: "inst0"
  - descriptor: "TCPIP1::10.0.0.7::inst0::INSTR"
    tcpip_address: "10.0.0.7"
  - descriptor: "USB0::0x1234::0x5678::SN1::INSTR"
  - descriptor: "TCPIP0::10.0.0.9::5025::SOCKET"
  - descriptor: "TCPIP0::10.0.0.30::INSTR"
    open_delay_ms: 30
  - descriptor: "TCPIP0::10.0.0.31::INSTR"
    open_status: -1073807343
  - descriptor: "TCPIP0::10.0.0.32::INSTR"
    open_status: 0x3FFF007D
)";

// Every descriptor a search returns, in order; the status of viFindRsrc goes to `status`.
QStringList findAll(ViSession rm, const char *expr, ViStatus &status, ViUInt32 &count)
{
    QStringList found;
    ViFindList list = 0;
    ViChar desc[VI_FIND_BUFLEN];
    count = 12345;
    status = viFindRsrc(rm, expr, &list, &count, desc);
    if (status != VI_SUCCESS)
        return found;
    found << QString::fromLatin1(desc);
    while (viFindNext(list, desc) == VI_SUCCESS)
        found << QString::fromLatin1(desc);
    viClose(list);
    return found;
}

// A text attribute, or "status N" when the read fails.
QString textAttr(ViSession vi, ViAttr attr)
{
    ViChar text[256];
    const ViStatus status = viGetAttribute(vi, attr, text);
    return status == VI_SUCCESS ? QString::fromLatin1(text)
                                : QStringLiteral("status %1").arg(status);
}

// A 16-bit attribute; -1 when it is not supported and the result was left alone.
int shortAttr(ViSession vi, ViAttr attr)
{
    ViInt16 value = -7;
    const ViStatus status = viGetAttribute(vi, attr, &value);
    if (status == VI_SUCCESS)
        return value;
    return status == VI_ERROR_NSUP_ATTR && value == -7 ? -1 : -1000;
}

const QString notSupported = QStringLiteral("status %1").arg(VI_ERROR_NSUP_ATTR);

ViSession openRm()
{
    ViSession rm = 0;
    if (viOpenDefaultRM(&rm) != VI_SUCCESS)
        QTest::qFail("viOpenDefaultRM failed", __FILE__, __LINE__);
    return rm;
}

} // namespace

class TestVisa : public QObject
{
    Q_OBJECT

private slots:
    void expressionMatcher_data();
    void expressionMatcher();
    void pathologicalExpressionsStayPolynomial();
    void search_data();
    void search();
    void findNextPastTheEnd();
    void defaultSystemListsInOrder();
    void descriptorMatching_data();
    void descriptorMatching();
    void attributesPerInterface_data();
    void attributesPerInterface();
    void textAttributes();
    void openDelayAndStatus();
    void closingTheResourceManagerClosesItsChildren();
    void statusDescriptions();
    void badArguments();
};

void TestVisa::expressionMatcher_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    using M = visa::ExpressionMatch;
    const struct
    {
        const char *name;
        const char *expression;
        const char *text;
        M expected;
    } rows[] = {
        {"any instr", "?*INSTR", "VXI0::1::INSTR", M::Match},
        {"case", "?*instr", "VXI0::1::INSTR", M::Match},
        {"whole text", "VXI", "VXI0::1::INSTR", M::NoMatch},
        {"question one char", "VXI?::1::INSTR", "VXI0::1::INSTR", M::Match},
        {"question not empty", "VXI0?::1::INSTR", "VXI0::1::INSTR", M::NoMatch},
        {"star zero", "VXI0*::1::INSTR", "VXI::1::INSTR", M::Match},
        {"plus needs one", "VXI0+::1::INSTR", "VXI::1::INSTR", M::NoMatch},
        {"plus many", "PXI0::1+0::INSTR", "PXI0::1110::INSTR", M::Match},
        {"set range", "TCPIP[0-9]*::?*", "TCPIP12::a::INSTR", M::Match},
        {"set range miss", "TCPIP[0-9]::?*", "TCPIPX::a::INSTR", M::NoMatch},
        {"negated set", "GPIB[^-]?*", "GPIB-VXI0::3::INSTR", M::NoMatch},
        {"negated set hit", "GPIB[^-]?*", "GPIB0::5::INSTR", M::Match},
        {"set letters fold", "[a-c]SRL1::INSTR", "ASRL1::INSTR", M::Match},
        {"alternatives", "(GPIB|ASRL)?*", "ASRL1::INSTR", M::Match},
        {"alternatives miss", "(GPIB|ASRL)?*", "USB0::1::INSTR", M::NoMatch},
        {"top-level alternatives", "USB?*|VXI0::1::INSTR", "VXI0::1::INSTR", M::Match},
        {"group repeated", "(AB)+C", "ababC", M::Match},
        {"group repeated miss", "(AB)+C", "abaC", M::NoMatch},
        {"escape star", "A\\*", "A*", M::Match},
        {"escape star literal", "A\\*", "AAA", M::NoMatch},
        {"escape question", "A\\?", "AB", M::NoMatch},
        {"escape in set", "[\\]x]", "]", M::Match},
        {"empty expression", "", "", M::Match},
        {"star first", "*INSTR", "INSTR", M::Invalid},
        {"plus after bar", "A|+B", "B", M::Invalid},
        {"open paren", "(VXI?*", "VXI0", M::Invalid},
        {"close paren", "VXI)?*", "VXI)", M::Invalid},
        {"open set", "[0-9", "1", M::Invalid},
        {"empty set", "[]", "x", M::Invalid},
        {"reversed range", "[9-0]", "5", M::Invalid},
        {"trailing backslash", "VXI\\", "VXI\\", M::Invalid},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString(row.expression) << QString(row.text)
                                << int(row.expected);
}

void TestVisa::expressionMatcher()
{
    QFETCH(QString, expression);
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(visa::matchResourceExpression(expression.toStdString(), text.toStdString())),
             expected);
}

void TestVisa::pathologicalExpressionsStayPolynomial()
{
    // A backtracking matcher takes exponential time on these; the automaton answers at once.
    const std::string text(256, 'a');
    QCOMPARE(visa::matchResourceExpression("?*?*?*?*?*?*?*?*X", text),
             visa::ExpressionMatch::NoMatch);
    QCOMPARE(visa::matchResourceExpression("?*?*?*?*?*?*?*?*A", text),
             visa::ExpressionMatch::Match);
    QCOMPARE(visa::matchResourceExpression("(a*)*(a*)*(a*)*b", text),
             visa::ExpressionMatch::NoMatch);
    QCOMPARE(
        visa::matchResourceExpression(std::string(300, '(') + "a" + std::string(300, ')'), "a"),
        visa::ExpressionMatch::Invalid);
    QCOMPARE(
        visa::matchResourceExpression(std::string(150, '(') + "a" + std::string(150, ')'), "a"),
        visa::ExpressionMatch::Match);
}

void TestVisa::search_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("status");
    QTest::newRow("every instrument") << "?*INSTR"
                                      << QStringList{"VXI0::1::INSTR",
                                                     "VXI0::2::INSTR",
                                                     "GPIB-VXI0::3::INSTR",
                                                     "GPIB0::5::INSTR",
                                                     "ASRL1::INSTR",
                                                     "PXI0::10::INSTR",
                                                     "TCPIP0::192.168.2.100::INSTR",
                                                     "TCPIP1::10.0.0.7::inst0::INSTR",
                                                     "USB0::0x1234::0x5678::SN1::INSTR",
                                                     "TCPIP0::10.0.0.30::INSTR",
                                                     "TCPIP0::10.0.0.31::INSTR",
                                                     "TCPIP0::10.0.0.32::INSTR"}
                                      << int(VI_SUCCESS);
    QTest::newRow("vxi") << "VXI?*INSTR" << QStringList{"VXI0::1::INSTR", "VXI0::2::INSTR"}
                         << int(VI_SUCCESS);
    QTest::newRow("tcpip any board")
        << "TCPIP[0-9]*::?*"
        << QStringList{"TCPIP0::192.168.2.100::INSTR",   "TCPIP1::10.0.0.7::inst0::INSTR",
                       "TCPIP0::10.0.0.9::5025::SOCKET", "TCPIP0::10.0.0.30::INSTR",
                       "TCPIP0::10.0.0.31::INSTR",       "TCPIP0::10.0.0.32::INSTR"}
        << int(VI_SUCCESS);
    QTest::newRow("sockets, lower case")
        << "?*socket" << QStringList{"TCPIP0::10.0.0.9::5025::SOCKET"} << int(VI_SUCCESS);
    QTest::newRow("gpib but not gpib-vxi")
        << "GPIB[0-9]+::?*" << QStringList{"GPIB0::5::INSTR"} << int(VI_SUCCESS);
    QTest::newRow("nothing") << "FOO?*" << QStringList() << int(VI_ERROR_RSRC_NFOUND);
    QTest::newRow("malformed") << "?*INSTR)" << QStringList() << int(VI_ERROR_INV_EXPR);
}

void TestVisa::search()
{
    QFETCH(QString, expression);
    QFETCH(QStringList, expected);
    QFETCH(int, status);
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();
    ViStatus found = 0;
    ViUInt32 count = 0;
    const QStringList list = findAll(rm, expression.toLatin1().constData(), found, count);
    QCOMPARE(int(found), status);
    QCOMPARE(list, expected);
    QCOMPARE(int(count), expected.size());
    QCOMPARE(journalText(sim, "viFindRsrc", {"expr", "status"}),
             QString("expr=%1 status=%2").arg(expression).arg(status));
    QCOMPARE(viClose(rm), VI_SUCCESS);
}

void TestVisa::findNextPastTheEnd()
{
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar desc[VI_FIND_BUFLEN];
    QCOMPARE(viFindRsrc(rm, "VXI?*", &list, &count, desc), VI_SUCCESS);
    QCOMPARE(count, 2u);
    QCOMPARE(viFindNext(list, desc), VI_SUCCESS);
    QCOMPARE(QString(desc), QString("VXI0::2::INSTR"));
    QCOMPARE(viFindNext(list, desc), VI_ERROR_RSRC_NFOUND);
    QCOMPARE(viFindNext(list, desc), VI_ERROR_RSRC_NFOUND);
    QCOMPARE(viClose(list), VI_SUCCESS);
    QCOMPARE(viFindNext(list, desc), VI_ERROR_INV_OBJECT);
    QCOMPARE(viClose(list), VI_ERROR_INV_OBJECT);
    QCOMPARE(viFindNext(rm, desc), VI_ERROR_INV_OBJECT); // a session is no find list
    viClose(rm);
}

void TestVisa::defaultSystemListsInOrder()
{
    SimFixture sim;
    const ViSession rm = openRm();
    ViStatus status = 0;
    ViUInt32 count = 0;
    QCOMPARE(findAll(rm, "?*INSTR", status, count),
             (QStringList{"VXI0::1::INSTR", "VXI0::2::INSTR", "TCPIP0::192.168.2.100::INSTR"}));
    QCOMPARE(count, 3u);
    ViSession vi = 0;
    QCOMPARE(viOpen(rm, "VXI0::2::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    QCOMPARE(shortAttr(vi, VI_ATTR_SLOT), 2);
    QCOMPARE(shortAttr(vi, VI_ATTR_VXI_LA), 2);
    QCOMPARE(viOpen(rm, "TCPIP0::192.168.2.100::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    QCOMPARE(textAttr(vi, VI_ATTR_TCPIP_HOSTNAME), QString("lxi-carrier"));
    QCOMPARE(shortAttr(vi, VI_ATTR_SLOT), -1);
    viClose(rm);
}

void TestVisa::descriptorMatching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("resource");
    QTest::newRow("exact") << "TCPIP0::192.168.2.100::INSTR" << int(VI_SUCCESS)
                           << "TCPIP0::192.168.2.100::INSTR";
    QTest::newRow("board 0 implied")
        << "TCPIP::192.168.2.100::INSTR" << int(VI_SUCCESS) << "TCPIP0::192.168.2.100::INSTR";
    QTest::newRow("lower case") << "tcpip::192.168.2.100::instr" << int(VI_SUCCESS)
                                << "TCPIP0::192.168.2.100::INSTR";
    QTest::newRow("vxi no board") << "vxi::2::INSTR" << int(VI_SUCCESS) << "VXI0::2::INSTR";
    QTest::newRow("gpib-vxi") << "GPIB-VXI::3::INSTR" << int(VI_SUCCESS) << "GPIB-VXI0::3::INSTR";
    QTest::newRow("serial") << "asrl1::instr" << int(VI_SUCCESS) << "ASRL1::INSTR";
    QTest::newRow("other board") << "TCPIP1::192.168.2.100::INSTR" << int(VI_ERROR_RSRC_NFOUND)
                                 << "";
    QTest::newRow("absent") << "VXI0::9::INSTR" << int(VI_ERROR_RSRC_NFOUND) << "";
    QTest::newRow("not a descriptor") << "FOO0::1::INSTR" << int(VI_ERROR_INV_RSRC_NAME) << "";
    QTest::newRow("empty") << "" << int(VI_ERROR_INV_RSRC_NAME) << "";
}

void TestVisa::descriptorMatching()
{
    QFETCH(QString, name);
    QFETCH(int, status);
    QFETCH(QString, resource);
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();
    ViSession vi = 99;
    QCOMPARE(int(viOpen(rm, name.toLatin1().constData(), VI_NO_LOCK, 0, &vi)), status);
    if (status == VI_SUCCESS) {
        QCOMPARE(textAttr(vi, VI_ATTR_RSRC_NAME), resource);
        QCOMPARE(viClose(vi), VI_SUCCESS);
    } else {
        QCOMPARE(vi, 0u);
    }
    QCOMPARE(journalText(sim, "viOpen", {"rsrc", "status"}),
             QString("rsrc=%1 status=%2").arg(name).arg(status));
    viClose(rm);
}

void TestVisa::attributesPerInterface_data()
{
    QTest::addColumn<QString>("descriptor");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("board");
    QTest::addColumn<int>("slot"); // -1: no slot in the file
    QTest::addColumn<int>("la");
    QTest::newRow("vxi") << "VXI0::2::INSTR" << 2 << 0 << 2 << 8;
    QTest::newRow("gpib-vxi") << "GPIB-VXI0::3::INSTR" << 3 << 0 << 3 << -1;
    QTest::newRow("gpib") << "GPIB0::5::INSTR" << 1 << 0 << -1 << -1;
    QTest::newRow("asrl") << "ASRL1::INSTR" << 4 << 1 << -1 << -1;
    QTest::newRow("pxi") << "PXI0::10::INSTR" << 5 << 0 << -1 << -1;
    QTest::newRow("tcpip") << "TCPIP1::10.0.0.7::inst0::INSTR" << 6 << 1 << -1 << -1;
    QTest::newRow("usb") << "USB0::0x1234::0x5678::SN1::INSTR" << 7 << 0 << -1 << -1;
}

void TestVisa::attributesPerInterface()
{
    QFETCH(QString, descriptor);
    QFETCH(int, type);
    QFETCH(int, board);
    QFETCH(int, slot);
    QFETCH(int, la);
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();
    ViSession vi = 0;
    QCOMPARE(viOpen(rm, descriptor.toLatin1().constData(), VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    ViUInt16 intf = 0;
    QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
    QCOMPARE(int(intf), type);
    ViUInt16 number = 99;
    QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_NUM, &number), VI_SUCCESS);
    QCOMPARE(int(number), board);
    QCOMPARE(shortAttr(vi, VI_ATTR_SLOT), slot);
    QCOMPARE(shortAttr(vi, VI_ATTR_VXI_LA), la);
    QCOMPARE(shortAttr(vi, 0x3FFF0001), -1);
    QCOMPARE(viGetAttribute(rm, VI_ATTR_INTF_TYPE, &intf), VI_ERROR_NSUP_ATTR);
    QCOMPARE(viClose(vi), VI_SUCCESS);
    QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf), VI_ERROR_INV_OBJECT);
    viClose(rm);
}

void TestVisa::textAttributes()
{
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();
    ViSession vi = 0;
    QCOMPARE(viOpen(rm, "TCPIP0::192.168.2.100::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    QCOMPARE(textAttr(vi, VI_ATTR_TCPIP_ADDR), QString("192.168.2.100"));
    QCOMPARE(textAttr(vi, VI_ATTR_TCPIP_HOSTNAME), QString("lxi-carrier"));
    QCOMPARE(textAttr(vi, VI_ATTR_TCPIP_DEVICE_NAME), QString("inst0"));
    ViSession other = 0;
    QCOMPARE(viOpen(rm, "TCPIP1::10.0.0.7::inst0::INSTR", VI_NO_LOCK, 0, &other), VI_SUCCESS);
    QCOMPARE(textAttr(other, VI_ATTR_TCPIP_ADDR), QString("10.0.0.7"));
    QCOMPARE(textAttr(other, VI_ATTR_TCPIP_HOSTNAME), notSupported);
    QCOMPARE(textAttr(other, VI_ATTR_TCPIP_DEVICE_NAME), notSupported);
    const QList<QJsonObject> reads = sim.calls("viGetAttribute");
    QCOMPARE(reads.size(), 6);
    QCOMPARE(reads[1].value("value").toString(), QString("lxi-carrier"));
    QCOMPARE(reads[1].value("attr").toDouble(), double(VI_ATTR_TCPIP_HOSTNAME));
    viClose(rm);
}

void TestVisa::openDelayAndStatus()
{
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();
    ViSession vi = 0;
    QCOMPARE(viOpen(rm, "TCPIP0::10.0.0.30::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    QVERIFY(vi != 0);
    ViSession failed = 77;
    QCOMPARE(viOpen(rm, "TCPIP0::10.0.0.31::INSTR", VI_NO_LOCK, 0, &failed), ViStatus(-1073807343));
    QCOMPARE(failed, 0u);
    ViSession warned = 0;
    QCOMPARE(viOpen(rm, "TCPIP0::10.0.0.32::INSTR", VI_NO_LOCK, 0, &warned),
             VI_SUCCESS_DEV_NPRESENT);
    QVERIFY(warned != 0);
    ViUInt16 intf = 0;
    QCOMPARE(viGetAttribute(warned, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
    QCOMPARE(int(intf), VI_INTF_TCPIP);
    QCOMPARE(journalText(sim, "viOpen", {"session", "status"}),
             QString("session=%1 status=0; session? status=-1073807343; session=%2 status=%3")
                 .arg(vi)
                 .arg(warned)
                 .arg(VI_SUCCESS_DEV_NPRESENT));
    // The simulator sleeps at least the open delay before answering.
    QVERIFY(sim.calls("viOpen")[0].value("dur_ms").toDouble() >= 30.0);
    viClose(rm);
}

void TestVisa::closingTheResourceManagerClosesItsChildren()
{
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();
    const ViSession rm2 = openRm();
    QVERIFY(rm != rm2);
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar desc[VI_FIND_BUFLEN];
    QCOMPARE(viFindRsrc(rm, "?*", &list, &count, desc), VI_SUCCESS);
    ViSession vi = 0;
    ViSession kept = 0;
    QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    QCOMPARE(viOpen(rm2, "VXI0::1::INSTR", VI_NO_LOCK, 0, &kept), VI_SUCCESS);
    QCOMPARE(viClose(rm), VI_SUCCESS);
    ViUInt16 intf = 0;
    QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf), VI_ERROR_INV_OBJECT);
    QCOMPARE(viFindNext(list, desc), VI_ERROR_INV_OBJECT);
    QCOMPARE(viGetAttribute(kept, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
    QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_INV_OBJECT);
    QCOMPARE(viClose(rm), VI_ERROR_INV_OBJECT);
    QCOMPARE(viClose(VI_NULL), VI_WARN_NULL_OBJECT);
    QCOMPARE(viClose(rm2), VI_SUCCESS);
}

void TestVisa::statusDescriptions()
{
    SimFixture sim(wideSystem);
    ViChar desc[256];
    QCOMPARE(viStatusDesc(VI_NULL, VI_ERROR_RSRC_NFOUND, desc), VI_SUCCESS);
    QVERIFY(QString(desc).contains("not present"));
    QCOMPARE(viStatusDesc(VI_NULL, VI_ERROR_INV_OBJECT, desc), VI_SUCCESS);
    QVERIFY(QString(desc).contains("invalid"));
    QCOMPARE(viStatusDesc(VI_NULL, ViStatus(0xBFFF1234), desc), VI_WARN_UNKNOWN_STATUS);
    QCOMPARE(QString(desc), QString("Unknown status 0xBFFF1234"));
}

void TestVisa::badArguments()
{
    SimFixture sim(wideSystem);
    QCOMPARE(viOpenDefaultRM(nullptr), VI_ERROR_INV_PARAMETER);
    const ViSession rm = openRm();
    ViChar desc[VI_FIND_BUFLEN];
    ViFindList list = 0;
    ViUInt32 count = 0;
    QCOMPARE(viFindRsrc(rm, nullptr, &list, &count, desc), VI_ERROR_INV_PARAMETER);
    QCOMPARE(viFindRsrc(rm, "?*", &list, &count, nullptr), VI_ERROR_INV_PARAMETER);
    QCOMPARE(viFindRsrc(rm + 1000, "?*", &list, &count, desc), VI_ERROR_INV_OBJECT);
    QCOMPARE(viFindRsrc(0, "?*", &list, &count, desc), VI_ERROR_INV_OBJECT);
    // Without list and count pointers the search still answers the first match.
    QCOMPARE(viFindRsrc(rm, "ASRL?*", nullptr, nullptr, desc), VI_SUCCESS);
    QCOMPARE(QString(desc), QString("ASRL1::INSTR"));
    QCOMPARE(viFindNext(list, nullptr), VI_ERROR_INV_PARAMETER);
    ViSession vi = 0;
    QCOMPARE(viOpen(rm, nullptr, VI_NO_LOCK, 0, &vi), VI_ERROR_INV_PARAMETER);
    QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, nullptr), VI_ERROR_INV_PARAMETER);
    QCOMPARE(viOpen(rm, "VXI0::1::INSTR", 0x80, 0, &vi), VI_ERROR_INV_ACC_MODE);
    QCOMPARE(viOpen(vi, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_INV_OBJECT);
    QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    QCOMPARE(viGetAttribute(vi, VI_ATTR_SLOT, nullptr), VI_ERROR_INV_PARAMETER);
    QCOMPARE(viStatusDesc(VI_NULL, VI_SUCCESS, nullptr), VI_ERROR_INV_PARAMETER);
    // A session handle is never reused for another kind of object.
    QCOMPARE(viFindNext(vi, desc), VI_ERROR_INV_OBJECT);
    viClose(rm);
}

QTEST_GUILESS_MAIN(TestVisa)
#include "test_visa.moc"
