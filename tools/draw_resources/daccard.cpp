#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

// The Vorilan 7240 16-channel DAC function card seen from above, its front
// panel folded towards the viewer along the bottom edge. Transparent around
// the card so the splash background shows through.
namespace {

const QColor pcbGreen(0x1b, 0x5a, 0x37);
const QColor pcbEdge(0x12, 0x40, 0x27);
const QColor trace(0x3c, 0x8a, 0x55);
const QColor copper(0xd4, 0xaf, 0x37);
const QColor chipBlack(0x1e, 0x1f, 0x22);
const QColor silk(0xf2, 0xf2, 0xe8);

qreal channelX(qreal ch)
{
    return 40 + ch * (372.0 / 15);
}

QFont smallFont(int pixelSize, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// An IC package with pins on the given sides and a silkscreen name.
void paintChip(QPainter &p, const QRectF &r, const QString &name, bool quad, int pins)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb8, 0xbc, 0xc2));
    const qreal pitchX = r.width() / (pins + 1);
    const qreal pitchY = r.height() / (pins + 1);
    for (int i = 1; i <= pins; ++i) {
        const qreal x = r.left() + i * pitchX;
        p.drawRect(QRectF(x - 0.75, r.top() - 2.5, 1.5, 2.5));
        p.drawRect(QRectF(x - 0.75, r.bottom(), 1.5, 2.5));
        if (quad) {
            const qreal y = r.top() + i * pitchY;
            p.drawRect(QRectF(r.left() - 2.5, y - 0.75, 2.5, 1.5));
            p.drawRect(QRectF(r.right(), y - 0.75, 2.5, 1.5));
        }
    }
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, QColor(0x34, 0x36, 0x3a));
    body.setColorAt(1, chipBlack);
    p.setBrush(body);
    p.drawRoundedRect(r, 1.5, 1.5);
    p.setBrush(QColor(0x44, 0x46, 0x4a));
    p.drawEllipse(QPointF(r.left() + 4, r.top() + 4), 1.5, 1.5);
    p.setPen(QColor(0xc8, 0xc8, 0xc8));
    p.setFont(smallFont(r.height() > 30 ? 9 : 7));
    p.drawText(r, Qt::AlignCenter, name);
}

void paintPassive(QPainter &p, qreal x, qreal y, bool vertical, const QColor &body)
{
    const QRectF r = vertical ? QRectF(x, y, 3, 6) : QRectF(x, y, 6, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xcf, 0xd2, 0xd6));
    p.drawRect(r);
    p.setBrush(body);
    p.drawRect(vertical ? r.adjusted(0, 1.5, 0, -1.5) : r.adjusted(1.5, 0, -1.5, 0));
}

void paintHole(QPainter &p, const QPointF &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(copper);
    p.drawEllipse(c, 6, 6);
    p.setBrush(QColor(0x55, 0x5a, 0x60));
    p.drawEllipse(c, 3.5, 3.5);
}

void paintScrew(QPainter &p, const QPointF &c)
{
    QRadialGradient head(c - QPointF(1.5, 1.5), 6);
    head.setColorAt(0, QColor(0xf4, 0xf5, 0xf7));
    head.setColorAt(1, QColor(0x8a, 0x90, 0x98));
    p.setPen(QPen(QColor(0x5c, 0x62, 0x6a), 0.8));
    p.setBrush(head);
    p.drawEllipse(c, 5, 5);
    p.setPen(QPen(QColor(0x4a, 0x4f, 0x56), 1.4));
    p.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0));
    p.drawLine(c + QPointF(0, -3), c + QPointF(0, 3));
}

// A coaxial channel connector seen head on: nut, insulator, centre pin.
void paintConnector(QPainter &p, const QPointF &c)
{
    QRadialGradient nut(c - QPointF(2, 2), 10);
    nut.setColorAt(0, QColor(0xfa, 0xfa, 0xf6));
    nut.setColorAt(1, QColor(0x9c, 0xa0, 0xa4));
    p.setPen(QPen(QColor(0x60, 0x64, 0x6a), 0.8));
    p.setBrush(nut);
    QPolygonF hex;
    for (int i = 0; i < 6; ++i) {
        const qreal a = M_PI / 6 + i * M_PI / 3;
        hex << c + QPointF(8.5 * std::cos(a), 8.5 * std::sin(a));
    }
    p.drawPolygon(hex);
    p.setBrush(QColor(0xb9, 0xbd, 0xc2));
    p.drawEllipse(c, 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xea, 0xe6, 0xd6));
    p.drawEllipse(c, 4, 4);
    p.setBrush(copper);
    p.drawEllipse(c, 1.6, 1.6);
}

