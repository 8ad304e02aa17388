/*
 * Common driver library of the Marvane carriers (VXI modules and LXI boxes).
 * It recognises the carrier behind an open VISA session, describes the
 * function cards in its positions and describes every status of the
 * carrier drivers.
 */
#ifndef QM6080_H
#define QM6080_H

#include <stddef.h>

#include "visa.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Most card positions a carrier has. */
#define QM6080_MAX_POSITIONS 64

/* Statuses of the common library (instrument-specific range of VXIplug&play). */
#define QM6080_ERROR_OFFSET ((ViStatus)0xBFFC0A00L)
#define QM6080_ERROR_NO_CARRIER ((ViStatus)(QM6080_ERROR_OFFSET + 0x01))
#define QM6080_ERROR_INV_CONTEXT ((ViStatus)(QM6080_ERROR_OFFSET + 0x02))
#define QM6080_ERROR_INV_CARD ((ViStatus)(QM6080_ERROR_OFFSET + 0x03))
#define QM6080_ERROR_INV_OFFSET ((ViStatus)(QM6080_ERROR_OFFSET + 0x04))
#define QM6080_ERROR_NULL_POINTER ((ViStatus)(QM6080_ERROR_OFFSET + 0x05))

/* Carrier information block, as the carrier reports it. */
typedef struct qm6080_carrierInfo {
    ViUInt8 reserved[0x100];
    ViInt32 cardCount;                             /* 0x100: number of card positions */
    ViUInt16 carrierModel;                         /* 0x104: decimal carrier model number */
    ViUInt16 modelCodes[QM6080_MAX_POSITIONS];     /* 0x106: raw model code per position, 0 = empty */
} qm6080_carrierInfo;

typedef struct qm6080_carrierContext qm6080_carrierContext;

/* Register access table of one address space of the carrier. */
typedef struct qm6080_accessTable {
    ViUInt8 reserved[0x20];
    /* 0x20: reads the 16-bit word at byte `offset` of card `card` (counted from 1) */
    ViStatus (*read)(qm6080_carrierContext *context, ViInt32 card, ViInt32 offset, ViUInt16 *value);
} qm6080_accessTable;

/* Carrier context. Only the fields below are public; the library keeps its own state behind. */
struct qm6080_carrierContext {
    qm6080_carrierInfo *info;                      /* 0x00 */
    ViUInt8 reserved[0x38];
    /* 0x40: access table of address space (a, b); null when the carrier has none */
    qm6080_accessTable *(*access)(qm6080_carrierContext *context, ViInt32 a, ViInt32 b);
};

/**
    @brief Writes the revision of the common library.
    @param revision  receives the text; at least 40 bytes
    @return VI_SUCCESS; QM6080_ERROR_NULL_POINTER
 */
ViStatus qm6080_revisionText(ViChar revision[]);

/**
    @brief Recognises the carrier behind an open VISA session and describes its cards.
    @param vi       open VISA session of the carrier
    @param context  receives the context; release it with qm6080_closeCarrier. Only a status that
                    is not negative hands out a context: after a failure the pointer may be stale
                    and must be neither read nor closed
    @return VI_SUCCESS; QM6080_ERROR_NO_CARRIER when no carrier answers; VI_ERROR_INV_OBJECT for a
            bad session; QM6080_ERROR_NULL_POINTER; VI_ERROR_TMO or VI_ERROR_CONN_LOST while the
            carrier's link is down, as viOpen (so does a register read through the context)
 */
ViStatus qm6080_openCarrier(ViSession vi, qm6080_carrierContext **context);

/**
    @brief Releases a carrier context and sets the caller's pointer to null.
    @return VI_SUCCESS; QM6080_ERROR_INV_CONTEXT for a context this library did not open
 */
ViStatus qm6080_closeCarrier(qm6080_carrierContext **context);

/**
    @brief Describes any VISA, common-library or card-driver status.
    @param status  status to describe
    @param text    receives the text; at least 1024 bytes
    @return VI_SUCCESS; VI_WARN_UNKNOWN_STATUS for a code no library defines (the text then reads
            "Unknown status" with the code in hexadecimal); QM6080_ERROR_NULL_POINTER
 */
ViStatus qm6080_statusText(ViStatus status, ViChar text[]);

#ifdef __cplusplus
}

static_assert(offsetof(qm6080_carrierContext, info) == 0x00, "carrier context layout");
static_assert(offsetof(qm6080_carrierContext, access) == 0x40, "carrier context layout");
static_assert(offsetof(qm6080_carrierInfo, cardCount) == 0x100, "carrier info layout");
static_assert(offsetof(qm6080_carrierInfo, carrierModel) == 0x104, "carrier info layout");
static_assert(offsetof(qm6080_carrierInfo, modelCodes) == 0x106, "carrier info layout");
static_assert(offsetof(qm6080_accessTable, read) == 0x20, "access table layout");
#endif

#endif
