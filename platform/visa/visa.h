/*
 * VISA subset used by the soft front panels: resource manager, resource search,
 * resource names, open and close, attribute reads, event shut-off and status
 * descriptions. Names, types and numeric values are those of the VXIplug&play
 * VISA standard, so the vendor's visa.h can replace this file without a change
 * to its callers.
 *
 * Resource names are read as VISA reads them, by one reader for every entry
 * point (viOpen, viParseRsrc, viParseRsrcEx, the card driver's init and the
 * simulation-file loader); this is its grammar, and the one place it is
 * written down. Keywords in any case; [board] is decimal 0 to 65535, absent
 * meaning board 0; a trailing ::INSTR may be left out wherever it is shown in
 * brackets:
 *   VXI[board]::logical address[::INSTR]                    address 0 to 255
 *   GPIB-VXI[board]::logical address[::INSTR]               address 0 to 255
 *   GPIB[board]::primary[::secondary][::INSTR]              addresses 0 to 30
 *   ASRL[board][::INSTR]
 *   PXI[bus]::device[::function][::INSTR]                   device 0 to 31, function 0 to 7
 *   TCPIP[board]::host[::LAN device name][::INSTR]          device name default inst0
 *   TCPIP[board]::host::port::SOCKET                        port 1 to 65535
 *   USB[board]::vendor ID::model code::serial[::interface][::INSTR]
 *                                  IDs decimal or 0x hex, 0 to 0xFFFF; interface 0 to 255,
 *                                  default 0
 * A host is a name (letters, digits, '-' and '_' in labels of 1 to 63
 * characters joined by '.') or a dotted IPv4 address of four decimal numbers
 * 0 to 255. USB IDs compare as numbers, host and LAN device names without
 * regard to case, a USB serial number exactly; a GPIB name without a
 * secondary address is another device than one with secondary address 0.
 *
 * viParseRsrcEx gives this expanded spelling, every default filled in:
 *   VXI0::2::INSTR                 GPIB-VXI0::3::INSTR
 *   GPIB0::5::INSTR                GPIB0::5::2::INSTR (secondary address 2)
 *   ASRL1::INSTR                   PXI0::10::0::INSTR (function 0 filled in)
 *   TCPIP0::192.168.2.100::inst0::INSTR    (host and device name in lower case)
 *   TCPIP0::10.0.0.9::5025::SOCKET
 *   USB0::0x1234::0x5678::SN1::0::INSTR    (IDs as 0x and four upper-case digits,
 *                                           interface number 0 filled in)
 *
 * Refused with VI_ERROR_INV_RSRC_NAME, and why:
 *   an empty name; one longer than 255 characters, or expanding to more:
 *     what a VI_FIND_BUFLEN buffer holds
 *   a space, a control character or a byte outside ASCII: no VISA name has one
 *   a single or a stray ':', or an empty field: fields are separated by "::"
 *   a beginning that is no interface keyword with an optional board number
 *   too few or too many fields for the interface's form
 *   a number out of its range, or not written in decimal (hex only for USB IDs)
 *   ::SOCKET on another interface than TCPIP: only TCPIP has sockets
 *   the classes INTFC, BACKPLANE, MEMACC, SERVANT and RAW: this system has no
 *     resources of them
 *   a host with a character outside its alphabet, an empty label, or a label
 *     longer than 63 characters
 *   an IPv4 address with a leading zero in a number ("192.168.002.1"):
 *     resolvers read "010" as octal 8, so it would not name the address it shows
 *   an all-digit host that is not four numbers ("1234", "12.34"): no name
 *     resolves to it, and it is no IPv4 address either
 *   a numeric LAN device name without ::SOCKET ("TCPIP::h::5025"): a port
 *     needs the class SOCKET
 * Not read either: aliases, IPv6 hosts, ASRL device paths, and the PXI
 * CHASSIS/SLOT and bus-device forms.
 */
