#ifndef QM7240FP_LINKSTATUS_H
#define QM7240FP_LINKSTATUS_H

#include "visa.h"

// Statuses that say the card's carrier cannot be reached (VISA's timeout, a
// connection lost or broken, a session the carrier no longer knows): every
// further call of the same action would wait out the same timeout, so the
// rest of that action is not attempted.
constexpr ViStatus qm7240fp_linkFailures[] = {VI_ERROR_TMO, VI_ERROR_CONN_LOST, VI_ERROR_IO,
                                              VI_ERROR_INV_OBJECT};

constexpr bool qm7240fp_isLinkFailure(ViStatus status)
{
    for (ViStatus failure : qm7240fp_linkFailures)
        if (status == failure)
            return true;
    return false;
}

// A status after which an action makes no further call: a link failure, or
// a call not made because the window is going (VI_ERROR_ABORT).
constexpr bool qm7240fp_endsAction(ViStatus status)
{
    return qm7240fp_isLinkFailure(status) || status == VI_ERROR_ABORT;
}

#endif
