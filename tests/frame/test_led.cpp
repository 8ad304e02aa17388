#include "fontheight.h"
#include "widgets/qm6080fp_led.h"

#include <QAccessible>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QSignalSpy>
#include <QTest>
#include <QtMath>

#include <functional>
#include <memory>

namespace {

// One drawing operation as the paint engine received it.
struct PaintCall
{
    enum Kind { Path, Text } kind;
    QPainterPath path;
    QPointF point;
    QString text;
    QPen pen;
    QBrush brush;
    bool antialiased;
};

// Paint engine that only writes down the paths and texts it is given, so the
// lamp's geometry can be compared with the drawing it is meant to make.
class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState &state) override
    {
        if (state.state() & DirtyPen)
            pen = state.pen();
        if (state.state() & DirtyBrush)
            brush = state.brush();
        if (state.state() & DirtyHints)
            hints = state.renderHints();
        if (state.state() & DirtyTransform)
            transform = state.transform();
    }
    void drawPath(const QPainterPath &path) override
    {
        calls.push_back({PaintCall::Path, transform.map(path), QPointF(), QString(), pen, brush,
                         bool(hints & QPainter::Antialiasing)});
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        calls.push_back({PaintCall::Text, QPainterPath(), transform.map(p), item.text(), pen, brush,
                         bool(hints & QPainter::Antialiasing)});
    }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint *, int, PolygonDrawMode) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}

    std::vector<PaintCall> calls;

private:
    QPen pen;
    QBrush brush;
    QPainter::RenderHints hints;
    QTransform transform;
};

// An image whose painter is the recording engine.
class RecordingDevice : public QImage
{
public:
    explicit RecordingDevice(QSize size) : QImage(size, QImage::Format_ARGB32) {}
    QPaintEngine *paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;
};

class CountingLed : public qm6080fp_led
{
public:
    using qm6080fp_led::qm6080fp_led;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        qm6080fp_led::paintEvent(event);
    }
};

std::vector<PaintCall> recordPaint(qm6080fp_led &led)
{
    RecordingDevice device(led.size());
    led.render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
    return device.engine.calls;
}

QPointF onEllipse(const QRectF &rect, qreal degrees)
{
    const qreal radians = qDegreesToRadians(degrees);
    return QPointF(rect.center().x() + rect.width() / 2 * qCos(radians),
                   rect.center().y() - rect.height() / 2 * qSin(radians));
}

bool found = false; // whether fontWithHeight found a font of the height asked for

bool near(const QPointF &a, const QPointF &b)
{
    return qAbs(a.x() - b.x()) < 1e-3 && qAbs(a.y() - b.y()) < 1e-3;
}

bool nearRect(const QRectF &a, const QRectF &b)
{
    return near(a.topLeft(), b.topLeft()) && near(a.bottomRight(), b.bottomRight());
}

// An arc of `span` degrees from `start` on the ellipse in `rect`: starts and
// ends on the ellipse at those angles and stays inside the rectangle.
void checkArc(const PaintCall &call, const QRectF &rect, qreal start, qreal span, const QColor &pen)
{
    QCOMPARE(call.kind, PaintCall::Path);
    QCOMPARE(call.pen.color(), pen);
    QVERIFY(call.antialiased);
    const QPainterPath &path = call.path;
    QVERIFY(path.elementCount() > 1);
    const QPointF first(path.elementAt(0).x, path.elementAt(0).y);
    const QPointF last(path.elementAt(path.elementCount() - 1).x,
                       path.elementAt(path.elementCount() - 1).y);
    QVERIFY2(near(first, onEllipse(rect, start)), "arc starts off its angle");
    QVERIFY2(near(last, onEllipse(rect, start + span)), "arc ends off its angle");
    const QRectF bounds = path.boundingRect();
    QVERIFY(bounds.left() >= rect.left() - 1e-3 && bounds.right() <= rect.right() + 1e-3);
    QVERIFY(bounds.top() >= rect.top() - 1e-3 && bounds.bottom() <= rect.bottom() + 1e-3);
    if (span >= 360)
        QVERIFY2(nearRect(bounds, rect), "full circle not in its rectangle");
    else
        QVERIFY2(bounds.width() > rect.width() * 0.8, "half ring too short");
}

} // namespace

