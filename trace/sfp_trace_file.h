// The process-wide trace file: opened by sfp_traceOpen, appended to by every
// traced call, and alive until the process ends, since calls may still come
// in from static destructors. Nothing here throws.
#ifndef SFP_TRACE_FILE_H
#define SFP_TRACE_FILE_H

#include <chrono>
#include <string>

namespace sfptrace {

using Clock = std::chrono::steady_clock;

// True once sfp_traceOpen succeeded and until a write fails.
bool enabled() noexcept;

// Builds one line of the trace from its time stamp (milliseconds since the
// trace was opened) and the calling thread's number in the trace.
class LineBuilder
{
public:
    virtual std::string build(double tMs, int thread) const = 0;

protected:
    ~LineBuilder() = default;
};

// Appends the line `builder` builds for a call that returned at `returned`,
// under the trace's lock, so that the lines stand in the order the calls
// returned. A line that cannot be built is dropped (see dropLine).
void append(Clock::time_point returned, const LineBuilder &builder) noexcept;

// Drops a call's line that could not be built, out of memory most likely.
// Said once on standard error; the trace goes on with the next call.
void dropLine() noexcept;

} // namespace sfptrace

#endif
