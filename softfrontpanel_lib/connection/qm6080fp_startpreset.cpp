#include "connection/qm6080fp_startpreset.h"

#include <utility>

namespace {

qm6080fp_commandLine_t &startPreset()
{
    static qm6080fp_commandLine_t preset;
    return preset;
}

} // namespace

void qm6080fp_setStartPreset(const qm6080fp_commandLine_t &commandLine)
{
    startPreset() = commandLine;
}

qm6080fp_commandLine_t qm6080fp_takeStartPreset()
{
    return std::exchange(startPreset(), qm6080fp_commandLine_t());
}
