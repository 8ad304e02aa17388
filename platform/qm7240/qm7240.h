/*
 * Instrument driver of the Vorilan 7240, a 16-channel DAC function card.
 * Channels 1 to 16 form four groups of four (channels 4g-3 to 4g are group g).
 * A group is a current output (0 to 24 mA, 0 to 20 mA or 4 to 20 mA, values in
 * amperes) or a voltage output with fixed limits (values in volts).
 *
 * Every call on a card crosses its carrier's link (a bus, a bridge, a LAN).
 * On the simulated system a resource's `link` adds its latency to each call;
 * while the link is down a call waits for VISA's I/O timeout and returns
 * VI_ERROR_TMO (or, where the window loses the connection, VI_ERROR_CONN_LOST
 * at once), as a driver that passes VISA's status through does, and
 * qm7240_error_message describes it in VISA's words. qm7240_close frees its
 * session all the same.
 */
#ifndef QM7240_H
#define QM7240_H

#include "visa.h"

#ifdef __cplusplus
extern "C" {
#endif

#define QM7240_MODEL_CODE 0x7240
#define QM7240_RAW_MODEL_CODE 0x4C5E

#define QM7240_CHANNELS 16
#define QM7240_GROUPS 4

/* Output types reported by qm7240_getOutputRange */
#define QM7240_OUTPUT_CURRENT 0
#define QM7240_OUTPUT_VOLTAGE 1

/* Current ranges of qm7240_setOutputRange */
#define QM7240_RANGE_0_24MA 1
#define QM7240_RANGE_0_20MA 2
#define QM7240_RANGE_4_20MA 3

/* Buffer sizes the caller provides */
#define QM7240_SUBTYPE_LEN 8
#define QM7240_FIRMWARE_REV_LEN 16
#define QM7240_DRIVER_REV_LEN 24
#define QM7240_ERROR_MESSAGE_LEN 1024

/* VXIplug&play instrument driver statuses */
#define VI_ERROR_PARAMETER1 ((ViStatus)0xBFFC0001L)
#define VI_ERROR_PARAMETER2 ((ViStatus)0xBFFC0002L)
#define VI_ERROR_PARAMETER3 ((ViStatus)0xBFFC0003L)
#define VI_ERROR_PARAMETER4 ((ViStatus)0xBFFC0004L)
#define VI_ERROR_PARAMETER5 ((ViStatus)0xBFFC0005L)
#define VI_ERROR_FAIL_ID_QUERY ((ViStatus)0xBFFC0011L)
#define VI_ERROR_INV_RESPONSE ((ViStatus)0xBFFC0012L)
#define VI_WARN_NSUP_ID_QUERY ((ViStatus)0x3FFC0101L)
#define VI_WARN_NSUP_RESET ((ViStatus)0x3FFC0102L)

/* Statuses of this driver */
#define QM7240_ERROR_OFFSET ((ViStatus)0xBFFC0900L)
#define QM7240_ERROR_NO_CARRIER ((ViStatus)(QM7240_ERROR_OFFSET + 0x01))
#define QM7240_ERROR_INV_FC_NUMBER ((ViStatus)(QM7240_ERROR_OFFSET + 0x02))
#define QM7240_ERROR_NO_CARD ((ViStatus)(QM7240_ERROR_OFFSET + 0x03))
#define QM7240_ERROR_INV_CHANNEL ((ViStatus)(QM7240_ERROR_OFFSET + 0x04))
#define QM7240_ERROR_INV_GROUP ((ViStatus)(QM7240_ERROR_OFFSET + 0x05))
#define QM7240_ERROR_INV_RANGE ((ViStatus)(QM7240_ERROR_OFFSET + 0x06))
#define QM7240_ERROR_VALUE_RANGE ((ViStatus)(QM7240_ERROR_OFFSET + 0x07))
#define QM7240_ERROR_NOT_CURRENT_GROUP ((ViStatus)(QM7240_ERROR_OFFSET + 0x08))
#define QM7240_ERROR_NULL_POINTER ((ViStatus)(QM7240_ERROR_OFFSET + 0x09))
#define QM7240_WARN_UNKNOWN_STATUS ((ViStatus)0x3FFC0901L)

/**
    @brief Opens a session to one DAC card.
    @param rsrcName    VISA descriptor of the carrier
    @param fcNumber    card position on the carrier, counted from 1
    @param idQuery     VI_TRUE: check that the card is a 7240 (VI_ERROR_FAIL_ID_QUERY if not)
    @param resetInstr  VI_TRUE: reset the card (all channels 0, current groups 0 to 24 mA)
    @param vi          receives the session; 0 on failure
    @return VI_SUCCESS or a VISA open status; QM7240_ERROR_NO_CARRIER; QM7240_ERROR_INV_FC_NUMBER;
            QM7240_ERROR_NO_CARD; VI_ERROR_FAIL_ID_QUERY; QM7240_ERROR_NULL_POINTER;
            VI_ERROR_RSRC_NFOUND or VI_ERROR_INV_RSRC_NAME for a descriptor that names no
            resource; VI_ERROR_SYSTEM_ERROR when the instrument system cannot be set up. Of a
            text holding several descriptors joined by "," only the first is opened.
 */
ViStatus qm7240_init(ViConstRsrc rsrcName, ViUInt16 fcNumber, ViBoolean idQuery,
                     ViBoolean resetInstr, ViSession *vi);

/** @brief Closes a session. @return VI_SUCCESS; VI_ERROR_INV_OBJECT */
ViStatus qm7240_close(ViSession vi);

/**
    @brief Resets the card's outputs and ranges.

    After VI_SUCCESS every channel's output is 0 (0 A or 0 V) and every current group is at
    range QM7240_RANGE_0_24MA, so qm7240_getOutputRange reports 0 and 24 for it; a voltage
    group keeps its fixed range. The session stays open. After any other status, a warning
    included, the card's state is not settled.
    @return VI_SUCCESS; VI_ERROR_INV_OBJECT
 */
ViStatus qm7240_reset(ViSession vi);

/**
    @brief Describes a status of this driver, of VISA or of the common library.
    @param vi       any session, or 0
    @param status   status to describe
    @param message  receives the text; at least 1024 bytes
    @return VI_SUCCESS; QM7240_WARN_UNKNOWN_STATUS when the code is unknown (the text names it);
            QM7240_ERROR_NULL_POINTER
 */
ViStatus qm7240_error_message(ViSession vi, ViStatus status, ViChar message[]);

/**
    @brief Reads the driver revision and the card's firmware revision.
    @param vi           session, or 0 for the driver revision alone
    @param driverRev    receives the driver revision; 24 bytes (64 with session 0)
    @param firmwareRev  receives the firmware revision; 16 bytes; may be null
    @return VI_SUCCESS; VI_ERROR_INV_OBJECT; QM7240_ERROR_NULL_POINTER
 */
ViStatus qm7240_revision_query(ViSession vi, ViChar driverRev[], ViChar firmwareRev[]);

/**
    @brief Reads the card's serial number and subtype (such as "AA").
    @param subtype  receives the subtype; 8 bytes
    @return VI_SUCCESS; VI_ERROR_INV_OBJECT; QM7240_ERROR_NULL_POINTER
 */
ViStatus qm7240_readSerialNo(ViSession vi, ViUInt32 *serialNumber, ViChar subtype[]);

/**
    @brief Reads a group's output type and the limits of its present range.
    @param group       1 to 4
    @param outputType  QM7240_OUTPUT_CURRENT or QM7240_OUTPUT_VOLTAGE
    @param lowerLimit  lower limit: volts for a voltage group, milliamperes for a current group
    @param upperLimit  upper limit, same unit
    @return VI_SUCCESS; QM7240_ERROR_INV_GROUP; VI_ERROR_INV_OBJECT; QM7240_ERROR_NULL_POINTER
 */
ViStatus qm7240_getOutputRange(ViSession vi, ViInt32 group, ViInt32 *outputType,
                               ViReal64 *lowerLimit, ViReal64 *upperLimit);

/**
    @brief Selects the range of a current group.
    @param group  1 to 4, a current group
    @param range  QM7240_RANGE_0_24MA, QM7240_RANGE_0_20MA or QM7240_RANGE_4_20MA
    @return VI_SUCCESS; QM7240_ERROR_INV_GROUP; QM7240_ERROR_INV_RANGE;
            QM7240_ERROR_NOT_CURRENT_GROUP; VI_ERROR_INV_OBJECT
 */
ViStatus qm7240_setOutputRange(ViSession vi, ViInt32 group, ViInt32 range);

/**
    @brief Sets a channel's output.
    @param channel  1 to 16
    @param value    amperes for a current channel, volts for a voltage channel; a value outside
                    the present range by more than half an LSB (range / 65535) is refused
    @return VI_SUCCESS; QM7240_ERROR_INV_CHANNEL; QM7240_ERROR_VALUE_RANGE; VI_ERROR_INV_OBJECT
 */
ViStatus qm7240_writeChannel(ViSession vi, ViInt32 channel, ViReal64 value);

/**
    @brief Reads a channel's output status.
    @param channel  1 to 16
    @param status   receives 0 for no output error, non-zero for an open circuit or unsuitable load
    @return VI_SUCCESS; QM7240_ERROR_INV_CHANNEL; VI_ERROR_INV_OBJECT; QM7240_ERROR_NULL_POINTER
 */
ViStatus qm7240_getDACStatus(ViSession vi, ViInt32 channel, ViUInt16 *status);

#ifdef __cplusplus
}
#endif

#endif
