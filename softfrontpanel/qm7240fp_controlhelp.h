#ifndef QM7240FP_CONTROLHELP_H
#define QM7240FP_CONTROLHELP_H

#include <QString>

// The What's This texts of a channel's value control and of its lamp, which
// are their tool tips too; n is the channel (1 to 16).
QString qm7240fp_ctrlHelp(int n);
QString qm7240fp_ledHelp(int n);

// One arrow click moves a value by this many converter steps.
constexpr double qm7240fp_lsbPerArrowClick = 100.0;

#endif
