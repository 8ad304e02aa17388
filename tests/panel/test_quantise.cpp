#include <QtTest>

#include <cmath>
#include <limits>

#include "qm7240fp_quantise.h"

// The converters' 16-bit grid: 65535 steps between the range ends.
class TestQuantise : public QObject
{
    Q_OBJECT

private slots:
    void grid_data();
    void grid();
    void noGrid_data();
    void noGrid();
};

void TestQuantise::grid_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("quantised");

    QTest::newRow("0-24 mA, 5.0") << 5.0 << 0.0 << 24.0 << 13653 << 4.99995422293431;
    QTest::newRow("-10..10 V, 5.0") << 5.0 << -10.0 << 10.0 << 49151 << 4.9999237048905165;
    QTest::newRow("0-24 mA, lower end") << 0.0 << 0.0 << 24.0 << 0 << 0.0;
    QTest::newRow("0-24 mA, upper end") << 24.0 << 0.0 << 24.0 << 65535 << 24.0;
    QTest::newRow("4-20 mA, lower end") << 4.0 << 4.0 << 20.0 << 0 << 4.0;
    QTest::newRow("4-20 mA, upper end") << 20.0 << 4.0 << 20.0 << 65535 << 20.0;
    QTest::newRow("-10..10 V, lower end") << -10.0 << -10.0 << 10.0 << 0 << -10.0;
    QTest::newRow("-10..10 V, upper end") << 10.0 << -10.0 << 10.0 << 65535 << 10.0;
    QTest::newRow("0-1 V, middle") << 0.5 << 0.0 << 1.0 << 32768 << 0.5000076295109483;
    QTest::newRow("just under half an LSB rounds down") << 0.000183 << 0.0 << 24.0 << 0 << 0.0;
    QTest::newRow("just over half an LSB rounds up")
        << 0.000184 << 0.0 << 24.0 << 1 << 0.0003662165255207141;
    QTest::newRow("below the range") << -3.0 << 0.0 << 24.0 << 0 << 0.0;
    QTest::newRow("below 4 mA") << 0.0 << 4.0 << 20.0 << 0 << 4.0;
    QTest::newRow("above the range") << 30.0 << 0.0 << 24.0 << 65535 << 24.0;
    QTest::newRow("far above the range") << 1e300 << 0.0 << 24.0 << 65535 << 24.0;
    QTest::newRow("far below the range") << -1e300 << 0.0 << 24.0 << 0 << 0.0;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << -10.0 << 10.0 << 65535
                              << 10.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << -10.0 << 10.0 << 0
                                  << -10.0;
}

void TestQuantise::grid()
{
    QFETCH(double, value);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, code);
    QFETCH(double, quantised);

    const qm7240fp_quantised_t q = qm7240fp_quantise(value, lo, hi);
    QCOMPARE(q.code, code);
    QVERIFY2(std::fabs(q.value - quantised) < 1e-12, qPrintable(QString::number(q.value, 'g', 17)));
}

void TestQuantise::noGrid_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");

    QTest::newRow("equal limits at 0") << 5.0 << 0.0 << 0.0;
    QTest::newRow("equal limits at 3") << -2.0 << 3.0 << 3.0;
    QTest::newRow("reversed limits") << 3.0 << 5.0 << 1.0;
    QTest::newRow("reversed, value below both") << -100.0 << 10.0 << -10.0;
    QTest::newRow("upper limit not a number")
        << 1.0 << 0.0 << std::numeric_limits<double>::quiet_NaN();
}

void TestQuantise::noGrid()
{
    QFETCH(double, value);
    QFETCH(double, lo);
    QFETCH(double, hi);

    const qm7240fp_quantised_t q = qm7240fp_quantise(value, lo, hi);
    QCOMPARE(q.code, 0);
    QCOMPARE(q.value, lo);
}

QTEST_APPLESS_MAIN(TestQuantise)
#include "test_quantise.moc"
