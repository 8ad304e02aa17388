#include "pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QFont brandFont(int pixelSize, QFont::Weight weight = QFont::Bold, qreal spacing = 0)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    if (spacing != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

QImage navyCanvas(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(brandNavy);
    return img;
}

// Large white letters with a soft lighter shadow, as on a printed badge.
void paintBadgeLetters(QPainter &p, const QRectF &box, const QString &text, int pixelSize,
                       bool italic)
{
    QFont f = brandFont(pixelSize, QFont::Black, 1);
    f.setItalic(italic);
    p.setFont(f);
    p.setPen(QColor(0x0d, 0x17, 0x33));
    p.drawText(box.translated(2, 2), Qt::AlignCenter, text);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, text);
}

} // namespace

void paintMarvaneEmblem(QPainter &p, const QRectF &box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 60.0, box.height() / 60.0);
    // Signal leads into and out of the ring.
    p.setPen(QPen(brandLightBlue, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(1, 30), QPointF(8, 30));
    p.drawLine(QPointF(52, 30), QPointF(59, 30));
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(30, 30), 22, 22);
    // The M, drawn as a sampled waveform.
    QPainterPath m;
    m.moveTo(16, 42);
    m.lineTo(21, 18);
    m.lineTo(30, 33);
    m.lineTo(39, 18);
    m.lineTo(44, 42);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(m);
    p.setPen(Qt::NoPen);
    p.setBrush(brandLightBlue);
    p.drawEllipse(QPointF(30, 33), 2.6, 2.6);
    p.restore();
}

QImage drawMarvaneLogo()
{
    QImage img = navyCanvas(86, 84);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintMarvaneEmblem(p, QRectF(15, 4, 56, 56));
    p.setFont(brandFont(11, QFont::Bold, 1.2));
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 61, 86, 16), Qt::AlignCenter, QStringLiteral("MARVANE"));
    p.setPen(QPen(brandLightBlue, 1));
    p.drawLine(QPointF(14, 78.5), QPointF(72, 78.5));
    return img;
}

QImage drawVxiLogo()
{
    QImage img = navyCanvas(146, 84);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Bus lines running through the letters.
    p.setPen(QPen(brandLightBlue, 2));
    for (int i = 0; i < 3; ++i) {
        const qreal y = 22.5 + 12 * i;
        p.drawLine(QPointF(8, y), QPointF(138, y));
        p.setBrush(brandLightBlue);
        p.drawEllipse(QPointF(8, y), 2.5, 2.5);
        p.drawEllipse(QPointF(138, y), 2.5, 2.5);
    }
    p.fillRect(QRectF(22, 12, 102, 46), brandNavy);
    paintBadgeLetters(p, QRectF(18, 6, 110, 56), QStringLiteral("VXI"), 46, true);
    // A backplane connector strip under the name.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0d, 0x17, 0x33));
    p.drawRoundedRect(QRectF(23, 64, 100, 12), 2, 2);
    p.setBrush(QColor(0xd4, 0xaf, 0x37));
    for (int i = 0; i < 16; ++i) {
        p.drawRect(QRectF(27 + 6 * i, 66.5, 3, 3));
        p.drawRect(QRectF(27 + 6 * i, 70.5, 3, 3));
    }
    return img;
}

QImage drawLxiLogo()
{
    QImage img = navyCanvas(121, 84);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBadgeLetters(p, QRectF(4, 4, 113, 54), QStringLiteral("LXI"), 44, false);
    // A small network: three instruments on one LAN segment.
    p.setPen(QPen(brandLightBlue, 2));
    p.drawLine(QPointF(16, 72), QPointF(105, 72));
    for (int i = 0; i < 3; ++i) {
        const qreal x = 30 + 30.5 * i;
        p.drawLine(QPointF(x, 72), QPointF(x, 64));
    }
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(brandNavy);
    for (int i = 0; i < 3; ++i) {
        const qreal x = 30 + 30.5 * i;
        p.drawRoundedRect(QRectF(x - 7, 58, 14, 8), 1.5, 1.5);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(brandLightBlue);
    p.drawEllipse(QPointF(16, 72), 2.5, 2.5);
    p.drawEllipse(QPointF(105, 72), 2.5, 2.5);
    return img;
}
