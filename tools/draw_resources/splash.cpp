#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>

// Background shared by every card's splash: a navy band along the top and
// the left edge carrying the brand, a light stage for the card picture at
// x 67..519, y 38..236 and a light text column below it, where the splash
// label writes in black.
QImage drawSplashBackground()
{
    QImage img(520, 400, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient stage(0, 38, 0, 237);
    stage.setColorAt(0, QColor(0xe9, 0xee, 0xf6));
    stage.setColorAt(1, QColor(0xc9, 0xd4, 0xe6));
    p.fillRect(QRect(67, 38, 453, 199), stage);
    QRadialGradient glow(QPointF(293, 140), 230);
    glow.setColorAt(0, QColor(255, 255, 255, 150));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRect(67, 38, 453, 199), glow);

    QLinearGradient column(0, 237, 0, 400);
    column.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
    column.setColorAt(1, QColor(0xe4, 0xe9, 0xf2));
    p.fillRect(QRect(67, 237, 453, 163), column);

    // Brand bands.
    p.fillRect(QRect(0, 0, 520, 38), brandNavy);
    p.fillRect(QRect(0, 0, 67, 400), brandNavy);
    QLinearGradient edge(0, 0, 67, 0);
    edge.setColorAt(0, QColor(0x12, 0x1f, 0x45));
    edge.setColorAt(1, brandNavy);
    p.fillRect(QRect(0, 38, 67, 362), edge);
    p.fillRect(QRect(67, 236, 453, 2), brandNavy);
    p.fillRect(QRect(67, 36, 453, 2), brandLightBlue);
    p.fillRect(QRect(65, 38, 2, 362), brandLightBlue);
    p.fillRect(QRect(67, 394, 453, 6), brandNavy);

    paintMarvaneEmblem(p, QRectF(7, 3, 53, 53));

    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(17);
    f.setBold(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(80, 0, 300, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("MARVANE"));
    f.setPixelSize(12);
    f.setBold(false);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    p.setFont(f);
    p.setPen(brandLightBlue);
    p.drawText(QRect(200, 0, 306, 36), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Instrument Soft Front Panel"));

    // A column of test-signal traces down the left band.
    p.setPen(QPen(QColor(0x7f, 0xa7, 0xe0, 90), 1.5));
    for (int i = 0; i < 6; ++i) {
        const qreal y0 = 90 + 50 * i;
        QPolygonF wave;
        for (int x = 8; x <= 58; x += 2) {
            const qreal t = (x - 8) / 50.0;
            qreal y = y0;
            switch (i % 3) {
            case 0: // sine
                y += 9 * std::sin(t * 2 * M_PI);
                break;
            case 1: // square
                y += (t < 0.5 ? -8 : 8);
                break;
            default: // ramp
                y += 16 * (t - 0.5);
                break;
            }
            wave << QPointF(x, y);
        }
        p.drawPolyline(wave);
    }
    return img;
}
