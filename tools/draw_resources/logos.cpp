#include "pictures.h"

#include <QPainter>

QImage drawMarvaneLogo()
{
    QImage img(86, 84, QImage::Format_RGB32);
    img.fill(QColor("#1a2c5e"));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::white);
    QFont f("DejaVu Sans", 30, QFont::Bold);
    p.setFont(f);
    p.drawText(QRect(0, 0, 86, 64), Qt::AlignCenter, "M");
    f.setPointSize(8);
    p.setFont(f);
    p.drawText(QRect(0, 60, 86, 20), Qt::AlignCenter, "MARVANE");
    return img;
}

QImage drawVxiLogo()
{
    QImage img(146, 84, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor("#1a2c5e"));
    p.setFont(QFont("DejaVu Sans", 28, QFont::Bold));
    p.drawText(img.rect(), Qt::AlignCenter, "VXI");
    return img;
}

QImage drawLxiLogo()
{
    QImage img(121, 84, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor("#1a2c5e"));
    p.setFont(QFont("DejaVu Sans", 28, QFont::Bold));
    p.drawText(img.rect(), Qt::AlignCenter, "LXI");
    return img;
}
