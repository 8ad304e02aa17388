// Descriptions of every status VISA, the common library and the card driver return, and the one
// bounded copy into caller buffers that all three stand-ins use.
#ifndef SIM_STATUS_H
#define SIM_STATUS_H

#include <cstddef>
#include <string>

#include "visa.h"

namespace sim {

enum class StatusSource { Visa, InstrumentDriver, CommonLibrary, CardDriver };

struct StatusEntry
{
    ViStatus status;
    StatusSource source;
    const char *name;
    const char *text;
};

// The entry of a known status, or null.
const StatusEntry *findStatus(ViStatus status);

// "Unknown status 0x%08X".
std::string unknownStatusText(ViStatus status);

// Copies text into a caller's buffer of `size` bytes, always terminated, truncated if needed.
void copyText(ViChar *buffer, size_t size, const std::string &text);

} // namespace sim

#endif
