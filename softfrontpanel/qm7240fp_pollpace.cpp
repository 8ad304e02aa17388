#include "qm7240fp_pollpace.h"

#include <cmath>

int qm7240fp_pollPauseMs(double lastReadMs)
{
    // A clock that went backwards, or a NaN, is no reason to stall the poll.
    if (!(lastReadMs >= 1.0))
        return 0;
    // The longest wait VISA allows is far below this; anything longer is a
    // clock gone wrong, not a read.
    constexpr double longest = 600000.0;
    // A millisecond more, for what the event loop and the read's own
    // bookkeeping take around the call.
    return static_cast<int>(std::ceil(std::fmin(lastReadMs, longest))) + 1;
}
