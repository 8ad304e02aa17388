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

void qm6080fp_readOnlyFieldAccessible::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int qm6080fp_readOnlyFieldAccessible::cursorPosition() const
{
    return field()->cursorPosition();
}

void qm6080fp_readOnlyFieldAccessible::setCursorPosition(int position)
{
    field()->setCursorPosition(position);
}

QString qm6080fp_readOnlyFieldAccessible::text(int startOffset, int endOffset) const
{
    const QString all = field()->text();
    if (endOffset < 0 || endOffset > all.size())
        endOffset = int(all.size());
    startOffset = qBound(0, startOffset, endOffset);
    return all.mid(startOffset, endOffset - startOffset);
}

int qm6080fp_readOnlyFieldAccessible::characterCount() const
{
    return int(field()->text().size());
}

QString qm6080fp_readOnlyFieldAccessible::attributes(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}
