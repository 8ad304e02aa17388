#include "accessibility/qm6080fp_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>

#include "accessibility/clickablelabelaccessible.h"
#include "accessibility/qm6080fp_cardtreeaccessible.h"
#include "accessibility/qm6080fp_comboboxaccessible.h"
#include "accessibility/qm6080fp_ledaccessible.h"
#include "accessibility/qm6080fp_readonlyfieldaccessible.h"
#include "widgets/clickablelabel.h"
#include "widgets/qm6080fp_led.h"

namespace {

// The text the toolkit's What's This popup shows, which it keeps to itself:
// taken from the widget asked for it, so that the popup can say it to a
// screen reader. A click in What's This mode asks with a What's This event;
// Shift+F1 is a key press that the widget itself answers, or, without a
// text, passes on to its parent.
QString &whatsThisShown()
{
    static QString text;
    return text;
}

class whatsThisRecorder : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWidgetType())
            return false;
        bool asked = event->type() == QEvent::WhatsThis;
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            asked = key->key() == Qt::Key_F1 && (key->modifiers() & Qt::ShiftModifier);
        }
        const QString text = static_cast<QWidget *>(watched)->whatsThis();
        if (asked && !text.isEmpty())
            whatsThisShown() = text;
        return false;
    }
};

// The What's This popup: a tool tip, which Orca reads when F1 brought it.
class whatsThisAccessible : public QAccessibleWidget
{
public:
    explicit whatsThisAccessible(QWidget *popup) : QAccessibleWidget(popup, QAccessible::ToolTip) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return whatsThisShown();
        return QAccessibleWidget::text(t);
    }
};

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
        return new whatsThisAccessible(widget);
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
        if (QCoreApplication::instance())
            QCoreApplication::instance()->installEventFilter(
                new whatsThisRecorder(QCoreApplication::instance()));
        return true;
    }();
    (void)installed;
}

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
