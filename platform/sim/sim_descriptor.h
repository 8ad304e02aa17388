// VISA resource descriptors: interface type, board number and the canonical form viOpen matches.
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
    // Upper case, with the board number written out: "tcpip::h::instr" -> "TCPIP0::H::INSTR".
    std::string canonical;
};

// Parses the interface part of a descriptor ("VXI", "GPIB-VXI", "GPIB", "ASRL", "PXI",
// "TCPIP", "USB", each followed by an optional board number, then "::" or the end).
DescriptorInfo parseDescriptor(const std::string &descriptor);

} // namespace sim

#endif
