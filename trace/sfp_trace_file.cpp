#include "sfp_trace_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "sfp_trace.h"

namespace sfptrace {

namespace {

struct Trace
{
    std::mutex mutex;
    std::FILE *file = nullptr;
    // Room for the path without an allocation when a write fails.
    char path[4096] = {};
    int threadsSeen = 0;
    bool dropSaid = false;
    Clock::time_point start = Clock::now();
};

// Never destroyed, and made before anything can fail: sfp_traceOpen makes it
// first, and nothing is traced before that.
std::atomic<Trace *> theTrace{nullptr};
std::atomic<bool> tracing{false};

void copyPath(Trace &t, const char *path)
{
    std::snprintf(t.path, sizeof t.path, "%s", path);
}

// Said once; no later line is attempted, so the trace ends where it stopped
// being whole.
void stopOnWriteFailure(Trace &t, int error)
{
    std::fprintf(stderr, "%s: cannot write the trace (%s); later calls are not traced\n", t.path,
                 std::strerror(error));
    std::fclose(t.file);
    t.file = nullptr;
    tracing = false;
}

void sayDropped(Trace &t)
{
    if (t.dropSaid)
        return;
    t.dropSaid = true;
    std::fprintf(stderr,
                 "%s: a call's trace line could not be built (out of memory) and is left out; "
                 "so is any other such line\n",
                 t.path);
}

} // namespace

bool enabled() noexcept
{
    return tracing.load(std::memory_order_relaxed);
}

void append(Clock::time_point returned, const LineBuilder &builder) noexcept
{
    Trace *t = theTrace;
    if (t == nullptr)
        return;
    std::lock_guard<std::mutex> guard(t->mutex);
    if (t->file == nullptr)
        return;
    // Thread ids are recycled once a thread ends; a thread-local number is not.
    thread_local int threadNumber = 0;
    if (threadNumber == 0)
        threadNumber = ++t->threadsSeen;
    const double tMs = std::chrono::duration<double, std::milli>(returned - t->start).count();
    try {
        const std::string text = builder.build(tMs, threadNumber);
        std::fputs(text.c_str(), t->file);
        std::fputc('\n', t->file);
    } catch (...) {
        sayDropped(*t);
        return;
    }
    if (std::fflush(t->file) != 0 || std::ferror(t->file))
        stopOnWriteFailure(*t, errno);
}

void dropLine() noexcept
{
    Trace *t = theTrace;
    if (t == nullptr)
        return;
    std::lock_guard<std::mutex> guard(t->mutex);
    if (t->file != nullptr)
        sayDropped(*t);
}

} // namespace sfptrace

extern "C" int sfp_traceOpen(const char *path)
{
    using namespace sfptrace;
    if (theTrace == nullptr) {
        // Made once, before the program makes its first call.
        theTrace = new (std::nothrow) Trace;
        if (theTrace == nullptr) {
            std::fprintf(stderr, "%s: cannot open the trace (out of memory)\n",
                         path != nullptr ? path : "(null)");
            return -1;
        }
    }
    Trace &t = *theTrace;
    std::lock_guard<std::mutex> guard(t.mutex);
    if (t.file != nullptr)
        std::fclose(t.file);
    // Close-on-exec ("e"): a browser the panel starts must not hold the trace open.
    t.file = path != nullptr ? std::fopen(path, "ae") : nullptr;
    if (t.file == nullptr) {
        const int error = errno;
        std::fprintf(stderr, "%s: cannot open the trace for writing (%s)\n",
                     path != nullptr ? path : "(null)", std::strerror(error));
        tracing = false;
        return -1;
    }
    copyPath(t, path);
    t.start = Clock::now();
    t.dropSaid = false;
    tracing = true;
    return 0;
}
