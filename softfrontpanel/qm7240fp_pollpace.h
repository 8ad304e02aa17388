#ifndef QM7240FP_POLLPACE_H
#define QM7240FP_POLLPACE_H

// The status poll reads one channel per step and gives the event loop its
// turn between two reads. Before the next step it pauses at least as long as
// the last read took, so that a slow card or link never holds the GUI thread
// for more than half of the time. A read under a millisecond pauses for no
// time: the next step then waits only for the events already queued.
int qm7240fp_pollPauseMs(double lastReadMs);

#endif
