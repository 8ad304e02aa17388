#include <QtTest>

#include <climits>
#include <random>
#include <vector>

#include "discovery/qm6080fp_descriptororder.h"

class TestOrdering : public QObject
{
    Q_OBJECT

private slots:
    void examples_data();
    void examples();
    void saturatingRead_data();
    void saturatingRead();
    void prefixAndNumbers_data();
    void prefixAndNumbers();
    void hugeNumbersSaturate_data();
    void hugeNumbersSaturate();
    void strictWeakOrder();
};

void TestOrdering::examples_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("aBeforeB");
    QTest::addColumn<bool>("bBeforeA");

    QTest::newRow("VXI board 0 before board 1") << "VXI0::1::INSTR"
                                                << "VXI1::0::INSTR" << true << false;
    QTest::newRow("VXI same board, logical addresses not looked at")
        << "VXI0::10::INSTR"
        << "VXI0::2::INSTR" << false << false;
    QTest::newRow("VXI board 2 before board 10") << "VXI2::1::INSTR"
                                                 << "VXI10::1::INSTR" << true << false;
    QTest::newRow("TCPIP last address part 20 before 100")
        << "TCPIP0::192.168.1.20::INSTR"
        << "TCPIP0::192.168.1.100::INSTR" << true << false;
    QTest::newRow("TCPIP first address part decides") << "TCPIP0::10.0.0.9::INSTR"
                                                      << "TCPIP0::9.0.0.10::INSTR" << false << true;
    QTest::newRow("TCPIP board before address") << "TCPIP1::1.1.1.1::INSTR"
                                                << "TCPIP0::9.9.9.9::INSTR" << false << true;
    QTest::newRow("different interfaces, ASRL before GPIB") << "ASRL1::INSTR"
                                                            << "GPIB0::1::INSTR" << true << false;
    QTest::newRow("lower-case tcpip is the same interface")
        << "tcpip0::192.168.0.2::INSTR"
        << "TCPIP0::192.168.0.1::INSTR" << false << true;
    QTest::newRow("USB is not numbered: text order") << "USB0::0x1234::INSTR"
                                                     << "USB0::0x0001::INSTR" << false << true;
    QTest::newRow("GPIB-VXI counts as GPIB board 0") << "GPIB-VXI0::8::INSTR"
                                                     << "GPIB0::1::INSTR" << false << false;
    QTest::newRow("GPIB-VXI before GPIB board 1") << "GPIB-VXI3::8::INSTR"
                                                  << "GPIB1::1::INSTR" << true << false;
    QTest::newRow("TCPIP host names tie on the board") << "TCPIP0::lxi-b::INSTR"
                                                       << "TCPIP0::lxi-a::INSTR" << false << false;
    QTest::newRow("identical descriptors") << "PXI0::3::INSTR"
                                           << "PXI0::3::INSTR" << false << false;
    QTest::newRow("no letters: text order") << "12::INSTR"
                                            << "9::INSTR" << true << false;
    QTest::newRow("empty before a named interface") << ""
                                                    << "VXI0::1::INSTR" << true << false;
    QTest::newRow("interface names in upper case decide across interfaces")
        << "tcpip0::192.168.0.1::INSTR"
        << "USB0::0x1::INSTR" << true << false;
    QTest::newRow("SOCKET and BACKPLANE are numbered") << "SOCKET10::x"
                                                       << "SOCKET9::x" << false << true;
    QTest::newRow("BACKPLANE boards") << "BACKPLANE1::INSTR"
                                      << "BACKPLANE01::INSTR" << false << false;
}

void TestOrdering::examples()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, aBeforeB);
    QFETCH(bool, bBeforeA);
    const QString aCopy = a;
    const QString bCopy = b;
    QCOMPARE(descriptorLessThan(a, b), aBeforeB);
    QCOMPARE(descriptorLessThan(b, a), bBeforeA);
    QCOMPARE(a, aCopy);
    QCOMPARE(b, bCopy);
}

