// The traced functions. Each one forwards to the next definition of its name
// in the program's lookup order (the vendor's library, or the stand-in), and,
// while a trace is open, writes what went in and came out under the
// parameter names the simulator's journal uses, so that a trace taken on a
// lab's VISA reads like a journal taken on the simulator.
//
// The calls the search makes through the carrier context's access table are
// calls through pointers the common library hands out, not exported names:
// they pass through untraced.
#include "sfp_trace.h"

#include <dlfcn.h>

#include <cstdio>

#include "qm6080.h"
#include "qm7240.h"
#include "sfp_trace_line.h"
#include "visa.h"

namespace {

using sfptrace::Line;

long long n(long long value)
{
    return value;
}

// An attribute's value as the journal shows it: a number for the numeric
// attributes, a text for the others.
void attributeValue(Line &line, ViAttr attr, const void *value)
{
    switch (attr) {
    case VI_ATTR_INTF_TYPE:
    case VI_ATTR_INTF_NUM:
        line.set("value", n(*static_cast<const ViUInt16 *>(value)));
        break;
    case VI_ATTR_SLOT:
    case VI_ATTR_VXI_LA:
        line.set("value", n(*static_cast<const ViInt16 *>(value)));
        break;
    case VI_ATTR_TCPIP_ADDR:
    case VI_ATTR_TCPIP_HOSTNAME:
    case VI_ATTR_TCPIP_DEVICE_NAME:
    case VI_ATTR_RSRC_NAME:
    case VI_ATTR_RSRC_CLASS:
        line.text("value", static_cast<const char *>(value), 256);
        break;
    default:
        break; // of a size this trace does not know: not read
    }
}

// What goes in, and what comes out once the call returned with status `s`;
// outputs are read only where the callee promises them. VISA promises them
// with a warning too (a completion code); the card driver's reads only with
// 0: a warning there leaves what the caller's variables held, which the
// panel does not use either.

void viOpenDefaultRM_in(Line &, ViSession *) {}
void viOpenDefaultRM_out(Line &l, ViStatus, ViSession *rm)
{
    if (rm)
        l.set("session", n(*rm));
}

void viFindRsrc_in(Line &l, ViSession rm, ViConstString expr, ViFindList *, ViUInt32 *, ViChar[])
{
    l.set("session", n(rm));
    l.text("expr", expr);
}
void viFindRsrc_out(Line &l, ViStatus s, ViSession, ViConstString, ViFindList *list,
                    ViUInt32 *count, ViChar desc[])
{
    if ((s >= VI_SUCCESS || s == VI_ERROR_RSRC_NFOUND) && count)
        l.set("count", n(s >= VI_SUCCESS ? *count : 0));
    if (s < VI_SUCCESS)
        return;
    l.text("desc", desc, VI_FIND_BUFLEN);
    if (list)
        l.set("list", n(*list));
}

void viFindNext_in(Line &l, ViFindList list, ViChar[])
{
    l.set("list", n(list));
}
void viFindNext_out(Line &l, ViStatus s, ViFindList, ViChar desc[])
{
    if (s >= VI_SUCCESS)
        l.text("desc", desc, VI_FIND_BUFLEN);
}

void viOpen_in(Line &l, ViSession rm, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout,
               ViSession *)
{
    l.set("rm", n(rm));
    l.text("rsrc", name);
    l.set("mode", n(mode));
    l.set("timeout", n(timeout));
}
void viOpen_out(Line &l, ViStatus s, ViSession, ViConstRsrc, ViAccessMode, ViUInt32, ViSession *vi)
{
    if (s >= VI_SUCCESS && vi)
        l.set("session", n(*vi));
}

void viClose_in(Line &l, ViObject vi)
{
    l.set("session", n(vi));
}
void viClose_out(Line &, ViStatus, ViObject) {}

void viGetAttribute_in(Line &l, ViObject vi, ViAttr attr, void *)
{
    l.set("session", n(vi));
    l.set("attr", n(attr));
}
void viGetAttribute_out(Line &l, ViStatus s, ViObject, ViAttr attr, void *value)
{
    if (s >= VI_SUCCESS && value)
        attributeValue(l, attr, value);
}

void qm6080_revisionText_in(Line &, ViChar[]) {}
void qm6080_revisionText_out(Line &l, ViStatus s, ViChar revision[])
{
    if (s >= VI_SUCCESS)
        l.text("revision", revision, 40);
}

void qm6080_openCarrier_in(Line &l, ViSession vi, qm6080_carrierContext **)
{
    l.set("session", n(vi));
}
void qm6080_openCarrier_out(Line &l, ViStatus s, ViSession, qm6080_carrierContext **context)
{
    if (s < VI_SUCCESS || !context || !*context || !(*context)->info)
        return;
    l.set("model", n((*context)->info->carrierModel));
    l.set("count", n((*context)->info->cardCount));
}

void qm6080_closeCarrier_in(Line &, qm6080_carrierContext **) {}
void qm6080_closeCarrier_out(Line &, ViStatus, qm6080_carrierContext **) {}

void qm6080_statusText_in(Line &l, ViStatus status, ViChar[])
{
    l.set("code", n(status));
}
void qm6080_statusText_out(Line &l, ViStatus s, ViStatus, ViChar text[])
{
    if (s >= VI_SUCCESS)
        l.text("text", text, 1024);
}

void qm7240_init_in(Line &l, ViConstRsrc rsrc, ViUInt16 fc, ViBoolean idQuery, ViBoolean reset,
                    ViSession *)
{
    l.text("rsrc", rsrc);
    l.set("fc", n(fc));
    l.set("id_query", n(idQuery));
    l.set("reset", n(reset));
}
void qm7240_init_out(Line &l, ViStatus s, ViConstRsrc, ViUInt16, ViBoolean, ViBoolean,
                     ViSession *vi)
{
    // A driver promises nothing about the session when it fails.
    if (s >= VI_SUCCESS && vi)
        l.set("session", n(*vi));
}

void qm7240_close_in(Line &l, ViSession vi)
{
    l.set("session", n(vi));
}
void qm7240_close_out(Line &, ViStatus, ViSession) {}

void qm7240_reset_in(Line &l, ViSession vi)
{
    l.set("session", n(vi));
}
void qm7240_reset_out(Line &, ViStatus, ViSession) {}

void qm7240_error_message_in(Line &l, ViSession vi, ViStatus status, ViChar[])
{
    l.set("session", n(vi));
    l.set("code", n(status));
}
void qm7240_error_message_out(Line &l, ViStatus s, ViSession, ViStatus, ViChar message[])
{
    if (s >= VI_SUCCESS && message)
        l.text("message", message, QM7240_ERROR_MESSAGE_LEN);
}

void qm7240_revision_query_in(Line &l, ViSession vi, ViChar[], ViChar[])
{
    l.set("session", n(vi));
}
void qm7240_revision_query_out(Line &l, ViStatus s, ViSession vi, ViChar driverRev[],
                               ViChar firmwareRev[])
{
    if (s != VI_SUCCESS)
        return;
    l.text("driver_rev", driverRev, QM7240_DRIVER_REV_LEN);
    // Without a session the driver knows only its own revision.
    if (vi != VI_NULL && firmwareRev)
        l.text("firmware_rev", firmwareRev, QM7240_FIRMWARE_REV_LEN);
}

void qm7240_readSerialNo_in(Line &l, ViSession vi, ViUInt32 *, ViChar[])
{
    l.set("session", n(vi));
}
void qm7240_readSerialNo_out(Line &l, ViStatus s, ViSession, ViUInt32 *serial, ViChar subtype[])
{
    if (s != VI_SUCCESS || !serial || !subtype)
        return;
    l.set("serial", n(*serial));
    l.text("subtype", subtype, QM7240_SUBTYPE_LEN);
}

void qm7240_getOutputRange_in(Line &l, ViSession vi, ViInt32 group, ViInt32 *, ViReal64 *,
                              ViReal64 *)
{
    l.set("group", n(group));
    l.set("session", n(vi));
}
void qm7240_getOutputRange_out(Line &l, ViStatus s, ViSession, ViInt32, ViInt32 *type, ViReal64 *lo,
                               ViReal64 *hi)
{
    if (s != VI_SUCCESS || !type || !lo || !hi)
        return;
    l.set("type", n(*type));
    l.set("lo", *lo);
    l.set("hi", *hi);
}

void qm7240_setOutputRange_in(Line &l, ViSession vi, ViInt32 group, ViInt32 range)
{
    l.set("group", n(group));
    l.set("range", n(range));
    l.set("session", n(vi));
}
void qm7240_setOutputRange_out(Line &, ViStatus, ViSession, ViInt32, ViInt32) {}

void qm7240_writeChannel_in(Line &l, ViSession vi, ViInt32 channel, ViReal64 value)
{
    l.set("channel", n(channel));
    l.set("value", value);
    l.set("session", n(vi));
}
void qm7240_writeChannel_out(Line &, ViStatus, ViSession, ViInt32, ViReal64) {}

void qm7240_getDACStatus_in(Line &l, ViSession vi, ViInt32 channel, ViUInt16 *)
{
    l.set("channel", n(channel));
    l.set("session", n(vi));
}
void qm7240_getDACStatus_out(Line &l, ViStatus s, ViSession, ViInt32, ViUInt16 *stat)
{
    if (s == VI_SUCCESS && stat)
        l.set("stat", n(*stat));
}

// The next definition of `name` after this library: the vendor's.
void *nextDefinition(const char *name)
{
    void *fn = dlsym(RTLD_NEXT, name);
    if (fn == nullptr)
        std::fprintf(stderr, "trace: no definition of %s after the trace library\n", name);
    return fn;
}

} // namespace

