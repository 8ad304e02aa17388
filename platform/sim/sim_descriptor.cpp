#include "sim_descriptor.h"

#include <cstdio>
#include <vector>

namespace sim {

namespace {

struct InterfaceName
{
    const char *name;
    ViUInt16 type;
    const char *form; // for the messages about a wrong number of fields
};

// Longest names first, so that GPIB-VXI is not taken for GPIB.
const InterfaceName interfaces[] = {
    {"GPIB-VXI", VI_INTF_GPIB_VXI, "GPIB-VXI[board]::logical address[::INSTR]"},
    {"TCPIP", VI_INTF_TCPIP,
     "TCPIP[board]::host[::LAN device name][::INSTR] or TCPIP[board]::host::port::SOCKET"},
    {"GPIB", VI_INTF_GPIB, "GPIB[board]::primary address[::secondary address][::INSTR]"},
    {"ASRL", VI_INTF_ASRL, "ASRL[board][::INSTR]"},
    {"VXI", VI_INTF_VXI, "VXI[board]::logical address[::INSTR]"},
    {"PXI", VI_INTF_PXI, "PXI[bus]::device[::function][::INSTR]"},
    {"USB", VI_INTF_USB,
     "USB[board]::vendor ID::model code::serial number[::interface number][::INSTR]"},
};

// Resource classes of VISA that this system has no resources of.
const char *const otherClasses[] = {"INTFC", "BACKPLANE", "MEMACC", "SERVANT", "RAW"};

// ASCII only, independent of the locale.
char lowerChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string lower(const std::string &text)
{
    std::string result = text;
    for (char &c : result)
        c = lowerChar(c);
    return result;
}

bool equalsNoCase(const std::string &text, const char *word)
{
    size_t i = 0;
    for (; i < text.size() && word[i] != '\0'; ++i)
        if (lowerChar(text[i]) != lowerChar(word[i]))
            return false;
    return i == text.size() && word[i] == '\0';
}

// A field as the messages show it: quoted, long ones cut short. Fields hold printable ASCII only.
std::string shown(const std::string &field)
{
    return "\"" + (field.size() > 40 ? field.substr(0, 40) + "..." : field) + "\"";
}

std::string hex4(unsigned long value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04lX", value);
    return text;
}

class Reader
{
public:
    explicit Reader(DescriptorInfo &result) : info(result) {}

    bool read(const std::string &name)
    {
        if (name.empty())
            return refuse("the name is empty");
        if (name.size() > maxDescriptorLength)
            return refuse("it is longer than " + std::to_string(maxDescriptorLength) +
                          " characters");
        for (const char c : name) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte == ' ')
                return refuse("it holds a space");
            if (byte < 0x20 || byte >= 0x7f) {
                char code[8];
                std::snprintf(code, sizeof code, "0x%02X", byte);
                return refuse(std::string(byte >= 0x80 ? "it holds a byte outside ASCII ("
                                                       : "it holds a control character (") +
                              code + ")");
            }
        }
        std::vector<std::string> fields;
        if (!split(name, fields))
            return false;
        if (!interfaceField(fields.front()))
            return false;
        fields.erase(fields.begin());
        if (!resourceClass(fields))
            return false;
        bool ok = false;
        switch (info.interfaceType) {
        case VI_INTF_VXI:
        case VI_INTF_GPIB_VXI:
            ok = logicalAddress(fields);
            break;
        case VI_INTF_GPIB:
            ok = gpib(fields);
            break;
        case VI_INTF_ASRL:
            ok = fieldCount(fields, 0, 0);
            break;
        case VI_INTF_PXI:
            ok = pxi(fields);
            break;
        case VI_INTF_TCPIP:
            ok = info.resourceClass == "SOCKET" ? socket(fields) : tcpipInstrument(fields);
            break;
        case VI_INTF_USB:
            ok = usb(fields);
            break;
        }
        if (!ok)
            return false;
        info.canonical += "::" + info.resourceClass;
        if (info.canonical.size() > maxDescriptorLength)
            return refuse("its expanded form " + shown(info.canonical) + " is longer than " +
                          std::to_string(maxDescriptorLength) + " characters");
        return true;
    }

private:
    DescriptorInfo &info;
    const InterfaceName *interface = nullptr;

    bool refuse(const std::string &problem)
    {
        info.problem = problem;
        return false;
    }

