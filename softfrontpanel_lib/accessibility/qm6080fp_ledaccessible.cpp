#include "accessibility/qm6080fp_ledaccessible.h"

#include "widgets/qm6080fp_led.h"

qm6080fp_ledAccessible::qm6080fp_ledAccessible(qm6080fp_led *led)
    : QAccessibleWidget(led, QAccessible::StaticText)
{}

qm6080fp_led *qm6080fp_ledAccessible::led() const
{
    return static_cast<qm6080fp_led *>(widget());
}

QString qm6080fp_ledAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name: {
        // A name given by the panel says which output the lamp watches; the
        // frame's lamp is named by its caption. The state comes with it, so
        // that however a screen reader reads the lamp, it never says the
        // name alone, which would sound like a fault on every channel.
        QString name = led()->accessibleName();
        if (name.isEmpty())
            name = led()->currentText().isEmpty() ? QStringLiteral("Lamp") : led()->currentText();
        return name + QStringLiteral(": ") + led()->stateText();
    }
    case QAccessible::Value:
        return led()->stateText();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State qm6080fp_ledAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = led()->currentValue() != 0 && !led()->isNotMonitored();
    if (led()->isNotMonitored())
        s.disabled = true;
    return s;
}

void *qm6080fp_ledAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString qm6080fp_ledAccessible::plainText() const
{
    return led()->stateText();
}
