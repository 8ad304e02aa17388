/* Three functions of the card driver, answering at once without touching the
   heap. The trace library forwards to them. */
#include <time.h>

#include "qm7240.h"

/* Opens card 1 only; on failure it leaves a stale number in *vi, as a driver
   may: nothing promises what *vi holds then. */
ViStatus qm7240_init(ViConstRsrc rsrcName, ViUInt16 fcNumber, ViBoolean idQuery,
                     ViBoolean resetInstr, ViSession *vi)
{
    (void)rsrcName;
    (void)idQuery;
    (void)resetInstr;
    *vi = 4242;
    return fcNumber == 1 ? VI_SUCCESS : VI_ERROR_RSRC_NFOUND;
}

/* Channel 16 takes 20 ms, as a slow card would. */
ViStatus qm7240_writeChannel(ViSession vi, ViInt32 channel, ViReal64 value)
{
    (void)value;
    if (channel == 16) {
        const struct timespec slow = {0, 20 * 1000 * 1000};
        nanosleep(&slow, NULL);
    }
    return vi == 4242 && channel >= 1 && channel <= 16 ? VI_SUCCESS : VI_ERROR_INV_OBJECT;
}

/* Channel 6 answers a warning, having written an output error into *status. */
ViStatus qm7240_getDACStatus(ViSession vi, ViInt32 channel, ViUInt16 *status)
{
    (void)vi;
    *status = channel == 6 ? 1 : 0;
    return channel == 6 ? VI_WARN_UNKNOWN_STATUS : VI_SUCCESS;
}
