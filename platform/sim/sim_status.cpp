#include "sim_status.h"

#include <cstdio>
#include <cstring>

#include "qm6080.h"
#include "qm7240.h"

namespace sim {

namespace {

#define STATUS(code, source, text)                                                                 \
    {                                                                                              \
        code, StatusSource::source, #code, text                                                    \
    }

const StatusEntry statusTable[] = {
    STATUS(VI_SUCCESS, Visa, "Operation completed successfully."),
    STATUS(VI_WARN_NULL_OBJECT, Visa, "The specified object reference is uninitialized."),
    STATUS(VI_WARN_NSUP_ATTR_STATE, Visa,
           "Although the specified state of the attribute is valid, it is not supported by this "
           "implementation."),
    STATUS(VI_WARN_UNKNOWN_STATUS, Visa,
           "The status code passed to the operation could not be "
           "interpreted."),
    STATUS(VI_WARN_CONFIG_NLOADED, Visa,
           "The specified configuration either does not exist or could not be loaded; the "
           "VISA-specified defaults are used."),
    STATUS(VI_SUCCESS_DEV_NPRESENT, Visa,
           "Session opened successfully, but the device at the specified address is not "
           "responding."),
    STATUS(VI_SUCCESS_QUEUE_EMPTY, Visa,
           "Operation completed successfully, but the queue was already empty."),
    STATUS(VI_ERROR_SYSTEM_ERROR, Visa,
           "Unknown system error (miscellaneous error); the instrument system could not be set "
           "up."),
    STATUS(VI_ERROR_INV_OBJECT, Visa, "The given session or object reference is invalid."),
    STATUS(VI_ERROR_RSRC_LOCKED, Visa,
           "Specified type of lock cannot be obtained, or specified operation cannot be "
           "performed, because the resource is locked."),
    STATUS(VI_ERROR_INV_EXPR, Visa, "Invalid expression specified for search."),
    STATUS(VI_ERROR_RSRC_NFOUND, Visa,
           "Insufficient location information or the requested device or resource is not "
           "present in the system."),
    STATUS(VI_ERROR_INV_RSRC_NAME, Visa, "Invalid resource reference specified. Parsing error."),
    STATUS(VI_ERROR_INV_ACC_MODE, Visa, "Invalid access mode."),
    STATUS(VI_ERROR_TMO, Visa, "Timeout expired before operation completed."),
    STATUS(VI_ERROR_CLOSING_FAILED, Visa,
           "Unable to deallocate the previously allocated data structures corresponding to this "
           "session or object reference."),
    STATUS(VI_ERROR_NSUP_ATTR, Visa,
           "The specified attribute is not defined or supported by the referenced session, event, "
           "or find list."),
    STATUS(VI_ERROR_INV_EVENT, Visa, "Specified event type is not supported by the resource."),
    STATUS(VI_ERROR_INV_MECH, Visa, "Invalid mechanism specified."),
    STATUS(VI_ERROR_ABORT, Visa, "User abort occurred during transfer."),
    STATUS(VI_ERROR_ALLOC, Visa,
           "Insufficient system resources to perform necessary memory allocation."),
    STATUS(VI_ERROR_IO, Visa, "Could not perform operation because of I/O error."),
    STATUS(VI_ERROR_NSUP_OPER, Visa,
           "The given session or object reference does not support this operation."),
    STATUS(VI_ERROR_USER_BUF, Visa,
           "A specified user buffer is not valid or cannot be accessed for the required size."),
    STATUS(VI_ERROR_RSRC_BUSY, Visa, "The resource is valid, but VISA cannot currently access it."),
    STATUS(VI_ERROR_INV_PARAMETER, Visa,
           "The value of some parameter (which parameter is not known) is invalid."),
    STATUS(VI_ERROR_CONN_LOST, Visa, "The connection for the given session has been lost."),

    STATUS(VI_ERROR_PARAMETER1, InstrumentDriver, "Parameter 1 out of range."),
    STATUS(VI_ERROR_PARAMETER2, InstrumentDriver, "Parameter 2 out of range."),
    STATUS(VI_ERROR_PARAMETER3, InstrumentDriver, "Parameter 3 out of range."),
    STATUS(VI_ERROR_PARAMETER4, InstrumentDriver, "Parameter 4 out of range."),
    STATUS(VI_ERROR_PARAMETER5, InstrumentDriver, "Parameter 5 out of range."),
    STATUS(VI_ERROR_FAIL_ID_QUERY, InstrumentDriver,
           "Instrument identification query failed: the card is not a model this driver serves."),
    STATUS(VI_ERROR_INV_RESPONSE, InstrumentDriver,
           "Errors or unexpected data in the response of the instrument."),
    STATUS(VI_WARN_NSUP_ID_QUERY, InstrumentDriver, "Identification query not supported."),
    STATUS(VI_WARN_NSUP_RESET, InstrumentDriver, "Reset not supported."),

    STATUS(QM6080_ERROR_NO_CARRIER, CommonLibrary, "No carrier answers behind this session."),
    STATUS(QM6080_ERROR_INV_CONTEXT, CommonLibrary,
           "The carrier context is not one the common library opened, or it is closed already."),
    STATUS(QM6080_ERROR_INV_CARD, CommonLibrary,
           "The card number names no occupied position of the carrier."),
    STATUS(QM6080_ERROR_INV_OFFSET, CommonLibrary,
           "The register offset lies outside the card's register space or is odd."),
    STATUS(QM6080_ERROR_NULL_POINTER, CommonLibrary, "A null pointer was passed."),

    STATUS(QM7240_ERROR_NO_CARRIER, CardDriver,
           "No carrier answers behind this resource descriptor."),
    STATUS(QM7240_ERROR_INV_FC_NUMBER, CardDriver,
           "The function card number is outside the positions of the carrier."),
    STATUS(QM7240_ERROR_NO_CARD, CardDriver,
           "There is no function card in this position of the carrier."),
    STATUS(QM7240_ERROR_INV_CHANNEL, CardDriver,
           "Invalid channel number: channels are numbered 1 to 16."),
    STATUS(QM7240_ERROR_INV_GROUP, CardDriver, "Invalid group number: groups are numbered 1 to 4."),
    STATUS(QM7240_ERROR_INV_RANGE, CardDriver,
           "Invalid output range: 1 = 0 to 24 mA, 2 = 0 to 20 mA, 3 = 4 to 20 mA."),
    STATUS(QM7240_ERROR_VALUE_RANGE, CardDriver,
           "The value lies outside the present output range of the channel."),
    STATUS(QM7240_ERROR_NOT_CURRENT_GROUP, CardDriver,
           "The group is a voltage output; only current groups have selectable ranges."),
    STATUS(QM7240_ERROR_NULL_POINTER, CardDriver, "A null pointer was passed."),
    STATUS(QM7240_WARN_UNKNOWN_STATUS, CardDriver, "The status code could not be interpreted."),
};

#undef STATUS

} // namespace

const StatusEntry *findStatus(ViStatus status)
{
    for (const StatusEntry &entry : statusTable)
        if (entry.status == status)
            return &entry;
    return nullptr;
}

std::string unknownStatusText(ViStatus status)
{
    char text[64];
    std::snprintf(text, sizeof text, "Unknown status 0x%08X", static_cast<unsigned>(status));
    return text;
}

void copyText(ViChar *buffer, size_t size, const std::string &text)
{
    if (buffer == nullptr || size == 0)
        return;
    const size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace sim
