#ifndef ICONS_H
#define ICONS_H

#include <QString>

// The small frame pictures and the connect icon, written as XPM sources.
bool drawIcons(const QString &xpmDir);

#endif