    // Fields are separated by exactly two colons; none is empty.
    bool split(const std::string &name, std::vector<std::string> &fields)
    {
        size_t start = 0;
        for (size_t i = 0; i < name.size();) {
            if (name[i] != ':') {
                ++i;
                continue;
            }
            if (i + 1 >= name.size() || name[i + 1] != ':')
                return refuse("it holds a single ':' (fields are separated by \"::\")");
            if (i + 2 < name.size() && name[i + 2] == ':')
                return refuse("it holds a stray ':' (fields are separated by \"::\")");
            fields.push_back(name.substr(start, i - start));
            i += 2;
            start = i;
        }
        fields.push_back(name.substr(start));
        for (const std::string &field : fields)
            if (field.empty())
                return refuse("it has an empty field");
        return true;
    }

    // A decimal number from 0 to max; leading zeros do not change it.
    bool decimal(const std::string &text, unsigned long min, unsigned long max, const char *what,
                 unsigned long &value)
    {
        value = 0;
        for (const char c : text)
            if (!isDigit(c))
                return refuse(std::string(what) + " " + shown(text) + " is not a decimal number");
        for (const char c : text) {
            value = value * 10 + static_cast<unsigned long>(c - '0');
            if (value > max)
                break; // stops before the product could overflow
        }
        if (value < min || value > max)
            return refuse(std::string(what) + " " + shown(text) + " is outside " +
                          std::to_string(min) + " to " + std::to_string(max));
        return true;
    }