void paintElectrolytic(QPainter &p, const QPointF &c, qreal r)
{
    QRadialGradient top(c - QPointF(r / 3, r / 3), r * 1.3);
    top.setColorAt(0, QColor(0x4a, 0x6f, 0xb8));
    top.setColorAt(1, QColor(0x1c, 0x30, 0x66));
    p.setPen(QPen(QColor(0x10, 0x18, 0x30), 0.8));
    p.setBrush(top);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(0xc0, 0xc8, 0xd8), 0.8));
    p.drawLine(c + QPointF(-r * 0.5, 0), c + QPointF(r * 0.5, 0));
    p.drawLine(c + QPointF(0, -r * 0.5), c + QPointF(0, r * 0.5));
}

void paintBoard(QPainter &p)
{
    const QRectF board(8, 4, 436, 146);
    p.setPen(QPen(pcbEdge, 2));
    QLinearGradient g(board.topLeft(), board.bottomRight());
    g.setColorAt(0, pcbGreen.lighter(112));
    g.setColorAt(1, pcbGreen);
    p.setBrush(g);
    p.drawRoundedRect(board, 5, 5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(trace.darker(130), 1));
    p.drawRoundedRect(board.adjusted(4, 4, -4, -4), 4, 4);

    const QPen tracePen(trace, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tracePen);
    // Serial bus from the controller to the four converters.
    for (int j = 0; j < 4; ++j) {
        const qreal y = 76 + 2.6 * j;
        QPainterPath bus;
        bus.moveTo(44 + 4 * j, 74);
        bus.lineTo(44 + 4 * j, y);
        bus.lineTo(404, y);
        p.drawPath(bus);
    }
    // Carrier connector to the controller.
    for (int j = 0; j < 6; ++j) {
        QPainterPath path;
        path.moveTo(130 + 5 * j, 22);
        path.lineTo(130 + 5 * j, 30 + 3 * j);
        path.lineTo(76, 30 + 3 * j);
        p.drawPath(path);
    }
    // Each converter output runs through an amplifier and a series
    // resistor to its connector on the front panel.
    for (int ch = 0; ch < 16; ++ch) {
        const int dac = ch / 4;
        const qreal dacCentre = channelX(4 * dac + 1.5);
        const qreal pin = dacCentre - 21 + 14 * (ch % 4);
        const qreal amp = (channelX(ch & ~1) + channelX(ch | 1)) / 2;
        const qreal ampPin = amp + (ch % 2 ? 4 : -4);
        QPainterPath in;
        in.moveTo(pin, 104);
        in.lineTo(pin, 107);
        in.lineTo(ampPin, 110);
        in.lineTo(ampPin, 113);
        p.drawPath(in);
        QPainterPath out;
        out.moveTo(ampPin, 122);
        out.lineTo(ampPin, 125);
        out.lineTo(channelX(ch), 130);
        out.lineTo(channelX(ch), 150);
        p.drawPath(out);
    }
    for (int ch = 0; ch < 16; ++ch) {
        paintPassive(p, channelX(ch) - 1.5, 131, true, QColor(0x30, 0x30, 0x30));
        p.setPen(Qt::NoPen);
        p.setBrush(copper);
        p.drawEllipse(QPointF(channelX(ch), 143), 1.8, 1.8);
        p.setPen(tracePen);
    }

    paintHole(p, QPointF(20, 16));
    paintHole(p, QPointF(432, 16));
    paintHole(p, QPointF(20, 136));
    paintHole(p, QPointF(432, 136));

    // Carrier connector along the rear edge.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xe4, 0xd8));
    p.drawRoundedRect(QRectF(120, 7, 200, 15), 2, 2);
    p.setBrush(QColor(0x2a, 0x2a, 0x2e));
    p.drawRect(QRectF(124, 10, 192, 9));
    p.setBrush(copper);
    for (int i = 0; i < 32; ++i) {
        p.drawRect(QRectF(126 + 6 * i, 11.5, 2.5, 2.5));
        p.drawRect(QRectF(126 + 6 * i, 15.5, 2.5, 2.5));
    }

    paintChip(p, QRectF(30, 26, 46, 46), QStringLiteral("MV240"), true, 10);
    paintChip(p, QRectF(94, 54, 14, 16), QString(), false, 3);
    QLinearGradient can(QPointF(0, 32), QPointF(0, 44));
    can.setColorAt(0, QColor(0xf0, 0xf2, 0xf4));
    can.setColorAt(1, QColor(0x98, 0x9e, 0xa6));
    p.setPen(QPen(QColor(0x70, 0x76, 0x7e), 0.8));
    p.setBrush(can);
    p.drawRoundedRect(QRectF(88, 32, 26, 12), 5, 5);

    // Power section: two regulators with their bulk capacitors.
    paintChip(p, QRectF(236, 34, 26, 18), QStringLiteral("LDO"), false, 3);
    paintChip(p, QRectF(276, 34, 26, 18), QStringLiteral("LDO"), false, 3);
    paintElectrolytic(p, QPointF(158, 46), 10);
    paintElectrolytic(p, QPointF(186, 46), 10);
    paintElectrolytic(p, QPointF(214, 46), 7);
    for (int i = 0; i < 4; ++i)
        paintPassive(p, 240 + 10 * i, 60, false, QColor(0xa0, 0x80, 0x50));

    for (int dac = 0; dac < 4; ++dac) {
        const qreal c = channelX(4 * dac + 1.5);
        paintChip(p, QRectF(c - 28, 86, 56, 18), QStringLiteral("DAC%1").arg(dac + 1), false, 10);
    }
    for (int amp = 0; amp < 8; ++amp) {
        const qreal c = (channelX(2 * amp) + channelX(2 * amp + 1)) / 2;
        paintChip(p, QRectF(c - 9, 113, 18, 9), QString(), false, 4);
    }

    // Silkscreen.
    p.setPen(silk);
    p.setFont(smallFont(10, true));
    p.drawText(QRectF(322, 28, 100, 13), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("VORILAN 7240"));
    p.setFont(smallFont(7));
    p.drawText(QRectF(322, 41, 100, 10), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("16-CH DAC  REV C"));
    p.setFont(smallFont(7, true));
    p.drawText(QRectF(322, 51, 100, 10), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("MARVANE"));
    p.setPen(QPen(silk, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(26, 22, 54, 54));
    p.setFont(smallFont(6));
    p.drawText(QRectF(118, 23, 30, 8), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("J1"));
}

void paintFrontPanel(QPainter &p)
{
    const QRectF panel(0, 148, 452, 44);
    // The fold between board and panel throws a narrow shadow.
    QLinearGradient shadow(0, 146, 0, 152);
    shadow.setColorAt(0, QColor(0, 0, 0, 0));
    shadow.setColorAt(1, QColor(0, 0, 0, 90));
    p.fillRect(QRectF(6, 146, 440, 4), shadow);

    QLinearGradient metal(panel.topLeft(), panel.bottomLeft());
    metal.setColorAt(0, QColor(0xe4, 0xe7, 0xeb));
    metal.setColorAt(0.45, QColor(0xcd, 0xd1, 0xd6));
    metal.setColorAt(1, QColor(0xa4, 0xaa, 0xb2));
    p.setPen(QPen(QColor(0x6e, 0x74, 0x7c), 1));
    p.setBrush(metal);
    p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.drawLine(QPointF(3, 149.5), QPointF(449, 149.5));

    // Navy legend strip with the channel numbers.
    p.setPen(Qt::NoPen);
    p.setBrush(brandNavy);
    // One legend strip per group of four channels.
    for (int group = 0; group < 4; ++group) {
        const qreal left = channelX(4 * group) - 11;
        const qreal right = channelX(4 * group + 3) + 11;
        p.drawRoundedRect(QRectF(left, 151, right - left, 11), 2, 2);
    }
    p.setPen(Qt::white);
    p.setFont(smallFont(8, true));
    for (int ch = 0; ch < 16; ++ch)
        p.drawText(QRectF(channelX(ch) - 12, 151, 24, 11), Qt::AlignCenter,
                   QString::number(ch + 1));
    for (int ch = 0; ch < 16; ++ch)
        paintConnector(p, QPointF(channelX(ch), 177));

    paintScrew(p, QPointF(13, 170));
    paintScrew(p, QPointF(439, 170));

    // Status lamps: power and access.
    QRadialGradient led(QPointF(12, 183), 3);
    led.setColorAt(0, QColor(0xb6, 0xff, 0xb0));
    led.setColorAt(1, QColor(0x1f, 0xa0, 0x2a));
    p.setPen(QPen(QColor(0x3a, 0x3e, 0x44), 0.6));
    p.setBrush(led);
    p.drawEllipse(QPointF(13, 184), 2.6, 2.6);
    QRadialGradient led2(QPointF(438, 183), 3);
    led2.setColorAt(0, QColor(0xff, 0xe0, 0x9a));
    led2.setColorAt(1, QColor(0xc8, 0x7a, 0x10));
    p.setBrush(led2);
    p.drawEllipse(QPointF(439, 184), 2.6, 2.6);
}

} // namespace

QImage drawDacCard()
{
    QImage img(452, 194, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBoard(p);
    paintFrontPanel(p);
    return img;
}
