#ifndef QM6080FP_ICONS_H
#define QM6080FP_ICONS_H

#include <QPixmap>

// The small pictures compiled in as XPM data.
namespace qm6080fp_icons {
QPixmap windowIcon();     // 16 x 16 front panel pictogram
QPixmap helpIcon();       // 20 x 17 What's This pointer
QPixmap singleShotIcon(); // 12 x 12
QPixmap continuousIcon(); // 12 x 12
QPixmap stopIcon();       // 12 x 12
QPixmap connectIcon();    // 16 x 16 two connectors
} // namespace qm6080fp_icons

#endif