#ifndef VISA_H
#define VISA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t ViInt32;
typedef uint32_t ViUInt32;
typedef int16_t ViInt16;
typedef uint16_t ViUInt16;
typedef int8_t ViInt8;
typedef uint8_t ViUInt8;
typedef double ViReal64;
typedef ViUInt16 ViBoolean;
typedef char ViChar;
typedef ViChar *ViString;
typedef const ViChar *ViConstString;
typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViInt32 ViStatus;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViObject ViFindList;
typedef ViUInt32 ViAttr;
typedef ViUInt32 ViAccessMode;
typedef void *ViAddr;
typedef ViUInt32 ViEventType;

#define VI_NULL 0
#define VI_TRUE 1
#define VI_FALSE 0

#define VI_NO_LOCK 0
#define VI_EXCLUSIVE_LOCK 1
#define VI_SHARED_LOCK 2
#define VI_LOAD_CONFIG 4

#define VI_TMO_IMMEDIATE 0L
#define VI_FIND_BUFLEN 256

/* Completion and warning codes */
#define VI_SUCCESS ((ViStatus)0L)
#define VI_WARN_NULL_OBJECT ((ViStatus)0x3FFF0082L)
#define VI_WARN_NSUP_ATTR_STATE ((ViStatus)0x3FFF0084L)
#define VI_WARN_UNKNOWN_STATUS ((ViStatus)0x3FFF0085L)
#define VI_WARN_CONFIG_NLOADED ((ViStatus)0x3FFF0077L)
#define VI_SUCCESS_DEV_NPRESENT ((ViStatus)0x3FFF007DL)
#define VI_SUCCESS_QUEUE_EMPTY ((ViStatus)0x3FFF0004L)

/* Error codes */
#define VI_ERROR_SYSTEM_ERROR ((ViStatus)0xBFFF0000L)
#define VI_ERROR_INV_OBJECT ((ViStatus)0xBFFF000EL)
#define VI_ERROR_INV_SESSION VI_ERROR_INV_OBJECT
#define VI_ERROR_RSRC_LOCKED ((ViStatus)0xBFFF000FL)
#define VI_ERROR_INV_EXPR ((ViStatus)0xBFFF0010L)
#define VI_ERROR_RSRC_NFOUND ((ViStatus)0xBFFF0011L)
#define VI_ERROR_INV_RSRC_NAME ((ViStatus)0xBFFF0012L)
#define VI_ERROR_INV_ACC_MODE ((ViStatus)0xBFFF0013L)
#define VI_ERROR_TMO ((ViStatus)0xBFFF0015L)
#define VI_ERROR_CLOSING_FAILED ((ViStatus)0xBFFF0016L)
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001DL)
#define VI_ERROR_INV_EVENT ((ViStatus)0xBFFF0026L)
#define VI_ERROR_INV_MECH ((ViStatus)0xBFFF0027L)
#define VI_ERROR_ABORT ((ViStatus)0xBFFF0030L)
#define VI_ERROR_ALLOC ((ViStatus)0xBFFF003CL)
#define VI_ERROR_IO ((ViStatus)0xBFFF003EL)
#define VI_ERROR_NSUP_OPER ((ViStatus)0xBFFF0067L)
#define VI_ERROR_USER_BUF ((ViStatus)0xBFFF0071L)
#define VI_ERROR_RSRC_BUSY ((ViStatus)0xBFFF0072L)
#define VI_ERROR_INV_PARAMETER ((ViStatus)0xBFFF0078L)
#define VI_ERROR_CONN_LOST ((ViStatus)0xBFFF00A6L)

/* Attributes */
#define VI_ATTR_RSRC_CLASS ((ViAttr)0xBFFF0001UL)
#define VI_ATTR_RSRC_NAME ((ViAttr)0xBFFF0002UL)
#define VI_ATTR_VXI_LA ((ViAttr)0x3FFF00D5UL)
#define VI_ATTR_SLOT ((ViAttr)0x3FFF00E8UL)
#define VI_ATTR_INTF_TYPE ((ViAttr)0x3FFF0171UL)
#define VI_ATTR_INTF_NUM ((ViAttr)0x3FFF0176UL)
#define VI_ATTR_TCPIP_ADDR ((ViAttr)0xBFFF0195UL)
#define VI_ATTR_TCPIP_HOSTNAME ((ViAttr)0xBFFF0196UL)
#define VI_ATTR_TCPIP_DEVICE_NAME ((ViAttr)0xBFFF0199UL)

