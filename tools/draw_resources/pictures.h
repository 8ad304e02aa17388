#ifndef PICTURES_H
#define PICTURES_H

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

// Marvane brand colours.
const QColor brandNavy(0x1a, 0x2c, 0x5e);
const QColor brandLightBlue(0x7f, 0xa7, 0xe0);

// The Marvane emblem (a ring with a waveform M), scaled into `box`.
void paintMarvaneEmblem(QPainter &p, const QRectF &box);

// Header bitmaps of the frame window.
QImage drawMarvaneLogo(); // 86 x 84
QImage drawVxiLogo();     // 146 x 84
QImage drawLxiLogo();     // 121 x 84

// Splash pictures.
QImage drawSplashBackground(); // 520 x 400
QImage drawDacCard();          // 452 x 194

#endif
