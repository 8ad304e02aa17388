#include "accessibility/qm6080fp_comboboxaccessible.h"

#include <QComboBox>
#include <QLabel>

qm6080fp_comboBoxAccessible::qm6080fp_comboBoxAccessible(QComboBox *box)
    : QAccessibleWidget(box, QAccessible::ComboBox)
{}

QComboBox *qm6080fp_comboBoxAccessible::box() const
{
    return static_cast<QComboBox *>(widget());
}

QString qm6080fp_comboBoxAccessible::labelText() const
{
    const QWidget *window = box()->window();
    for (const QLabel *label : window->findChildren<QLabel *>())
        if (label->buddy() == box())
            return label->text().remove(QLatin1Char('&')).trimmed();
    return QString();
}

QString qm6080fp_comboBoxAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    const QString label = box()->accessibleName().isEmpty() ? labelText() : box()->accessibleName();
    const QString item = box()->currentText();
    return label.isEmpty() ? item : item.isEmpty() ? label : label + QLatin1Char(' ') + item;
}

QVector<QPair<QAccessibleInterface *, QAccessible::Relation>>
qm6080fp_comboBoxAccessible::relations(QAccessible::Relation match) const
{
    auto found = QAccessibleWidget::relations(match);
    found.erase(std::remove_if(found.begin(), found.end(),
                               [](const QPair<QAccessibleInterface *, QAccessible::Relation> &r) {
                                   return r.second & QAccessible::Label;
                               }),
                found.end());
    return found;
}

void *qm6080fp_comboBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QStringList qm6080fp_comboBoxAccessible::actionNames() const
{
    return QStringList{showMenuAction(), pressAction()};
}

void qm6080fp_comboBoxAccessible::doAction(const QString &actionName)
{
    if (actionName == showMenuAction() || actionName == pressAction())
        box()->showPopup();
}

QVariant qm6080fp_comboBoxAccessible::currentValue() const
{
    return box()->currentIndex();
}

void qm6080fp_comboBoxAccessible::setCurrentValue(const QVariant &value)
{
    bool ok = false;
    const int index = value.toInt(&ok);
    if (!ok || index < 0 || index >= box()->count() || !box()->isEnabled())
        return;
    box()->setCurrentIndex(index);
    // A choice made through assistive technology is the user's, as one made
    // with the mouse or the keys: the box says so as it does for those.
    emit box()->activated(index);
    emit box()->textActivated(box()->itemText(index));
}

QVariant qm6080fp_comboBoxAccessible::maximumValue() const
{
    return qMax(0, box()->count() - 1);
}

QVariant qm6080fp_comboBoxAccessible::minimumValue() const
{
    return 0;
}