// Every function traced, once: its parameters and the names they are passed on by.
#define SFP_TRACED_FUNCTIONS(X)                                                                    \
    X(viOpenDefaultRM, (ViSession * rm), (rm))                                                     \
    X(viFindRsrc,                                                                                  \
      (ViSession rm, ViConstString expr, ViFindList * list, ViUInt32 * count, ViChar desc[]),      \
      (rm, expr, list, count, desc))                                                               \
    X(viFindNext, (ViFindList list, ViChar desc[]), (list, desc))                                  \
    X(viOpen,                                                                                      \
      (ViSession rm, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout, ViSession * vi),       \
      (rm, name, mode, timeout, vi))                                                               \
    X(viClose, (ViObject vi), (vi))                                                                \
    X(viGetAttribute, (ViObject vi, ViAttr attr, void *value), (vi, attr, value))                  \
    X(qm6080_revisionText, (ViChar revision[]), (revision))                                        \
    X(qm6080_openCarrier, (ViSession vi, qm6080_carrierContext * *context), (vi, context))         \
    X(qm6080_closeCarrier, (qm6080_carrierContext * *context), (context))                          \
    X(qm6080_statusText, (ViStatus status, ViChar text[]), (status, text))                         \
    X(qm7240_init,                                                                                 \
      (ViConstRsrc rsrcName, ViUInt16 fcNumber, ViBoolean idQuery, ViBoolean resetInstr,           \
       ViSession * vi),                                                                            \
      (rsrcName, fcNumber, idQuery, resetInstr, vi))                                               \
    X(qm7240_close, (ViSession vi), (vi))                                                          \
    X(qm7240_reset, (ViSession vi), (vi))                                                          \
    X(qm7240_error_message, (ViSession vi, ViStatus status, ViChar message[]),                     \
      (vi, status, message))                                                                       \
    X(qm7240_revision_query, (ViSession vi, ViChar driverRev[], ViChar firmwareRev[]),             \
      (vi, driverRev, firmwareRev))                                                                \
    X(qm7240_readSerialNo, (ViSession vi, ViUInt32 * serialNumber, ViChar subtype[]),              \
      (vi, serialNumber, subtype))                                                                 \
    X(qm7240_getOutputRange,                                                                       \
      (ViSession vi, ViInt32 group, ViInt32 * outputType, ViReal64 * lowerLimit,                   \
       ViReal64 * upperLimit),                                                                     \
      (vi, group, outputType, lowerLimit, upperLimit))                                             \
    X(qm7240_setOutputRange, (ViSession vi, ViInt32 group, ViInt32 range), (vi, group, range))     \
    X(qm7240_writeChannel, (ViSession vi, ViInt32 channel, ViReal64 value), (vi, channel, value))  \
    X(qm7240_getDACStatus, (ViSession vi, ViInt32 channel, ViUInt16 * status),                     \
      (vi, channel, status))

#define SFP_UNPAREN(...) __VA_ARGS__

// Forwards at once while no trace is open: one test of a flag more than an
// untraced program makes.
#define SFP_TRACE_WRAPPER(name, params, args)                                                      \
    extern "C" ViStatus name params                                                                \
    {                                                                                              \
        using Fn = ViStatus(*) params;                                                             \
        static const Fn next = reinterpret_cast<Fn>(nextDefinition(#name));                        \
        if (next == nullptr)                                                                       \
            return VI_ERROR_SYSTEM_ERROR;                                                          \
        if (!sfptrace::enabled())                                                                  \
            return next args;                                                                      \
        Line line(#name);                                                                          \
        name##_in(line, SFP_UNPAREN args);                                                         \
        const ViStatus returned = next args;                                                       \
        name##_out(line, returned, SFP_UNPAREN args);                                              \
        return line.finish(returned);                                                              \
    }

SFP_TRACED_FUNCTIONS(SFP_TRACE_WRAPPER)
