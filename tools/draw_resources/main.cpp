// Redraws every picture the soft front panel compiles in and assembles its
// licence texts. Usage: draw_resources [output folder]
#include "icons.h"
#include "licences.h"
#include "pictures.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>

namespace {

bool save(const QImage &image, const QString &path, const char *format)
{
    if (image.save(path, format))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Text drawing needs the fonts of a GUI application; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(DRAW_RESOURCES_DEFAULT_OUT);

    bool ok = drawIcons(out + "/xpm");
    ok = save(drawMarvaneLogo().convertToFormat(QImage::Format_RGB888), out + "/marvane-logo.bmp",
              "BMP") &&
         ok;
    ok = save(drawVxiLogo().convertToFormat(QImage::Format_RGB888), out + "/vxi-logo.bmp", "BMP") &&
         ok;
    ok = save(drawLxiLogo().convertToFormat(QImage::Format_RGB888), out + "/lxi-logo.bmp", "BMP") &&
         ok;
    ok = save(drawSplashBackground(), out + "/fp_splash.png", "PNG") && ok;
    ok = save(drawDacCard(), out + "/qm7240fp_splash.png", "PNG") && ok;
    ok = writeLicences(out, QStringLiteral("/usr/share/common-licenses")) && ok;
    return ok ? 0 : 1;
}
