// VISA on the simulated system: resource expressions, resource names as VISA reads them,
// attributes, open delay and status, closing, status texts and bad arguments.
#include <QtTest>

#include "journaltext.h"
#include "simfixture.h"
#include "visa.h"
#include "visa_expression.h"

namespace {

// A serial number that makes the resource's expanded name exactly 255 characters, the most a
// VI_FIND_BUFLEN buffer holds.
const QByteArray longSerial(223, 'S');
const QString longUsb = "USB0::0x1234::0x5678::" + longSerial + "::INSTR";
const QString longUsbExpanded = "USB0::0x1234::0x5678::" + longSerial + "::0::INSTR";

const char wideSystemHead[] = R"(
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
const QString wideSystem = wideSystemHead + QStringLiteral("  - descriptor: \"%1\"\n").arg(longUsb);

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
                                                     "TCPIP0::10.0.0.32::INSTR",
                                                     longUsb}
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
    QTest::newRow("matched as expanded, listed as written")
        << "USB?*::0::INSTR" << QStringList{"USB0::0x1234::0x5678::SN1::INSTR", longUsb}
        << int(VI_SUCCESS);
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
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("resource"); // as the file writes it
    QTest::addColumn<QString>("expanded");
    const int ok = VI_SUCCESS;
    const int absent = VI_ERROR_RSRC_NFOUND;
    const int invalid = VI_ERROR_INV_RSRC_NAME;
    const QString lxi = "TCPIP0::192.168.2.100::INSTR";
    const QString lxiExpanded = "TCPIP0::192.168.2.100::inst0::INSTR";
    const QString usb = "USB0::0x1234::0x5678::SN1::INSTR";
    const QString usbExpanded = "USB0::0x1234::0x5678::SN1::0::INSTR";
    const struct
    {
        const char *row;
        QByteArray name;
        int status;
        int type;
        QString resource;
        QString expanded;
    } rows[] = {
        {"exact", "TCPIP0::192.168.2.100::INSTR", ok, VI_INTF_TCPIP, lxi, lxiExpanded},
        {"board 0 implied", "TCPIP::192.168.2.100::INSTR", ok, VI_INTF_TCPIP, lxi, lxiExpanded},
        {"lower case", "tcpip::192.168.2.100::instr", ok, VI_INTF_TCPIP, lxi, lxiExpanded},
        {"no class, no device", "TCPIP::192.168.2.100", ok, VI_INTF_TCPIP, lxi, lxiExpanded},
        {"device inst0 written out", "tcpip0::192.168.2.100::inst0::instr", ok, VI_INTF_TCPIP, lxi,
         lxiExpanded},
        {"device name in upper case", "TCPIP0::192.168.2.100::INST0", ok, VI_INTF_TCPIP, lxi,
         lxiExpanded},
        {"board 1, inst0 implied", "TCPIP1::10.0.0.7", ok, VI_INTF_TCPIP,
         "TCPIP1::10.0.0.7::inst0::INSTR", "TCPIP1::10.0.0.7::inst0::INSTR"},
        {"socket", "tcpip::10.0.0.9::05025::socket", ok, VI_INTF_TCPIP,
         "TCPIP0::10.0.0.9::5025::SOCKET", "TCPIP0::10.0.0.9::5025::SOCKET"},
        {"vxi no board, no class", "vxi::2", ok, VI_INTF_VXI, "VXI0::2::INSTR", "VXI0::2::INSTR"},
        {"leading zeros", "VXI00::002::INSTR", ok, VI_INTF_VXI, "VXI0::2::INSTR", "VXI0::2::INSTR"},
        {"gpib-vxi", "GPIB-VXI::3::INSTR", ok, VI_INTF_GPIB_VXI, "GPIB-VXI0::3::INSTR",
         "GPIB-VXI0::3::INSTR"},
        {"gpib", "gpib::5", ok, VI_INTF_GPIB, "GPIB0::5::INSTR", "GPIB0::5::INSTR"},
        {"serial", "asrl1", ok, VI_INTF_ASRL, "ASRL1::INSTR", "ASRL1::INSTR"},
        {"pxi function 0 written out", "PXI0::10::0", ok, VI_INTF_PXI, "PXI0::10::INSTR",
         "PXI0::10::0::INSTR"},
        {"usb ids in decimal and upper case", "usb::4660::0X5678::SN1", ok, VI_INTF_USB, usb,
         usbExpanded},
        {"usb interface 0 written out", "USB0::0x1234::0x5678::SN1::0::INSTR", ok, VI_INTF_USB, usb,
         usbExpanded},
        {"expanded to 255 characters", "USB::4660::22136::" + longSerial, ok, VI_INTF_USB, longUsb,
         longUsbExpanded},

        {"other board", "TCPIP1::192.168.2.100::INSTR", absent, 0, "", ""},
        {"other LAN device", "TCPIP::192.168.2.100::hislip0", absent, 0, "", ""},
        {"LAN device named instr", "TCPIP0::192.168.2.100::instr::INSTR", absent, 0, "", ""},
        {"other port", "TCPIP0::10.0.0.9::5026::SOCKET", absent, 0, "", ""},
        {"absent", "VXI0::9::INSTR", absent, 0, "", ""},
        {"gpib secondary 0 is not none", "GPIB0::5::0::INSTR", absent, 0, "", ""},
        {"usb serial compared exactly", "USB0::0x1234::0x5678::sn1::INSTR", absent, 0, "", ""},
        {"other usb interface", "USB0::0x1234::0x5678::SN1::1::INSTR", absent, 0, "", ""},

        {"not a descriptor", "FOO0::1::INSTR", invalid, 0, "", ""},
        {"empty", "", invalid, 0, "", ""},
        {"empty field", "VXI0::::INSTR", invalid, 0, "", ""},
        {"leading separator", "::VXI0::1::INSTR", invalid, 0, "", ""},
        {"trailing separator", "VXI0::1::INSTR::", invalid, 0, "", ""},
        {"doubled separator", "VXI0::1::::INSTR", invalid, 0, "", ""},
        {"stray colon", "VXI0:::1::INSTR", invalid, 0, "", ""},
        {"single colon", "VXI0:1::INSTR", invalid, 0, "", ""},
        {"too many fields", "VXI0::1::2::INSTR", invalid, 0, "", ""},
        {"no host", "TCPIP::INSTR", invalid, 0, "", ""},
        {"port without SOCKET", "TCPIP::10.0.0.9::5025", invalid, 0, "", ""},
        {"SOCKET on VXI", "VXI0::1::SOCKET", invalid, 0, "", ""},
        {"class not served", "GPIB0::INTFC", invalid, 0, "", ""},
        {"board beyond 16 bits", "VXI65536::1::INSTR", invalid, 0, "", ""},
        {"logical address 256", "VXI0::256::INSTR", invalid, 0, "", ""},
        {"gpib primary 31", "GPIB0::31::INSTR", invalid, 0, "", ""},
        {"octet 300", "TCPIP::192.168.2.300::INSTR", invalid, 0, "", ""},
        {"octet with leading zero", "TCPIP::192.168.02.100::INSTR", invalid, 0, "", ""},
        {"port 65536", "TCPIP::10.0.0.9::65536::SOCKET", invalid, 0, "", ""},
        {"usb id beyond 16 bits", "USB::0x12345::0x5678::SN1", invalid, 0, "", ""},
        {"23 digits", "VXI0::99999999999999999999999::INSTR", invalid, 0, "", ""},
        {"300 characters", "VXI0::" + QByteArray(286, '0') + "2::INSTR", invalid, 0, "", ""},
        {"expanded past 255 characters", "USB::4660::22136::" + longSerial + "S", invalid, 0, "",
         ""},
        {"newline", "VXI0::1::INSTR\n", invalid, 0, "", ""},
        {"tab", "VXI0::\t1::INSTR", invalid, 0, "", ""},
        {"delete", "VXI0::1::INSTR\x7f", invalid, 0, "", ""},
        {"space", "VXI0:: 1::INSTR", invalid, 0, "", ""},
        {"Latin-1 letter", "TCPIP::caf\xe9::INSTR", invalid, 0, "", ""},
        {"UTF-8 letter", "TCPIP::caf\xc3\xa9", invalid, 0, "", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(row.row) << row.name << row.status << row.type << row.resource
                               << row.expanded;
}

void TestVisa::descriptorMatching()
{
    QFETCH(QByteArray, name);
    QFETCH(int, status);
    QFETCH(int, type);
    QFETCH(QString, resource);
    QFETCH(QString, expanded);
    SimFixture sim(wideSystem);
    const ViSession rm = openRm();

    // Buffers larger than VI_FIND_BUFLEN: nothing past the standard size may be written.
    QByteArray rsrcClass(300, '#');
    QByteArray expandedName(300, '#');
    QByteArray alias(300, '#');
    ViUInt16 intfType = 99;
    ViUInt16 intfNum = 99;
    QCOMPARE(int(viParseRsrcEx(rm, name.constData(), &intfType, &intfNum, rsrcClass.data(),
                               expandedName.data(), alias.data())),
             status);
    for (const QByteArray *text : {&rsrcClass, &expandedName, &alias})
        QCOMPARE(text->mid(VI_FIND_BUFLEN), QByteArray(300 - VI_FIND_BUFLEN, '#'));
    QCOMPARE(QString::fromLatin1(expandedName.constData()), expanded);
    QCOMPARE(QString::fromLatin1(rsrcClass.constData()), expanded.section("::", -1));
    QCOMPARE(QString::fromLatin1(alias.constData()), QString());
    QCOMPARE(int(intfType), type);
    ViUInt16 shortType = 99;
    ViUInt16 shortNum = 99;
    QCOMPARE(int(viParseRsrc(rm, name.constData(), &shortType, &shortNum)), status);
    QCOMPARE(QList<int>({shortType, shortNum}), QList<int>({intfType, intfNum}));

    ViSession vi = 99;
    QCOMPARE(int(viOpen(rm, name.constData(), VI_NO_LOCK, 0, &vi)), status);
    if (status == VI_SUCCESS) {
        QCOMPARE(textAttr(vi, VI_ATTR_RSRC_NAME), resource);
        ViUInt16 number = 99;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_NUM, &number), VI_SUCCESS);
        QCOMPARE(number, intfNum);
        QCOMPARE(textAttr(vi, VI_ATTR_RSRC_CLASS), expanded.section("::", -1));
        QCOMPARE(viClose(vi), VI_SUCCESS);
    } else {
        QCOMPARE(vi, 0u);
        QCOMPARE(int(intfNum), 0);
    }
    const QString journalled = QStringLiteral("expanded_name%1 status=%2")
                                   .arg(status == VI_SUCCESS ? "=" + expanded : QStringLiteral("?"))
                                   .arg(status);
    QCOMPARE(journalText(sim, "viParseRsrcEx", {"expanded_name", "status"}), journalled);
    QCOMPARE(journalText(sim, "viParseRsrc", {"status"}), QString("status=%1").arg(status));
    QCOMPARE(journalText(sim, "viOpen", {"status"}), QString("status=%1").arg(status));
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
    ViUInt16 intf = 99;
    QCOMPARE(viParseRsrc(rm, nullptr, &intf, &intf), VI_ERROR_INV_PARAMETER);
    QCOMPARE(viParseRsrc(vi, "VXI0::1::INSTR", &intf, &intf), VI_ERROR_INV_OBJECT);
    QCOMPARE(viParseRsrcEx(rm + 1000, "VXI0::1::INSTR", &intf, &intf, desc, desc, desc),
             VI_ERROR_INV_OBJECT);
    QCOMPARE(intf, 0); // outputs cleared on failure
    // Every output may be left out.
    QCOMPARE(viParseRsrcEx(rm, "VXI0::1::INSTR", nullptr, nullptr, nullptr, nullptr, nullptr),
             VI_SUCCESS);
    // Nothing raises events here: none is enabled, no queue ever holds one.
    QCOMPARE(viDisableEvent(vi, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS);
    QCOMPARE(viDiscardEvents(vi, VI_ALL_ENABLED_EVENTS, VI_QUEUE | VI_SUSPEND_HNDLR),
             VI_SUCCESS_QUEUE_EMPTY);
    QCOMPARE(viDiscardEvents(rm, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS_QUEUE_EMPTY);
    QCOMPARE(viDisableEvent(vi, 0x3FFF200B, VI_QUEUE), VI_ERROR_INV_EVENT);
    QCOMPARE(viDisableEvent(vi, VI_ALL_ENABLED_EVENTS, 0), VI_ERROR_INV_MECH);
    QCOMPARE(viDiscardEvents(vi, VI_ALL_ENABLED_EVENTS, 8), VI_ERROR_INV_MECH);
    QCOMPARE(viDiscardEvents(vi + 1000, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_ERROR_INV_OBJECT);
    QCOMPARE(journalText(sim, "viDisableEvent", {"event_type", "mechanism", "status"}),
             QString("event_type=1073709055 mechanism=65535 status=0; event_type=1073684491 "
                     "mechanism=1 status=%1; event_type=1073709055 mechanism=0 status=%2")
                 .arg(VI_ERROR_INV_EVENT)
                 .arg(VI_ERROR_INV_MECH));
    // A session handle is never reused for another kind of object.
    QCOMPARE(viFindNext(vi, desc), VI_ERROR_INV_OBJECT);
    viClose(rm);
}

QTEST_GUILESS_MAIN(TestVisa)
#include "test_visa.moc"
