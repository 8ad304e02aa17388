#include "xpmwriter.h"

#include <QFile>
#include <QTextStream>
#include <cstdio>

bool writeXpm(const QImage &image, const QList<QRgb> &palette, const QString &name,
              const QString &path)
{
    static const char keys[] = ".#abcdefghijklmnopqrstuvwxyz";
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    QList<QRgb> colours; // transparent first, then the palette
    colours << 0u;
    for (QRgb c : palette)
        colours << (c | 0xff000000u);
    if (colours.size() > int(sizeof(keys) - 1))
        return false;

    QStringList rows;
    for (int y = 0; y < img.height(); ++y) {
        QString row;
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            const int index = qAlpha(p) == 0 ? 0 : colours.indexOf(p | 0xff000000u);
            if (index < 0 || (index > 0 && qAlpha(p) != 255)) {
                std::fprintf(stderr, "%s: pixel %d,%d has colour #%08x outside the palette\n",
                             qPrintable(name), x, y, p);
                return false;
            }
            row += QLatin1Char(keys[index]);
        }
        rows << row;
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "/* XPM */\n";
    out << "static const char *" << name << "_xpm[] = {\n";
    out << "\"" << img.width() << ' ' << img.height() << ' ' << colours.size() << " 1\",\n";
    out << "\"" << keys[0] << " c None\",\n";
    for (int i = 1; i < colours.size(); ++i)
        out << "\"" << keys[i] << " c " << QString::asprintf("#%06x", colours[i] & 0xffffffu)
            << "\",\n";
    for (int i = 0; i < rows.size(); ++i)
        out << "\"" << rows[i] << "\"" << (i + 1 < rows.size() ? ",\n" : "\n");
    out << "};\n";
    return out.status() == QTextStream::Ok;
}
