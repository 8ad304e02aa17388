#ifndef FONTHEIGHT_H
#define FONTHEIGHT_H

#include <QFont>

// A font whose metrics height is exactly `height` pixels: the default family
// first, then every other installed family, at whole pixel sizes. `found`
// tells whether one exists.
QFont fontWithHeight(int height, bool *found);

#endif
