#include "qm7240fp_currentranges.h"

#include <cmath>

int qm7240fp_currentRangeIndex(double lo, double hi)
{
    constexpr double tolerance = 1e-6; // mA
    for (int i = 0; i < qm7240fp_currentRangeCount; ++i)
        if (std::fabs(lo - qm7240fp_currentRanges[i].lo) <= tolerance &&
            std::fabs(hi - qm7240fp_currentRanges[i].hi) <= tolerance)
            return i;
    return -1;
}
