#include "sim_descriptor.h"

#include <cctype>

namespace sim {

namespace {

struct InterfaceName
{
    const char *name;
    ViUInt16 type;
};

// Longest names first, so that GPIB-VXI is not taken for GPIB.
const InterfaceName interfaces[] = {
    {"GPIB-VXI", VI_INTF_GPIB_VXI}, {"TCPIP", VI_INTF_TCPIP}, {"GPIB", VI_INTF_GPIB},
    {"ASRL", VI_INTF_ASRL},         {"VXI", VI_INTF_VXI},     {"PXI", VI_INTF_PXI},
    {"USB", VI_INTF_USB},
};

std::string upper(const std::string &text)
{
    std::string result = text;
    for (char &c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A'); // ASCII only, independent of the locale
    return result;
}

} // namespace

DescriptorInfo parseDescriptor(const std::string &descriptor)
{
    DescriptorInfo info;
    const std::string text = upper(descriptor);
    for (const InterfaceName &candidate : interfaces) {
        const std::string name = candidate.name;
        if (text.compare(0, name.size(), name) != 0)
            continue;
        size_t pos = name.size();
        size_t digitsEnd = pos;
        while (digitsEnd < text.size() && std::isdigit(static_cast<unsigned char>(text[digitsEnd])))
            ++digitsEnd;
        if (digitsEnd - pos > 4)
            return info;
        const std::string rest = text.substr(digitsEnd);
        if (!rest.empty() && rest.compare(0, 2, "::") != 0)
            continue; // e.g. "GPIBX": try the other names, then give up
        const std::string digits = text.substr(pos, digitsEnd - pos);
        info.valid = true;
        info.interfaceType = candidate.type;
        info.board = digits.empty() ? 0 : static_cast<ViUInt16>(std::stoi(digits));
        info.canonical = name + std::to_string(info.board) + rest;
        return info;
    }
    return info;
}

} // namespace sim
