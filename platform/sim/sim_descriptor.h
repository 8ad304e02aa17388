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
    @brief Reads a VISA resource name. The grammar, the expanded spelling and every form refused,
           with the reason, are at the top of visa.h. Runs in time linear in the name's length
           and reads nothing past its end.
 */
DescriptorInfo parseDescriptor(const std::string &descriptor);

} // namespace sim

#endif
