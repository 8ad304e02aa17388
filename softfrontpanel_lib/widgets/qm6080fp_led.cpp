#include "widgets/qm6080fp_led.h"

#include "accessibility/qm6080fp_accessibility.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPainter>

qm6080fp_led::qm6080fp_led(const QString &text, const QColor &onColor, const QColor &offColor,
                           QWidget *parent)
    : QWidget(parent), onColor(onColor), thirdColor(Qt::black), text(text)
{
    // Magenta is the marker for "unlit": the lamp takes the panel background.
    this->offColor = offColor == QColor(Qt::magenta) ? palette().color(QPalette::Window) : offColor;
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    qm6080fp_installAccessibility();
}

qm6080fp_led::qm6080fp_led(const QString &text, const QString &onColorName, QWidget *parent)
    : QWidget(parent), onColor(onColorName.isNull() ? QStringLiteral("#FF0000") : onColorName),
      thirdColor(Qt::black), text(text)
{
    offColor = palette().color(QPalette::Window);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    qm6080fp_installAccessibility();
}

QSize qm6080fp_led::minimumSizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int h = metrics.height();
    return QSize(h + 1 + ((h + 1) >> 1) + metrics.horizontalAdvance(text), h + 2);
}

void qm6080fp_led::setValue(int newValue)
{
    if (newValue == value)
        return;
    const QString before = stateText();
    value = newValue;
    repaint();
    announce(before);
}

void qm6080fp_led::setText(const QString &newText)
{
    if (newText == text)
        return;
    text = newText;
    updateGeometry();
    repaint();
}

void qm6080fp_led::setOnColor(const QColor &color)
{
    onColor = color;
    repaint();
}

void qm6080fp_led::setOffColor(const QColor &color)
{
    offColor = color;
    repaint();
}

void qm6080fp_led::setThirdColor(const QColor &color)
{
    const QString before = stateText();
    thirdColor = color;
    thirdColorSet = true;
    repaint();
    announce(before);
}

void qm6080fp_led::toggleValue()
{
    const QString before = stateText();
    value = value == 0 ? 1 : 0;
    repaint();
    announce(before);
    emit valueToggled();
}

QString qm6080fp_led::stateText() const
{
    if (isNotMonitored())
        return QStringLiteral("not monitored");
    return value != 0 ? QStringLiteral("lit") : QStringLiteral("unlit");
}

void qm6080fp_led::announce(const QString &before)
{
    const QString after = stateText();
    if (after == before || !QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    changed.disabled =
        before == QLatin1String("not monitored") || after == QLatin1String("not monitored");
    QAccessibleStateChangeEvent stateChange(this, changed);
    QAccessible::updateAccessibility(&stateChange);
    QAccessibleTextUpdateEvent textChange(this, 0, before, after);
    QAccessible::updateAccessibility(&textChange);
    // The state is part of the name too.
    QAccessibleEvent nameChange(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChange);
}

QColor qm6080fp_led::lampColor() const
{
    if (value == 2 && thirdColorSet)
        return thirdColor;
    return value != 0 ? onColor : offColor;
}

void qm6080fp_led::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor background = painter.background().color();
    const QColor light = background.lighter(150);
    const QColor dark = background.darker(200);
    const QColor lamp = lampColor();

    const int h = fontMetrics().height();
    // Lamp and caption together sit in the middle of a wider widget.
    const int left = ((width() - minimumSizeHint().width()) >> 1) + 2;
    const qreal l = left;
    const qreal hr = h;

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawText(QPoint(left + h + (h >> 1), h - 1), text);

    if (h < 10) {
        // Too small for a bevel: one filled circle in the default pen.
        painter.setBrush(QBrush(lamp, Qt::SolidPattern));
        painter.drawChord(QRectF(l, 0, hr, hr), 0, 5760);
        return;
    }

    // Light upper-left and dark lower-right rings make the lamp look sunk
    // into the panel; the lit disc sits inside them.
    painter.setPen(light);
    painter.drawArc(QRectF(l, 0, hr, hr), 720, 2880);
    painter.drawArc(QRectF(l + 2, 2, hr - 4, hr - 4), 720, 2880);
    painter.setPen(dark);
    painter.drawArc(QRectF(l, 0, hr, hr), 3600, 2880);
    painter.drawArc(QRectF(l + 2, 2, hr - 4, hr - 4), 3600, 2880);
    painter.setPen(background);
    painter.drawArc(QRectF(l + 1, 1, hr - 2, hr - 2), 0, 5760);
    painter.setPen(lamp);
    painter.setBrush(QBrush(lamp, Qt::SolidPattern));
    painter.drawChord(QRectF(l + 3, 3, hr - 6, hr - 6), 0, 5760);
}