    // USB IDs are written in hexadecimal with 0x or in decimal, and compared as numbers.
    bool usbId(const std::string &text, const char *what, unsigned long &value)
    {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        if (!hex)
            return decimal(text, 0, 0xFFFF, what, value);
        value = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            const char c = lowerChar(text[i]);
            unsigned long digit = 0;
            if (isDigit(c))
                digit = static_cast<unsigned long>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned long>(c - 'a' + 10);
            else
                return refuse(std::string(what) + " " + shown(text) +
                              " is not a hexadecimal number");
            if (value <= 0xFFFF)
                value = value * 16 + digit;
        }
        if (value > 0xFFFF)
            return refuse(std::string(what) + " " + shown(text) + " is outside 0x0000 to 0xFFFF");
        return true;
    }

    bool interfaceField(const std::string &field)
    {
        for (const InterfaceName &candidate : interfaces) {
            const std::string keyword = candidate.name;
            if (field.size() < keyword.size() ||
                !equalsNoCase(field.substr(0, keyword.size()), candidate.name))
                continue;
            const std::string digits = field.substr(keyword.size());
            bool allDigits = true;
            for (const char c : digits)
                allDigits = allDigits && isDigit(c);
            if (!allDigits)
                continue; // "GPIB-VXI0" is no GPIB board "-VXI0"
            unsigned long board = 0;
            if (!digits.empty() && !decimal(digits, 0, 0xFFFF, "board number", board))
                return false;
            interface = &candidate;
            info.interfaceType = candidate.type;
            info.board = static_cast<ViUInt16>(board);
            info.canonical = keyword + std::to_string(board);
            return true;
        }
        return refuse("it does not begin with a VISA interface (VXI, GPIB-VXI, GPIB, ASRL, PXI, "
                      "TCPIP or USB) and an optional board number");
    }

    // A trailing INSTR or SOCKET is the resource class; without one the name is an instrument.
    bool resourceClass(std::vector<std::string> &fields)
    {
        info.resourceClass = "INSTR";
        if (fields.empty())
            return true;
        const std::string &last = fields.back();
        if (equalsNoCase(last, "SOCKET")) {
            if (info.interfaceType != VI_INTF_TCPIP)
                return refuse("only TCPIP names have the resource class SOCKET");
            info.resourceClass = "SOCKET";
            fields.pop_back();
        } else if (equalsNoCase(last, "INSTR")) {
            fields.pop_back();
        } else {
            for (const char *other : otherClasses)
                if (equalsNoCase(last, other))
                    return refuse("resource class " + shown(last) +
                                  " is not served here (only INSTR and SOCKET)");
        }
        return true;
    }

    bool fieldCount(const std::vector<std::string> &fields, size_t least, size_t most)
    {
        if (fields.size() < least)
            return refuse(std::string("it has too few fields for ") + interface->form);
        if (fields.size() > most)
            return refuse(std::string("it has too many fields for ") + interface->form);
        return true;
    }

    void append(unsigned long number) { info.canonical += "::" + std::to_string(number); }

    bool logicalAddress(const std::vector<std::string> &fields)
    {
        unsigned long la = 0;
        if (!fieldCount(fields, 1, 1) || !decimal(fields[0], 0, 255, "logical address", la))
            return false;
        append(la);
        return true;
    }

    bool gpib(const std::vector<std::string> &fields)
    {
        unsigned long primary = 0;
        if (!fieldCount(fields, 1, 2) || !decimal(fields[0], 0, 30, "primary address", primary))
            return false;
        append(primary);
        // A missing secondary address is no secondary address, not secondary address 0.
        if (fields.size() == 2) {
            unsigned long secondary = 0;
            if (!decimal(fields[1], 0, 30, "secondary address", secondary))
                return false;
            append(secondary);
        }
        return true;
    }

    bool pxi(const std::vector<std::string> &fields)
    {
        unsigned long device = 0;
        unsigned long function = 0;
        if (!fieldCount(fields, 1, 2) || !decimal(fields[0], 0, 31, "PXI device", device) ||
            (fields.size() == 2 && !decimal(fields[1], 0, 7, "PXI function", function)))
            return false;
        append(device);
        append(function); // a device without a function number is function 0
        return true;
    }

    // A host name (letters, digits, '-', '_' in labels of up to 63, joined by '.') or a dotted
    // IPv4 address. Octets with leading zeros are refused: resolvers read "010" as octal 8.
    bool host(const std::string &text)
    {
        bool numeric = true;
        size_t labels = 0;
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != '.') {
                const char c = text[i];
                if (!isLetter(c) && !isDigit(c) && c != '-' && c != '_')
                    return refuse("host " + shown(text) + " holds " + shown(std::string(1, c)) +
                                  " (a host is a name or a dotted IPv4 address)");
                numeric = numeric && isDigit(c);
                continue;
            }
            const size_t length = i - start;
            if (length == 0)
                return refuse("host " + shown(text) + " has an empty part between dots");
            if (length > 63)
                return refuse("host " + shown(text) + " has a part longer than 63 characters");
            ++labels;
            start = i + 1;
        }
        if (numeric) {
            if (labels != 4)
                return refuse("host " + shown(text) + " is no dotted IPv4 address of four numbers");
            start = 0;
            for (size_t i = 0; i <= text.size(); ++i) {
                if (i < text.size() && text[i] != '.')
                    continue;
                const std::string octet = text.substr(start, i - start);
                unsigned long value = 0;
                if (octet.size() > 1 && octet[0] == '0')
                    return refuse("host " + shown(text) + " has a number with a leading zero");
                if (!decimal(octet, 0, 255, "address number", value))
                    return false;
                start = i + 1;
            }
        }
        info.canonical += "::" + lower(text);
        return true;
    }

    bool tcpipInstrument(const std::vector<std::string> &fields)
    {
        if (!fieldCount(fields, 1, 2) || !host(fields[0]))
            return false;
        if (fields.size() == 1) {
            info.canonical += "::inst0"; // VXI-11's first device
            return true;
        }
        const std::string &device = fields[1];
        if (!isLetter(device[0])) {
            bool digits = true;
            for (const char c : device)
                digits = digits && isDigit(c);
            return refuse(digits ? "port " + shown(device) + " needs the class ::SOCKET"
                                 : "LAN device name " + shown(device) +
                                       " does not begin with a letter");
        }
        for (const char c : device)
            if (!isLetter(c) && !isDigit(c) && c != '_' && c != ',' && c != '-')
                return refuse("LAN device name " + shown(device) + " holds " +
                              shown(std::string(1, c)));
        info.canonical += "::" + lower(device);
        return true;
    }

    bool socket(const std::vector<std::string> &fields)
    {
        unsigned long port = 0;
        if (!fieldCount(fields, 2, 2) || !host(fields[0]) ||
            !decimal(fields[1], 1, 65535, "port", port))
            return false;
        append(port);
        return true;
    }

    bool usb(const std::vector<std::string> &fields)
    {
        unsigned long vendor = 0;
        unsigned long model = 0;
        if (!fieldCount(fields, 3, 4) || !usbId(fields[0], "vendor ID", vendor) ||
            !usbId(fields[1], "model code", model))
            return false;
        // Without an interface number VISA takes the device's lowest one; the interfaces of a
        // simulated device are numbered from 0.
        unsigned long number = 0;
        if (fields.size() == 4 && !decimal(fields[3], 0, 255, "USB interface number", number))
            return false;
        info.canonical += "::" + hex4(vendor) + "::" + hex4(model) + "::" + fields[2];
        append(number);
        return true;
    }
};

} // namespace

DescriptorInfo parseDescriptor(const std::string &descriptor)
{
    DescriptorInfo info;
    Reader reader(info);
    info.valid = reader.read(descriptor);
    if (!info.valid) {
        const std::string problem = info.problem;
        info = DescriptorInfo();
        info.problem = problem;
    }
    return info;
}

} // namespace sim
