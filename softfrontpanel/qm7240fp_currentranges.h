#ifndef QM7240FP_CURRENTRANGES_H
#define QM7240FP_CURRENTRANGES_H

#include "visa.h"

// The current ranges of a current group, in combo-box order; the card
// numbers them from 1 in the same order.
struct qm7240fp_currentRange_t
{
    const char *text;
    double lo; // mA
    double hi; // mA
};

constexpr qm7240fp_currentRange_t qm7240fp_currentRanges[] = {
    {"0-24mA", 0.0, 24.0},
    {"0-20mA", 0.0, 20.0},
    {"4-20mA", 4.0, 20.0},
};
constexpr int qm7240fp_currentRangeCount =
    int(sizeof(qm7240fp_currentRanges) / sizeof(qm7240fp_currentRanges[0]));

// A group's output type as the driver reports it: 0 for current, any other
// value for voltage.
constexpr bool qm7240fp_isCurrentType(ViInt32 type)
{
    return type == 0;
}

// The row whose limits the card reported, or -1 for limits that name none of
// the ranges (a NaN included).
int qm7240fp_currentRangeIndex(double lo, double hi);

#endif
