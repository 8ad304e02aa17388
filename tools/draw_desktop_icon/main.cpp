// The panel's desktop icon: the card's sixteen output channels as a rising
// staircase, the way a DAC steps through its codes, on the navy of the
// Marvane header, with the model number below.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor navy(0x1c, 0x2b, 0x5a);
const QColor navyLight(0x2f, 0x45, 0x85);
const QColor stepGreen(0x5c, 0xd6, 0x8a);
const QColor lampRed(0xe0, 0x30, 0x30);

// Drawn on a 256-unit square and scaled, so every size has the same shape.
QImage drawIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient back(0, 0, 0, 256);
    back.setColorAt(0, navyLight);
    back.setColorAt(1, navy);
    p.setPen(QPen(QColor(0x0d, 0x16, 0x33), 4));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 36, 36);

    // Sixteen codes, each one step higher: the channel count of the card.
    QPainterPath stairs;
    const qreal left = 40, right = 216, bottom = 168, top = 52;
    const int steps = 16;
    const qreal w = (right - left) / steps;
    const qreal h = (bottom - top) / steps;
    stairs.moveTo(left, bottom);
    for (int i = 0; i < steps; ++i) {
        stairs.lineTo(left + i * w, bottom - (i + 1) * h);
        stairs.lineTo(left + (i + 1) * w, bottom - (i + 1) * h);
    }
    p.setPen(QPen(stepGreen, 9, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(stairs);

    // The output-error lamp of the panel.
    p.setPen(QPen(QColor(0x70, 0x10, 0x10), 3));
    p.setBrush(lampRed);
    p.drawEllipse(QPointF(62, 70), 15, 15);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(54);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(8, 176, 240, 64), Qt::AlignCenter, QStringLiteral("7240"));
    p.end();
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(DRAW_DESKTOP_ICON_DEFAULT_OUT);
    QDir().mkpath(out);
    for (int size : {48, 128, 256}) {
        const QString path = QDir(out).filePath(QStringLiteral("qm7240fp-%1.png").arg(size));
        if (!drawIcon(size).save(path)) {
            std::fprintf(stderr, "draw_desktop_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
