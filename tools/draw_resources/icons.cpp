#include "icons.h"

#include "xpmwriter.h"

#include <QDir>
#include <QImage>
#include <QHash>
#include <QPainter>
#include <cstdio>

namespace {

const QRgb grey = 0xff808080;
const QRgb red = 0xffff0000;
const QRgb blue = 0xff0000ff;
const QRgb white = 0xffffffff;
const QRgb black = 0xff000000;
const QRgb green = 0xff008000;
const QRgb darkRed = 0xff800000;

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

// Paints a character pattern cell by cell: every key in `colours` gives the
// colour of that letter, anything else stays transparent.
void paintPattern(QPainter &p, int x0, int y0, const char *const *rows, int count,
                  const QHash<char, QRgb> &colours)
{
    for (int y = 0; y < count; ++y)
        for (int x = 0; rows[y][x]; ++x)
            if (colours.contains(rows[y][x]))
                p.fillRect(x0 + x, y0 + y, 1, 1, QColor::fromRgba(colours[rows[y][x]]));
}

// Right-pointing triangle, one pixel wider per row towards the middle.
void paintTriangle(QPainter &p, int x0, int top, int bottom, QRgb colour)
{
    for (int y = top; y <= bottom; ++y) {
        const int len = qMin(y - top, bottom - y) + 1;
        p.fillRect(x0, y, len, 1, QColor::fromRgba(colour));
    }
}

QImage windowIcon()
{
    // A rack front panel: grey frame and knobs, white display with a trace,
    // a red and a blue lamp.
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.fillRect(0, 1, 16, 1, QColor::fromRgba(grey));
    p.fillRect(0, 14, 16, 1, QColor::fromRgba(grey));
    p.fillRect(0, 1, 1, 14, QColor::fromRgba(grey));
    p.fillRect(15, 1, 1, 14, QColor::fromRgba(grey));
    p.fillRect(2, 3, 8, 6, QColor::fromRgba(white));
    // trace on the display
    static const int trace[] = {7, 6, 5, 5, 6, 7, 7, 6};
    for (int i = 0; i < 8; ++i)
        p.fillRect(2 + i, trace[i] - 1, 1, 1, QColor::fromRgba(grey));
    p.fillRect(11, 3, 3, 2, QColor::fromRgba(red));
    p.fillRect(11, 6, 3, 2, QColor::fromRgba(blue));
    for (int i = 0; i < 4; ++i)
        p.fillRect(2 + 3 * i, 11, 2, 2, QColor::fromRgba(grey));
    p.fillRect(11, 9, 3, 1, QColor::fromRgba(white));
    return img;
}

QImage helpIcon()
{
    static const char *const arrow[] = {
        "X",        "XX",       "X.X",       "X..X",       "X...X",       "X....X",
        "X.....X",  "X......X", "X.......X", "X........X", "X.....XXXXX", "X..X..X",
        "X.X X..X", "XX  X..X", "X    X..X", "     X..X",  "      XX",
    };
    static const char *const question[] = {
        " XXXXX ", "XX...XX", "XX...XX", "....XX ", "...XX  ",
        "..XX   ", "..XX   ", "       ", "..XX   ", "..XX   ",
    };
    QImage img = blank(20, 17);
    QPainter p(&img);
    const QHash<char, QRgb> arrowColours{{'X', black}, {'.', white}};
    paintPattern(p, 0, 0, arrow, 17, arrowColours);
    paintPattern(p, 12, 1, question, 10, {{'X', black}});
    return img;
}

QImage singleShotIcon()
{
    QImage img = blank(12, 12);
    QPainter p(&img);
    paintTriangle(p, 3, 0, 11, green);
    return img;
}

QImage continuousIcon()
{
    QImage img = blank(12, 12);
    QPainter p(&img);
    paintTriangle(p, 1, 1, 10, green);
    paintTriangle(p, 6, 1, 10, green);
    return img;
}

QImage stopIcon()
{
    QImage img = blank(12, 12);
    QPainter p(&img);
    p.fillRect(0, 2, 12, 10, QColor::fromRgba(darkRed));
    return img;
}

QImage connectIcon()
{
    // A plug on a red lead about to enter a socket on a blue lead.
    static const char *const pattern[] = {
        "                ", "                ", "                ", "                ",
        "  GGGGG   GGGG  ", "  GGGGG   GGGG  ", "  GGGGGWW WGGG  ", "  GGGGG   GGGG  ",
        "RRGGGGG   GGGGBB", "RRGGGGG   GGGGBB", "  GGGGG   GGGG  ", "  GGGGGWW WGGG  ",
        "  GGGGG   GGGG  ", "  GGGGG   GGGG  ", "                ", "                ",
    };
    QImage img = blank(16, 16);
    QPainter p(&img);
    paintPattern(p, 0, 0, pattern, 16, {{'G', grey}, {'R', red}, {'B', blue}, {'W', white}});
    return img;
}

} // namespace

bool drawIcons(const QString &xpmDir)
{
    QDir().mkpath(xpmDir);
    struct Item
    {
        const char *name;
        QImage image;
        QList<QRgb> palette;
    };
    const Item items[] = {
        {"window_icon", windowIcon(), {grey, red, blue, white}},
        {"help_icon", helpIcon(), {black, white}},
        {"single_shot_icon", singleShotIcon(), {green}},
        {"continuous_icon", continuousIcon(), {green}},
        {"stop_icon", stopIcon(), {darkRed}},
        {"connect_icon", connectIcon(), {grey, red, blue, white}},
    };
    bool ok = true;
    for (const Item &item : items) {
        const QString path = xpmDir + "/" + item.name + ".xpm";
        if (!writeXpm(item.image, item.palette, item.name, path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok;
}