void TestOrdering::saturatingRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("consumed");

    QTest::newRow("plain") << QByteArray("42::") << true << 42 << 2;
    QTest::newRow("leading blanks and sign") << QByteArray(" \t+7x") << true << 7 << 4;
    QTest::newRow("negative") << QByteArray("-15") << true << -15 << 3;
    QTest::newRow("sign alone") << QByteArray("-x") << false << 0 << 0;
    QTest::newRow("no digit") << QByteArray("::1") << false << 0 << 0;
    QTest::newRow("empty") << QByteArray("") << false << 0 << 0;
    QTest::newRow("INT_MAX") << QByteArray("2147483647") << true << INT_MAX << 10;
    QTest::newRow("one past INT_MAX") << QByteArray("2147483648") << true << INT_MAX << 10;
    QTest::newRow("far past INT_MAX")
        << QByteArray("99999999999999999999999999.") << true << INT_MAX << 26;
    QTest::newRow("INT_MIN") << QByteArray("-2147483648") << true << INT_MIN << 11;
    QTest::newRow("below INT_MIN") << QByteArray("-2147483649") << true << INT_MIN << 11;
    QTest::newRow("leading zeros") << QByteArray("000000000000000000012") << true << 12 << 21;
}

void TestOrdering::saturatingRead()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, read);
    QFETCH(int, value);
    QFETCH(int, consumed);
    const char *cursor = text.constData();
    int result = -123;
    QCOMPARE(scanSaturatingInt(&cursor, &result), read);
    QCOMPARE(int(cursor - text.constData()), consumed);
    QCOMPARE(result, read ? value : -123);
}

void TestOrdering::prefixAndNumbers_data()
{
    QTest::addColumn<QString>("descriptor");
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("board");
    QTest::addColumn<QList<int>>("tcpip");

    QTest::newRow("VXI") << "VXI0::5::INSTR" << QByteArray("VXI") << 0 << QList<int>{0, 5, 0, 0, 0};
    QTest::newRow("GPIB-VXI") << "GPIB-VXI0::5::INSTR" << QByteArray("GPIB") << 0
                              << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("lower case") << "tcpip3::10.1.2.3::INSTR" << QByteArray("TCPIP") << 3
                                << QList<int>{3, 10, 1, 2, 3};
    QTest::newRow("address") << "TCPIP0::192.168.1.20::INSTR" << QByteArray("TCPIP") << 0
                             << QList<int>{0, 192, 168, 1, 20};
    QTest::newRow("host name") << "TCPIP2::lxi-box::inst0::INSTR" << QByteArray("TCPIP") << 2
                               << QList<int>{2, 0, 0, 0, 0};
    QTest::newRow("short address")
        << "TCPIP1::10.7::INSTR" << QByteArray("TCPIP") << 1 << QList<int>{1, 10, 7, 0, 0};
    QTest::newRow("no board") << "TCPIP::1.2.3.4::INSTR" << QByteArray("TCPIP") << 0
                              << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("blank before board")
        << "ASRL 12::INSTR" << QByteArray("ASRL") << 12 << QList<int>{12, 0, 0, 0, 0};
    QTest::newRow("digits first") << "0VXI::1" << QByteArray("") << 0 << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("non-Latin-1 letters stop the prefix")
        << QString::fromUtf8("VX\u0416I3::1") << QByteArray("VX") << 0 << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("huge address parts")
        << "TCPIP0::99999999999.-99999999999.1.2::INSTR" << QByteArray("TCPIP") << 0
        << QList<int>{0, INT_MAX, INT_MIN, 1, 2};
}

void TestOrdering::prefixAndNumbers()
{
    QFETCH(QString, descriptor);
    QFETCH(QByteArray, prefix);
    QFETCH(int, board);
    QFETCH(QList<int>, tcpip);
    QCOMPARE(descriptorInterfacePrefix(descriptor), prefix);
    QCOMPARE(descriptorBoardNumber(descriptor), board);
    const std::array<int, 5> numbers = descriptorTcpipNumbers(descriptor);
    QCOMPARE(QList<int>(numbers.begin(), numbers.end()), tcpip);
}

