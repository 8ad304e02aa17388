#include "accessibility/qm6080fp_whatsthisaccessible.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

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

} // namespace

void qm6080fp_recordWhatsThisShown()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(
            new whatsThisRecorder(QCoreApplication::instance()));
}

QAccessibleInterface *qm6080fp_whatsThisPopupAccessible(QWidget *popup)
{
    return new whatsThisAccessible(popup);
}
