#include "fontheight.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>

QFont fontWithHeight(int height, bool *found)
{
    QStringList families{QGuiApplication::font().family()};
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    families += QFontDatabase::families();
#else
    families += QFontDatabase().families();
#endif
    for (const QString &family : families) {
        QFont font(family);
        for (int pixels = 4; pixels <= 3 * height; ++pixels) {
            font.setPixelSize(pixels);
            if (QFontMetrics(font).height() == height) {
                *found = true;
                return font;
            }
        }
    }
    *found = false;
    return QGuiApplication::font();
}
