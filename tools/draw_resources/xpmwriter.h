#ifndef XPMWRITER_H
#define XPMWRITER_H

#include <QImage>
#include <QString>

// Writes an image as C source in XPM form. Every pixel must be one of the
// colours in the palette (transparent pixels become "None"); the key letters
// are handed out in palette order so that redrawing gives identical files.
bool writeXpm(const QImage &image, const QList<QRgb> &palette, const QString &name,
              const QString &path);

#endif
