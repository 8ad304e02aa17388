#include <QtTest>

#include <QLineEdit>

#include "qm7240_dblctrl.h"

// The channel value control: every change of its value goes out with its
// channel number.
class TestDblCtrl : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void typedValue_data();
    void typedValue();
    void narrowedRange_data();
    void narrowedRange();
    void programmaticValue();
};

namespace {

QList<QPair<int, double>> emissions(const QSignalSpy &spy)
{
    QList<QPair<int, double>> list;
    for (const QList<QVariant> &args : spy)
        list << qMakePair(args.at(0).toInt(), args.at(1).toDouble());
    return list;
}

void typeInto(qm7240_dblCtrl &ctrl, const QString &text)
{
    ctrl.selectAll();
    QTest::keyClicks(&ctrl, text);
}

} // namespace

void TestDblCtrl::construction()
{
    qm7240_dblCtrl ctrl(3);
    QCOMPARE(ctrl.channel(), 3);
    QVERIFY(ctrl.keyboardTracking());
    QVERIFY(ctrl.parent() == nullptr);
}

void TestDblCtrl::typedValue_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("values");

    QTest::newRow("channel 7, 2.5") << 7 << "2.5" << QList<double>{2.0, 2.5};
    QTest::newRow("channel 16, 12.25") << 16 << "12.25" << QList<double>{1.0, 12.0, 12.2, 12.25};
    QTest::newRow("channel 1, -7.5") << 1 << "-7.5" << QList<double>{-7.0, -7.5};
}

void TestDblCtrl::typedValue()
{
    QFETCH(int, channel);
    QFETCH(QString, text);
    QFETCH(QList<double>, values);

    qm7240_dblCtrl ctrl(channel);
    ctrl.setDecimals(3);
    ctrl.setRange(-10.0, 24.0);
    ctrl.show();
    QSignalSpy spy(&ctrl, qOverload<int, double>(&qm7240_dblCtrl::valueChanged));

    typeInto(ctrl, text);

    // Each text the box accepts as a new value goes out at once, before editing ends.
    QList<QPair<int, double>> expected;
    for (double value : values)
        expected << qMakePair(channel, value);
    QCOMPARE(emissions(spy), expected);
    QCOMPARE(ctrl.value(), values.last());
}

void TestDblCtrl::narrowedRange_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("clamped");

    QTest::newRow("0 into 4-20 mA") << 0.0 << 4.0 << 20.0 << 4.0;
    QTest::newRow("22 into 0-20 mA") << 22.0 << 0.0 << 20.0 << 20.0;
}

void TestDblCtrl::narrowedRange()
{
    QFETCH(double, start);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, clamped);

    qm7240_dblCtrl ctrl(4);
    ctrl.setDecimals(3);
    ctrl.setRange(0.0, 24.0);
    ctrl.setValue(start);
    QSignalSpy spy(&ctrl, qOverload<int, double>(&qm7240_dblCtrl::valueChanged));

    ctrl.setRange(lo, hi);
    QCOMPARE(emissions(spy), (QList<QPair<int, double>>{{4, clamped}}));

    // A range that still holds the value changes nothing.
    ctrl.setRange(lo - 1.0, hi + 1.0);
    QCOMPARE(spy.count(), 1);
}

void TestDblCtrl::programmaticValue()
{
    qm7240_dblCtrl ctrl(6);
    ctrl.setDecimals(3);
    ctrl.setRange(0.0, 24.0);
    QSignalSpy spy(&ctrl, qOverload<int, double>(&qm7240_dblCtrl::valueChanged));

    ctrl.setValue(4.99995422293431);
    QCOMPARE(emissions(spy), (QList<QPair<int, double>>{{6, 5.0}}));
    QCOMPARE(ctrl.text(), QStringLiteral("5.000"));

    // Equal once rounded to the decimals: no new value, nothing emitted.
    ctrl.setValue(5.0002);
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestDblCtrl)
#include "test_dblctrl.moc"
