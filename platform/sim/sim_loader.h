// Reading a simulation file. The parser takes the file's text and never throws: any bytes give
// either a system or one line naming the file, the line and the mistake.
#ifndef SIM_LOADER_H
#define SIM_LOADER_H

#include <string>

#include "sim_model.h"

namespace sim {

struct LoadResult
{
    bool ok = false;
    System system;
    std::string error; // one line, no trailing newline, when !ok
};

// Limits that keep a damaged or hostile file from costing unbounded time or memory.
constexpr size_t maxFileBytes = 1 << 20;
constexpr size_t maxResources = 1024;
constexpr size_t maxCards = 8192;
constexpr int maxDelayMs = 60000;
// A link's down windows lie within the first day of a run.
constexpr long long maxLinkTimeMs = 86400000;
// A card without a serial number in the file gets this plus its position.
constexpr ViUInt32 defaultSerialBase = 0x1000;

/**
    @brief Builds a system from the text of a simulation file.
    @param text      the whole file, any bytes
    @param fileName  the name used in the error line
 */
LoadResult loadSystem(const std::string &text, const std::string &fileName);

// The built-in system used when VISA_SIM_FILE is unset or empty.
LoadResult loadDefaultSystem();

} // namespace sim

#endif
