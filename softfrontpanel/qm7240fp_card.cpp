#include "qm7240fp_card.h"

#include "qm7240.h"
#include "session/qm6080fp_cardthread.h"

ViStatus qm7240fp_driverCard::getOutputRange(ViInt32 group, ViInt32 *type, ViReal64 *lo,
                                             ViReal64 *hi)
{
    return thread.call([&] { return qm7240_getOutputRange(vi, group, type, lo, hi); });
}

ViStatus qm7240fp_driverCard::setOutputRange(ViInt32 group, ViInt32 range)
{
    return thread.call([&] { return qm7240_setOutputRange(vi, group, range); });
}

ViStatus qm7240fp_driverCard::writeChannel(ViInt32 channel, ViReal64 value)
{
    return thread.call([&] { return qm7240_writeChannel(vi, channel, value); });
}

ViStatus qm7240fp_driverCard::getDACStatus(ViInt32 channel, ViUInt16 *stat)
{
    return thread.call([&] { return qm7240_getDACStatus(vi, channel, stat); });
}

ViStatus qm7240fp_driverCard::readSerialNo(ViUInt32 *serialNumber, ViChar subtype[])
{
    return thread.call([&] { return qm7240_readSerialNo(vi, serialNumber, subtype); });
}

ViStatus qm7240fp_driverCard::revisionQuery(ViChar driverRevision[], ViChar firmwareRevision[])
{
    return thread.call([&] { return qm7240_revision_query(vi, driverRevision, firmwareRevision); });
}

QString qm7240fp_driverCard::describe(ViStatus status)
{
    ViChar description[QM7240_ERROR_MESSAGE_LEN] = {};
    qm7240_error_message(0, status, description);
    description[QM7240_ERROR_MESSAGE_LEN - 1] = '\0';
    return QString::fromLatin1(description);
}
