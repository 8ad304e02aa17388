// VISA resource names as VISA reads them: one reader for viOpen, viParseRsrc(Ex), the driver's
// init and the simulation-file loader, so that every entry point takes the same spellings for the
// same resource.
#ifndef SIM_DESCRIPTOR_H
#define SIM_DESCRIPTOR_H

#include <string>

#include "visa.h"

namespace sim {

struct DescriptorInfo
{
    bool valid = false;
    ViUInt16 interfaceType = 0; // VI_INTF_*
    ViUInt16 board = 0;
    std::string resourceClass; // "INSTR" or "SOCKET"
    // The expanded spelling, every default filled in; two names are the same resource exactly
    // when these are equal: "tcpip::Lxi-Carrier" -> "TCPIP0::lxi-carrier::inst0::INSTR".
    std::string canonical;
    std::string problem; // why the name was refused, one short phrase, when !valid
};

// Longest name read, and longest expanded name given: what a VI_FIND_BUFLEN buffer holds.
constexpr size_t maxDescriptorLength = VI_FIND_BUFLEN - 1;

/**
    @brief Reads a VISA resource name.

    Forms (keywords in any case, [board] decimal 0 to 65535, absent meaning 0, a trailing
    "::INSTR" optional wherever shown in brackets):
        VXI[board]::logical address[::INSTR]                       address 0 to 255
        GPIB-VXI[board]::logical address[::INSTR]                  address 0 to 255
        GPIB[board]::primary[::secondary][::INSTR]                 addresses 0 to 30
        ASRL[board][::INSTR]
        PXI[bus]::device[::function][::INSTR]                      device 0 to 31, function 0 to 7
        TCPIP[board]::host[::LAN device name][::INSTR]             device name default inst0
        TCPIP[board]::host::port::SOCKET                           port 1 to 65535
        USB[board]::vendor ID::model code::serial[::interface][::INSTR]    interface default 0
    Fields are printable ASCII without spaces or ':', never empty. Runs in time linear in the
    name's length and reads nothing past its end.
 */
DescriptorInfo parseDescriptor(const std::string &descriptor);

} // namespace sim

#endif
