#include "widgets/clickablelabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "accessibility/qm6080fp_accessibility.h"

clickableLabel::clickableLabel(const QString &text, QWidget *parent)
    : QLabel(parent), plainText(text)
{
    // The text only once this is a clickableLabel: a label's setText tells
    // assistive technology, which would take it for a plain label for good.
    qm6080fp_installAccessibility();
    setText(QStringLiteral("<u><font color='#22e'>") + text + QStringLiteral("</font></u>"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void clickableLabel::activate()
{
    emit clicked();
}

void clickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // Every button counts, and the label's own release handling (text
    // selection, link activation) is not wanted here.
    event->accept();
    emit clicked();
}

void clickableLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        activate();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void clickableLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    // A link reached with Tab shows where the focus is, as a button does.
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = contentsRect();
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
