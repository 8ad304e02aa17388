#include "qm7240fp_valuemark.h"

#include <QAccessible>
#include <QColor>
#include <QComboBox>
#include <QPalette>
#include <QWidget>

namespace {

// Light amber: seen at a glance in Plastique and Fusion alike, and the value
// on it still readable.
const QColor unconfirmedBase(255, 214, 140);

} // namespace

void qm7240fp_markUnconfirmed(QWidget *control, const QString &help, bool unconfirmed)
{
    QString tip = help;
    if (unconfirmed) {
        QPalette palette = control->palette();
        palette.setColor(QPalette::Base, unconfirmedBase);
        // A combo box that is no entry paints itself as a button.
        if (qobject_cast<QComboBox *>(control))
            palette.setColor(QPalette::Button, unconfirmedBase);
        control->setPalette(palette);
        tip += QStringLiteral("\nThis value is not confirmed by the card: its last write failed "
                              "or was not made.");
    } else {
        // Back to the style's own colours.
        control->setPalette(QPalette());
    }
    control->setToolTip(tip);
    // A marked value says so to assistive technology too; an unmarked one
    // gives its tool tip, as before.
    const QString description = unconfirmed ? tip : QString();
    if (control->accessibleDescription() == description)
        return;
    control->setAccessibleDescription(description);
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(control, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
}
