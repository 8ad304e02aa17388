#include "accessibility/qm6080fp_tellshown.h"

#include <QAccessible>
#include <QWidget>

void qm6080fp_tellShown(QWidget *window)
{
    if (!QAccessible::isActive())
        return;
    // A screen reader keeps what it learnt of a widget while its window was
    // hidden, "not visible" included, and no event of the toolkit changes
    // that: each widget shown gets a new accessible, which it asks afresh.
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisible())
            continue;
        QAccessibleEvent gone(widget, QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&gone);
        if (QAccessibleInterface *old = QAccessible::queryAccessibleInterface(widget))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
        QAccessibleEvent created(widget, QAccessible::ObjectCreated);
        QAccessible::updateAccessibility(&created);
    }
}
