#include "accessibility/qm6080fp_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

#include "accessibility/clickablelabelaccessible.h"
#include "accessibility/qm6080fp_cardtreeaccessible.h"
#include "accessibility/qm6080fp_comboboxaccessible.h"
#include "accessibility/qm6080fp_ledaccessible.h"
#include "accessibility/qm6080fp_readonlyfieldaccessible.h"
#include "accessibility/qm6080fp_whatsthisaccessible.h"
#include "widgets/clickablelabel.h"
#include "widgets/qm6080fp_led.h"

namespace {

QAccessibleInterface *panelAccessible(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    QWidget *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("qm6080fp_led"))
        return new qm6080fp_ledAccessible(static_cast<qm6080fp_led *>(widget));
    // A combo box that is no entry; an editable one keeps the toolkit's own,
    // whose entry a screen reader reads.
    if (className == QLatin1String("QComboBox") && !static_cast<QComboBox *>(widget)->isEditable())
        return new qm6080fp_comboBoxAccessible(static_cast<QComboBox *>(widget));
    if (className == QLatin1String("QLineEdit") && static_cast<QLineEdit *>(widget)->isReadOnly())
        return new qm6080fp_readOnlyFieldAccessible(static_cast<QLineEdit *>(widget));
    if (className == QLatin1String("QWhatsThat"))
        return qm6080fp_whatsThisPopupAccessible(widget);
    if (className == QLatin1String("qm6080fp_announcer"))
        return new QAccessibleWidget(widget, QAccessible::Notification);
    if (className == QLatin1String("clickableLabel"))
        return new clickableLabelAccessible(static_cast<clickableLabel *>(widget));
    if (className == QLatin1String("QTreeWidget") &&
        widget->objectName() == QLatin1String("qm6080fp_cardTree"))
        return new qm6080fp_cardTreeAccessible(static_cast<QTreeWidget *>(widget));
    // The frame is a plain top-level widget, which the toolkit would call a
    // filler; a screen reader announces it only as a window.
    if (className == QLatin1String("qm6080fp_app") && widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void qm6080fp_installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(panelAccessible);
        qm6080fp_recordWhatsThisShown();
        return true;
    }();
    (void)installed;
}
