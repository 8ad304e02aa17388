#include "accessibility/qm6080fp_readonlyfieldaccessible.h"

#include <QLineEdit>

qm6080fp_readOnlyFieldAccessible::qm6080fp_readOnlyFieldAccessible(QLineEdit *field)
    : QAccessibleWidget(field, QAccessible::EditableText)
{}

QLineEdit *qm6080fp_readOnlyFieldAccessible::field() const
{
    return static_cast<QLineEdit *>(widget());
}

QAccessible::State qm6080fp_readOnlyFieldAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.selectableText = true;
    return s;
}

void *qm6080fp_readOnlyFieldAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString qm6080fp_readOnlyFieldAccessible::plainText() const
{
    return field()->text();
}

int qm6080fp_readOnlyFieldAccessible::cursorPosition() const
{
    return field()->cursorPosition();
}

void qm6080fp_readOnlyFieldAccessible::setCursorPosition(int position)
{
    field()->setCursorPosition(position);
}