/* Events and the ways they are delivered */
#define VI_ALL_ENABLED_EVENTS ((ViEventType)0x3FFF7FFFUL)
#define VI_QUEUE 1
#define VI_HNDLR 2
#define VI_SUSPEND_HNDLR 4
#define VI_ALL_MECH 0xFFFF

/* Interface types (values of VI_ATTR_INTF_TYPE) */
#define VI_INTF_GPIB 1
#define VI_INTF_VXI 2
#define VI_INTF_GPIB_VXI 3
#define VI_INTF_ASRL 4
#define VI_INTF_PXI 5
#define VI_INTF_TCPIP 6
#define VI_INTF_USB 7

/**
    @brief Opens a session to the default resource manager.
    @param rm  receives the resource manager session
    @return VI_SUCCESS; VI_ERROR_SYSTEM_ERROR when the instrument system cannot be set up
            (for example a damaged simulation file); VI_ERROR_INV_PARAMETER for a null pointer
 */
ViStatus viOpenDefaultRM(ViSession *rm);

/**
    @brief Starts a search for resources whose names match a VISA resource expression, as the
           simulation file writes them or as viParseRsrcEx expands them; lists them as written.
    @param rm     resource manager session
    @param expr   expression: '?' any character, '*' zero or more of the previous item, '+' one or
                  more, [set], [^set], '|' alternatives, parentheses, '\\' escapes; case-insensitive
    @param list   receives the find list for viFindNext (may be null)
    @param count  receives the number of matches (may be null)
    @param desc   receives the first match; at least VI_FIND_BUFLEN bytes
    @return VI_SUCCESS; VI_ERROR_RSRC_NFOUND (count 0) when nothing matches; VI_ERROR_INV_EXPR;
            VI_ERROR_INV_OBJECT for a bad session; VI_ERROR_INV_PARAMETER for a null expr or desc
 */
ViStatus viFindRsrc(ViSession rm, ViConstString expr, ViFindList *list, ViUInt32 *count,
                    ViChar desc[]);

/**
    @brief Returns the next descriptor of a find list.
    @param list  find list from viFindRsrc
    @param desc  receives the descriptor; at least VI_FIND_BUFLEN bytes
    @return VI_SUCCESS; VI_ERROR_RSRC_NFOUND past the end; VI_ERROR_INV_OBJECT for a bad list
 */
ViStatus viFindNext(ViFindList list, ViChar desc[]);

/**
    @brief Reads a resource name and tells the interface it names.
    @param rm        resource manager session
    @param name      resource name, any spelling VISA takes (see the top of this file)
    @param intfType  receives the interface type (VI_INTF_*), 0 on failure; may be null
    @param intfNum   receives the board number, 0 on failure; may be null
    @return VI_SUCCESS; VI_ERROR_INV_RSRC_NAME for a name VISA cannot read; VI_ERROR_RSRC_NFOUND
            for a well-formed name this system has no resource for; VI_ERROR_INV_OBJECT for a bad
            session; VI_ERROR_INV_PARAMETER for a null name
 */
ViStatus viParseRsrc(ViSession rm, ViConstRsrc name, ViUInt16 *intfType, ViUInt16 *intfNum);

/**
    @brief viParseRsrc, and also the resource class, the expanded name and the alias.
    @param rsrcClass              receives "INSTR" or "SOCKET"; VI_FIND_BUFLEN bytes; may be null
    @param expandedUnaliasedName  receives the expanded spelling (see the top of this file);
                                  VI_FIND_BUFLEN bytes; may be null
    @param aliasIfExists          receives the alias: always empty, this system has none;
                                  VI_FIND_BUFLEN bytes; may be null
    @return as viParseRsrc; the texts are empty on failure
 */
