#include "accessibility/clickablelabelaccessible.h"

#include "widgets/clickablelabel.h"

clickableLabelAccessible::clickableLabelAccessible(clickableLabel *label)
    : QAccessibleWidget(label, QAccessible::Link)
{
    addControllingSignal(QStringLiteral("clicked()"));
}

clickableLabel *clickableLabelAccessible::label() const
{
    return static_cast<clickableLabel *>(widget());
}

QString clickableLabelAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return label()->linkText();
    return QAccessibleWidget::text(t);
}

QStringList clickableLabelAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void clickableLabelAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction())
        label()->activate();
    else
        QAccessibleWidget::doAction(actionName);
}
