#ifndef QM7240FP_QUANTISE_H
#define QM7240FP_QUANTISE_H

// A value on the 16-bit grid of a DAC range: the converter code and the value
// it stands for.
struct qm7240fp_quantised_t
{
    int code;
    double value;
};

// Codes of the converters run from 0 to this.
constexpr int qm7240fp_maxCode = 65535;

// Puts `value` on the grid that divides lo..hi into 65535 steps, rounding to
// the nearest code. The code always stays within 0..65535; a range with
// hi <= lo (or a limit that is not a number) has no grid and gives code 0, lo.
qm7240fp_quantised_t qm7240fp_quantise(double value, double lo, double hi);

#endif
