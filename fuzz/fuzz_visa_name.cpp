// Any bytes as a VISA resource name: the reader accepts it or says why not, its expanded
// spelling is a name that reads back to itself, case never changes whether a name is valid,
// and viParseRsrcEx, given the name in a buffer of exactly its size and outputs of exactly
// VI_FIND_BUFLEN bytes, reads and writes inside them (AddressSanitizer watches both).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "sim_descriptor.h"
#include "visa.h"

namespace {

[[noreturn]] void broken(const char *what, const std::string &name)
{
    std::fprintf(stderr, "fuzz_visa_name: %s\n  name: \"", what);
    for (const char c : name)
        std::fprintf(stderr, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c & 0xff);
    std::fprintf(stderr, "\"\n");
    std::abort();
}

std::string upper(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

void checkReader(const std::string &name)
{
    const sim::DescriptorInfo info = sim::parseDescriptor(name);
    if (!info.valid) {
        if (info.problem.empty() || !info.canonical.empty())
            broken("refused without a reason, or with an expanded name", name);
    } else {
        if (info.canonical.empty() || info.canonical.size() > sim::maxDescriptorLength)
            broken("expanded name empty or longer than a VI_FIND_BUFLEN buffer holds", name);
        if (info.resourceClass != "INSTR" && info.resourceClass != "SOCKET")
            broken("resource class neither INSTR nor SOCKET", name);
        const sim::DescriptorInfo again = sim::parseDescriptor(info.canonical);
        if (!again.valid || again.canonical != info.canonical ||
            again.interfaceType != info.interfaceType || again.board != info.board ||
            again.resourceClass != info.resourceClass)
            broken("expanded name does not read back as the same resource", name);
    }
    // Keywords, hosts, device names and hexadecimal digits ignore case, and a USB serial number
    // may hold any letters, so case decides nothing about validity.
    const sim::DescriptorInfo shouted = sim::parseDescriptor(upper(name));
    if (shouted.valid != info.valid)
        broken("upper case changes whether the name is valid", name);
    if (info.valid && info.interfaceType != VI_INTF_USB && shouted.canonical != info.canonical)
        broken("upper case names another resource", name);
}

ViSession resourceManager()
{
    static ViSession rm = 0;
    if (rm == 0 && viOpenDefaultRM(&rm) != VI_SUCCESS)
        broken("the built-in system does not load", std::string());
    return rm;
}

void checkParseCall(const std::string &name)
{
    const size_t length = std::strlen(name.c_str()); // a C caller's name ends at its first NUL
    const std::unique_ptr<char[]> text(new char[length + 1]);
    std::memcpy(text.get(), name.c_str(), length + 1);
    const std::unique_ptr<char[]> rsrcClass(new char[VI_FIND_BUFLEN]);
    const std::unique_ptr<char[]> expanded(new char[VI_FIND_BUFLEN]);
    const std::unique_ptr<char[]> alias(new char[VI_FIND_BUFLEN]);
    ViUInt16 intfType = 0;
    ViUInt16 intfNum = 0;
    const ViStatus status = viParseRsrcEx(resourceManager(), text.get(), &intfType, &intfNum,
                                          rsrcClass.get(), expanded.get(), alias.get());
    if (status != VI_SUCCESS && status != VI_ERROR_RSRC_NFOUND && status != VI_ERROR_INV_RSRC_NAME)
        broken("viParseRsrcEx answered neither success, not found nor invalid name", name);
    const sim::DescriptorInfo info = sim::parseDescriptor(std::string(text.get(), length));
    if ((status == VI_ERROR_INV_RSRC_NAME) == info.valid)
        broken("viParseRsrcEx and the reader disagree on the name", name);
    if (status == VI_SUCCESS && info.canonical != expanded.get())
        broken("viParseRsrcEx gave another expanded name than the reader", name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string name(reinterpret_cast<const char *>(data), size);
    checkReader(name);
    checkParseCall(name);
    return 0;
}
