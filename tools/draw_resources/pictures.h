#ifndef PICTURES_H
#define PICTURES_H

#include <QImage>

// Header bitmaps of the frame window.
QImage drawMarvaneLogo(); // 86 x 84
QImage drawVxiLogo();     // 146 x 84
QImage drawLxiLogo();     // 121 x 84

// Splash pictures.
QImage drawSplashBackground(); // 520 x 400
QImage drawDacCard();          // 452 x 194

#endif
