#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>

QImage drawSplashBackground()
{
    QImage img(520, 400, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 400);
    g.setColorAt(0, QColor("#1a2c5e"));
    g.setColorAt(1, QColor("#0d1630"));
    p.fillRect(img.rect(), g);
    return img;
}