void TestOrdering::hugeNumbersSaturate_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("aBeforeB");
    QTest::addColumn<bool>("bBeforeA");

    QTest::newRow("both beyond INT_MAX tie") << "VXI99999999999::1::INSTR"
                                             << "VXI2147483647::1::INSTR" << false << false;
    QTest::newRow("beyond INT_MAX after a small board") << "VXI99999999999::1::INSTR"
                                                        << "VXI5::1::INSTR" << false << true;
    QTest::newRow("below INT_MIN before zero") << "PXI-99999999999::1::INSTR"
                                               << "PXI0::1::INSTR" << true << false;
    QTest::newRow("huge address part after a small one")
        << "TCPIP0::4294967296.0.0.1::INSTR"
        << "TCPIP0::255.0.0.1::INSTR" << false << true;
}

void TestOrdering::hugeNumbersSaturate()
{
    examples();
}

namespace {

// Descriptors as VISA writes them and as a user or a strange system might:
// every interface, odd case, missing, huge, signed and blank-led numbers,
// host names and characters that end the letters early.
std::vector<QString> generatedDescriptors(int count)
{
    std::mt19937 random(7240);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    static const char *const interfaces[] = {"VXI", "GPIB",   "GPIB-VXI",  "TCPIP", "ASRL", "PXI",
                                             "USB", "SOCKET", "BACKPLANE", "VXIA",  "",     "FOO"};
    static const char *const boards[] = {"",   "0",  "1",   "2",           "10",          "-1",
                                         " 3", "+4", "007", "99999999999", "-99999999999"};
    static const char *const joints[] = {"::", "::", "::", "_", "~", "-", ":", ""};
    std::vector<QString> result;
    for (int i = 0; i < count; ++i) {
        QString name = QString::fromLatin1(interfaces[pick(12)]);
        switch (pick(6)) {
        case 0:
            name = name.toLower();
            break;
        case 1:
            if (!name.isEmpty())
                name[0] = name[0].toLower();
            break;
        default:
            break;
        }
        QString text =
            name + QString::fromLatin1(boards[pick(11)]) + QString::fromLatin1(joints[pick(8)]);
        switch (pick(4)) {
        case 0:
            text += QStringLiteral("%1.%2.%3.%4")
                        .arg(pick(300))
                        .arg(pick(3))
                        .arg(pick(3))
                        .arg(pick(300));
            break;
        case 1:
            text += QStringLiteral("lxi-%1").arg(pick(5));
            break;
        case 2:
            text += QString::number(pick(20));
            break;
        default:
            text += QStringLiteral("0x%1").arg(pick(4096), 4, 16, QLatin1Char('0'));
            break;
        }
        if (pick(2))
            text += QStringLiteral("::INSTR");
        result.push_back(text);
    }
    return result;
}

} // namespace

void TestOrdering::strictWeakOrder()
{
    const std::vector<QString> items = generatedDescriptors(2500);
    const size_t n = items.size();
    std::vector<char> less(n * n);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            less[i * n + j] = descriptorLessThan(items[i], items[j]);
    auto lt = [&](size_t i, size_t j) { return less[i * n + j] != 0; };

    // A relation is a strict weak order exactly when x < y holds whenever
    // fewer items lie below x than below y, and only then (this covers
    // irreflexivity, asymmetry and both transitivities).
    std::vector<int> below(n, 0);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            below[i] += lt(j, i) ? 1 : 0;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            if (lt(i, j) != (below[i] < below[j]))
                QFAIL(qPrintable("no strict weak order: " + items[i] + " / " + items[j]));
}

QTEST_APPLESS_MAIN(TestOrdering)
#include "test_ordering.moc"