class TestLed : public QObject
{
    Q_OBJECT

private slots:
    void constructorColours();
    void sizeHint_data();
    void sizeHint();
    void bevelGeometry_data();
    void bevelGeometry();
    void smallFontDisc();
    void renderedPixels();
    void valueColours();
    void repaintOnlyOnChange();
    void toggle();
};

void TestLed::constructorColours()
{
    qm6080fp_led magentaOff(QStringLiteral("Active"), Qt::green, Qt::magenta);
    QCOMPARE(magentaOff.currentOnColor(), QColor(Qt::green));
    QCOMPARE(magentaOff.currentOffColor(), magentaOff.palette().color(QPalette::Window));
    QVERIFY(magentaOff.currentOffColor() != QColor(Qt::magenta));
    QCOMPARE(magentaOff.currentValue(), 0);
    QCOMPARE(magentaOff.currentThirdColor(), QColor(Qt::black));
    QCOMPARE(magentaOff.currentText(), QStringLiteral("Active"));
    QCOMPARE(magentaOff.sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(magentaOff.sizePolicy().verticalPolicy(), QSizePolicy::Maximum);

    qm6080fp_led blueOff(QString(), Qt::red, QColor(0, 0, 128));
    QCOMPARE(blueOff.currentOffColor(), QColor(0, 0, 128));

    qm6080fp_led byNullName(QStringLiteral("x"), QString());
    QCOMPARE(byNullName.currentOnColor(), QColor(255, 0, 0));
    QCOMPARE(byNullName.currentOffColor(), byNullName.palette().color(QPalette::Window));
    QCOMPARE(byNullName.currentValue(), 0);

    qm6080fp_led byName(QStringLiteral("x"), QStringLiteral("#00ff00"));
    QCOMPARE(byName.currentOnColor(), QColor(0, 255, 0));

    qm6080fp_led byBadName(QStringLiteral("x"), QStringLiteral("no such colour"));
    QVERIFY(!byBadName.currentOnColor().isValid());
}

void TestLed::sizeHint_data()
{
    QTest::addColumn<int>("fontHeight");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("lampPart");

    // H + 1 + ((H + 1) >> 1) before the caption width.
    QTest::newRow("16 px, Active") << 16 << QStringLiteral("Active") << 25;
    QTest::newRow("16 px, no caption") << 16 << QString() << 25;
    QTest::newRow("13 px, Active") << 13 << QStringLiteral("Active") << 21;
    QTest::newRow("9 px, no caption") << 9 << QString() << 15;
}

void TestLed::sizeHint()
{
    QFETCH(int, fontHeight);
    QFETCH(QString, caption);
    QFETCH(int, lampPart);
    const QFont font = fontWithHeight(fontHeight, &found);
    QVERIFY2(found, "no font of that height");

    qm6080fp_led led(caption, Qt::green, Qt::magenta);
    led.setFont(font);
    const int captionWidth = QFontMetrics(font).horizontalAdvance(caption);
    QCOMPARE(led.minimumSizeHint(), QSize(lampPart + captionWidth, fontHeight + 2));
}

void TestLed::bevelGeometry_data()
{
    QTest::addColumn<int>("extraWidth");
    QTest::addColumn<int>("left");

    QTest::newRow("exact width") << 0 << 2;
    QTest::newRow("one wider") << 1 << 2;
    QTest::newRow("ten wider") << 10 << 7;
    QTest::newRow("three narrower") << -3 << 0;
}

void TestLed::bevelGeometry()
{
    QFETCH(int, extraWidth);
    QFETCH(int, left);
    const QFont font = fontWithHeight(16, &found);
    QVERIFY(found);

    qm6080fp_led led(QStringLiteral("Active"), Qt::green, Qt::magenta);
    led.setFont(font);
    led.resize(led.minimumSizeHint().width() + extraWidth, 18);
    led.setValue(1);
    const std::vector<PaintCall> calls = recordPaint(led);
    QCOMPARE(int(calls.size()), 7);

    const QColor background = led.palette().color(QPalette::Window);
    const QColor light = background.lighter(150);
    const QColor dark = background.darker(200);
    const qreal l = left;

    QCOMPARE(calls[0].kind, PaintCall::Text);
    QCOMPARE(calls[0].text, QStringLiteral("Active"));
    QCOMPARE(calls[0].point, QPointF(l + 24, 15));
    QCOMPARE(calls[0].pen.color(), led.palette().color(QPalette::WindowText));

    checkArc(calls[1], QRectF(l, 0, 16, 16), 45, 180, light);
    checkArc(calls[2], QRectF(l + 2, 2, 12, 12), 45, 180, light);
    checkArc(calls[3], QRectF(l, 0, 16, 16), 225, 180, dark);
    checkArc(calls[4], QRectF(l + 2, 2, 12, 12), 225, 180, dark);
    checkArc(calls[5], QRectF(l + 1, 1, 14, 14), 0, 360, background);
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(calls[i].brush.style(), Qt::NoBrush);
    checkArc(calls[6], QRectF(l + 3, 3, 10, 10), 0, 360, QColor(Qt::green));
    QCOMPARE(calls[6].brush.style(), Qt::SolidPattern);
    QCOMPARE(calls[6].brush.color(), QColor(Qt::green));
}

void TestLed::smallFontDisc()
{
    const QFont font = fontWithHeight(9, &found);
    QVERIFY(found);

    qm6080fp_led led(QStringLiteral("On"), Qt::red, Qt::magenta);
    led.setFont(font);
    led.resize(led.minimumSizeHint());
    led.setValue(1);
    const std::vector<PaintCall> calls = recordPaint(led);
    QCOMPARE(int(calls.size()), 2);
    QCOMPARE(calls[0].kind, PaintCall::Text);
    QCOMPARE(calls[0].text, QStringLiteral("On"));
    QCOMPARE(calls[0].point, QPointF(2 + 9 + 4, 8));
    checkArc(calls[1], QRectF(2, 0, 9, 9), 0, 360, led.palette().color(QPalette::WindowText));
    QCOMPARE(calls[1].brush.style(), Qt::SolidPattern);
    QCOMPARE(calls[1].brush.color(), QColor(Qt::red));
}

void TestLed::renderedPixels()
{
    const QFont font = fontWithHeight(16, &found);
    QVERIFY(found);

    qm6080fp_led led(QStringLiteral("Active"), QColor(0, 200, 0), Qt::magenta);
    led.setFont(font);
    led.resize(led.minimumSizeHint());
    led.setValue(1);
    QImage image(led.size(), QImage::Format_ARGB32);
    led.render(&image);

    const QColor background = led.palette().color(QPalette::Window);
    // Disc centre (L + 8, 8) with L = 2, lit.
    QCOMPARE(image.pixelColor(10, 8), QColor(0, 200, 0));
    QCOMPARE(image.pixelColor(7, 8), QColor(0, 200, 0));
    // Top of the outer bevel ring is light, its bottom dark.
    QVERIFY(image.pixelColor(10, 0).lightness() > background.lightness());
    QVERIFY(image.pixelColor(10, 15).lightness() < background.lightness());
    // Between the lamp and the caption there is only background.
    QCOMPARE(image.pixelColor(20, 8), background);

    led.setValue(0);
    led.render(&image);
    QCOMPARE(image.pixelColor(10, 8), background);
}

void TestLed::valueColours()
{
    const QFont font = fontWithHeight(16, &found);
    QVERIFY(found);

    qm6080fp_led led(QString(), Qt::red, Qt::blue);
    led.setFont(font);
    led.resize(led.minimumSizeHint());
    QImage image(led.size(), QImage::Format_ARGB32);
    const auto discColour = [&] {
        led.render(&image);
        return image.pixelColor(10, 8);
    };

    // What assistive technology reads: the state in the name and as text,
    // lit as checked, not monitored as unavailable.
    led.setAccessibleName(QStringLiteral("Channel 6 output error"));
    QAccessibleInterface *said = QAccessible::queryAccessibleInterface(&led);
    const auto reads = [said] {
        return QStringLiteral("%1 / %2%3%4")
            .arg(said->text(QAccessible::Name), said->textInterface()->text(0, -1),
                 said->state().checked ? QStringLiteral(" checked") : QString(),
                 said->state().disabled ? QStringLiteral(" disabled") : QString());
    };

    QCOMPARE(discColour(), QColor(Qt::blue));
    QCOMPARE(reads(), QStringLiteral("Channel 6 output error: unlit / unlit"));
    led.setValue(2);
    QCOMPARE(led.lampColor(), QColor(Qt::red));
    QCOMPARE(discColour(), QColor(Qt::red));
    QCOMPARE(reads(), QStringLiteral("Channel 6 output error: lit / lit checked"));
    led.setThirdColor(Qt::yellow);
    QCOMPARE(led.lampColor(), QColor(Qt::yellow));
    QCOMPARE(discColour(), QColor(Qt::yellow));
    QCOMPARE(reads(),
             QStringLiteral("Channel 6 output error: not monitored / not monitored disabled"));
    led.setValue(3);
    QCOMPARE(discColour(), QColor(Qt::red));
    QCOMPARE(reads(), QStringLiteral("Channel 6 output error: lit / lit checked"));
    led.setValue(-1);
    QCOMPARE(discColour(), QColor(Qt::red));
    led.setOnColor(Qt::cyan);
    QCOMPARE(discColour(), QColor(Qt::cyan));
    led.setValue(0);
    led.setOffColor(Qt::darkGray);
    QCOMPARE(discColour(), QColor(Qt::darkGray));
}

void TestLed::repaintOnlyOnChange()
{
    CountingLed led(QStringLiteral("Active"), Qt::green, Qt::magenta);
    led.resize(led.minimumSizeHint());
    led.show();
    QVERIFY(QTest::qWaitForWindowExposed(&led));
    QCoreApplication::processEvents();

    led.paints = 0;
    // Each step and the paint count after it: colours repaint even when unchanged.
    const std::vector<std::pair<std::function<void()>, int>> steps{
        {[&] { led.setValue(0); }, 0},
        {[&] { led.setValue(1); }, 1},
        {[&] { led.setValue(1); }, 1},
        {[&] { led.setText(QStringLiteral("Active")); }, 1},
        {[&] { led.setText(QStringLiteral("Busy")); }, 2},
        {[&] { led.setOnColor(Qt::green); }, 3},
        {[&] { led.setOffColor(led.currentOffColor()); }, 4},
        {[&] { led.setThirdColor(Qt::black); }, 5},
        {[&] { led.toggleValue(); }, 6}};
    for (const auto &step : steps) {
        step.first();
        QCOMPARE(led.paints, step.second);
    }
    QCOMPARE(led.currentText(), QStringLiteral("Busy"));
}

void TestLed::toggle()
{
    qm6080fp_led led(QString(), Qt::red, Qt::magenta);
    QSignalSpy toggled(&led, &qm6080fp_led::valueToggled);
    led.toggleValue();
    QCOMPARE(led.currentValue(), 1);
    led.toggleValue();
    QCOMPARE(led.currentValue(), 0);
    led.setValue(5);
    led.toggleValue();
    QCOMPARE(led.currentValue(), 0);
    QCOMPARE(toggled.count(), 3);
    led.setValue(1);
    QCOMPARE(toggled.count(), 3);
    // toggleValue is a slot.
    QVERIFY(QMetaObject::invokeMethod(&led, "toggleValue"));
    QCOMPARE(toggled.count(), 4);
}

QTEST_MAIN(TestLed)
#include "test_led.moc"
