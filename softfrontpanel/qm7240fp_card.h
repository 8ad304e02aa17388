#ifndef QM7240FP_CARD_H
#define QM7240FP_CARD_H

#include <QString>

#include "visa.h"

class qm6080fp_cardThread;

// The calls the panel makes on its card's session, as its flows see them: the
// card's driver in the program, a made-up card in the tests. Texts go into
// buffers of the driver's sizes (qm7240.h).
class qm7240fp_card
{
public:
    virtual ~qm7240fp_card() = default;

    virtual ViStatus getOutputRange(ViInt32 group, ViInt32 *type, ViReal64 *lo, ViReal64 *hi) = 0;
    virtual ViStatus setOutputRange(ViInt32 group, ViInt32 range) = 0;
    virtual ViStatus writeChannel(ViInt32 channel, ViReal64 value) = 0;
    virtual ViStatus getDACStatus(ViInt32 channel, ViUInt16 *stat) = 0;
    virtual ViStatus readSerialNo(ViUInt32 *serialNumber, ViChar subtype[]) = 0;
    virtual ViStatus revisionQuery(ViChar driverRevision[], ViChar firmwareRevision[]) = 0;
    // The driver's description of a status (asked with no session).
    virtual QString describe(ViStatus status) = 0;
};

// The qm7240 driver on one session, each call made through the card thread:
// none once the window is going, and a call that takes long shows so.
class qm7240fp_driverCard : public qm7240fp_card
{
public:
    qm7240fp_driverCard(qm6080fp_cardThread &thread, ViSession vi) : thread(thread), vi(vi) {}

    ViStatus getOutputRange(ViInt32 group, ViInt32 *type, ViReal64 *lo, ViReal64 *hi) override;
    ViStatus setOutputRange(ViInt32 group, ViInt32 range) override;
    ViStatus writeChannel(ViInt32 channel, ViReal64 value) override;
    ViStatus getDACStatus(ViInt32 channel, ViUInt16 *stat) override;
    ViStatus readSerialNo(ViUInt32 *serialNumber, ViChar subtype[]) override;
    ViStatus revisionQuery(ViChar driverRevision[], ViChar firmwareRevision[]) override;
    QString describe(ViStatus status) override;

private:
    qm6080fp_cardThread &thread;
    ViSession vi;
};

#endif
