#include "qm7240fp_quantise.h"

#include <cmath>

qm7240fp_quantised_t qm7240fp_quantise(double value, double lo, double hi)
{
    // Written so that NaN limits fail the test too.
    if (!(hi > lo))
        return {0, lo};

    const double lsb = (hi - lo) / qm7240fp_maxCode;
    if (!std::isfinite(lsb) || lsb <= 0.0)
        return {0, lo};

    const double position = (value - lo) / lsb + 0.5;
    int code;
    // Clamp before converting: a double outside int's range (or NaN) has no
    // defined conversion.
    if (!(position >= 0.0))
        code = 0;
    else if (position >= qm7240fp_maxCode)
        code = qm7240fp_maxCode;
    else
        code = int(position);
    return {code, lo + code * lsb};
}
