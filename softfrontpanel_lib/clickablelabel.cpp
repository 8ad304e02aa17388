#include "clickablelabel.h"

#include <QMouseEvent>

clickableLabel::clickableLabel(const QString &text, QWidget *parent)
    : QLabel(QStringLiteral("<u><font color='#22e'>") + text + QStringLiteral("</font></u>"),
             parent)
{
    setCursor(Qt::PointingHandCursor);
}

void clickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // Every button counts, and the label's own release handling (text
    // selection, link activation) is not wanted here.
    event->accept();
    emit clicked();
}
