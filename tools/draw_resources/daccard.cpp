#include "pictures.h"

#include <QPainter>

QImage drawDacCard()
{
    QImage img(452, 194, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.fillRect(20, 20, 380, 160, QColor("#1f6e3a"));
    p.fillRect(400, 10, 40, 180, QColor("#b0b4b8"));
    for (int i = 0; i < 16; ++i)
        p.fillRect(410, 18 + 10 * i, 20, 8, QColor("#d4af37"));
    return img;
}