ViStatus viParseRsrcEx(ViSession rm, ViConstRsrc name, ViUInt16 *intfType, ViUInt16 *intfNum,
                       ViChar rsrcClass[], ViChar expandedUnaliasedName[], ViChar aliasIfExists[]);

/**
    @brief Opens a session to a resource, under any spelling VISA takes for its name.
    @param rm       resource manager session
    @param name     resource name
    @param mode     VI_NO_LOCK or VI_EXCLUSIVE_LOCK
    @param timeout  open timeout in milliseconds (the simulated system answers at once)
    @param vi       receives the session
    @return the resource's configured open status (VI_SUCCESS by default; a warning still opens a
            session); VI_ERROR_RSRC_NFOUND; VI_ERROR_INV_RSRC_NAME; VI_ERROR_INV_OBJECT;
            VI_ERROR_TMO after the link's timeout while the resource's link is down, or
            VI_ERROR_CONN_LOST at once in a window that loses the connection (the simulation
            file's `link`, which also adds its latency to every call on the resource)
 */
ViStatus viOpen(ViSession rm, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout, ViSession *vi);

/**
    @brief Closes a session, a find list or the resource manager (and everything opened through it).
    @return VI_SUCCESS; VI_WARN_NULL_OBJECT for VI_NULL; VI_ERROR_INV_OBJECT for an unknown handle
 */
ViStatus viClose(ViObject vi);

/**
    @brief Reads an attribute of a session.
    @param vi     session
    @param attr   attribute; ViUInt16 for VI_ATTR_INTF_TYPE and VI_ATTR_INTF_NUM, ViInt16 for
                  VI_ATTR_SLOT and VI_ATTR_VXI_LA, a text of at most 256 bytes for the others
                  (VI_ATTR_RSRC_NAME: the name as the simulation file writes it;
                  VI_ATTR_RSRC_CLASS: "INSTR" or "SOCKET")
    @param value  receives the value
    @return VI_SUCCESS; VI_ERROR_NSUP_ATTR when the resource has no such attribute;
            VI_ERROR_INV_OBJECT; VI_ERROR_INV_PARAMETER for a null value; VI_ERROR_TMO or
            VI_ERROR_CONN_LOST while the resource's link is down, as viOpen
 */
ViStatus viGetAttribute(ViObject vi, ViAttr attr, void *value);

/**
    @brief Stops events of a session. This system raises no events, so none is ever enabled.
    @param vi         session
    @param eventType  VI_ALL_ENABLED_EVENTS
    @param mechanism  VI_QUEUE, VI_HNDLR, VI_SUSPEND_HNDLR, a combination of them, or VI_ALL_MECH
    @return VI_SUCCESS; VI_ERROR_INV_EVENT for any other event type; VI_ERROR_INV_MECH;
            VI_ERROR_INV_OBJECT; on an instrument session, VI_ERROR_TMO or VI_ERROR_CONN_LOST
            while its link is down, as viOpen
 */
ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism);

/**
    @brief Discards the pending events of a session; there never are any.
    @param vi         session
    @param eventType  VI_ALL_ENABLED_EVENTS
    @param mechanism  as viDisableEvent
    @return VI_SUCCESS_QUEUE_EMPTY; VI_ERROR_INV_EVENT for any other event type;
            VI_ERROR_INV_MECH; VI_ERROR_INV_OBJECT; as viDisableEvent while the link is down
 */
ViStatus viDiscardEvents(ViSession vi, ViEventType eventType, ViUInt16 mechanism);

/**
    @brief Describes a status code.
    @param vi      any session, or VI_NULL
    @param status  status to describe
    @param desc    receives the text; at least 256 bytes
    @return VI_SUCCESS; VI_WARN_UNKNOWN_STATUS when the code is not a VISA status
 */
ViStatus viStatusDesc(ViObject vi, ViStatus status, ViChar desc[]);

#ifdef __cplusplus
}
#endif

#endif
