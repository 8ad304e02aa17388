#include "sfp_trace_writer.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "sfp_trace.h"

namespace sfptrace {

namespace {

using Clock = std::chrono::steady_clock;

// The trace file and its bookkeeping, alive until the process ends: calls may
// still come in from static destructors.
struct Trace
{
    std::mutex mutex;
    std::FILE *file = nullptr;
    std::string path;
    int threadsSeen = 0;
    Clock::time_point start = Clock::now();
};

Trace &trace()
{
    static Trace *t = new Trace;
    return *t;
}

std::atomic<bool> tracing{false};

} // namespace

bool enabled()
{
    return tracing.load(std::memory_order_relaxed);
}

Line::Line(const char *call) : started(Clock::now())
{
    line["call"] = call;
}

void Line::set(const char *key, double value)
{
    // JSON has no NaN or infinity: such a value is written as text.
    if (value != value || value - value != 0.0)
        line[key] = std::to_string(value);
    else
        line[key] = value;
}

void Line::text(const char *key, const char *value, size_t limit)
{
    if (value == nullptr)
        line[key] = nullptr;
    else
        line[key] = std::string(value, strnlen(value, limit));
}

void Line::write(long long status)
{
    const Clock::time_point now = Clock::now();
    try {
        line["status"] = status;
        Trace &t = trace();
        std::lock_guard<std::mutex> guard(t.mutex);
        if (t.file == nullptr)
            return;
        // Thread ids are recycled once a thread ends; a thread-local number is not.
        thread_local int threadNumber = 0;
        if (threadNumber == 0)
            threadNumber = ++t.threadsSeen;
        nlohmann::ordered_json out;
        out["t_ms"] = std::chrono::duration<double, std::milli>(now - t.start).count();
        out["thread"] = threadNumber;
        for (auto it = line.begin(); it != line.end(); ++it)
            out[it.key()] = it.value();
        out["dur_ms"] = std::chrono::duration<double, std::milli>(now - started).count();
        const std::string text =
            out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        std::fputs(text.c_str(), t.file);
        std::fputc('\n', t.file);
        if (std::fflush(t.file) != 0 || std::ferror(t.file)) {
            // Said once; no later line is attempted, so the trace ends where
            // it stopped being whole.
            const int error = errno;
            std::fprintf(stderr, "%s: cannot write the trace (%s); later calls are not traced\n",
                         t.path.c_str(), std::strerror(error));
            std::fclose(t.file);
            t.file = nullptr;
            tracing = false;
        }
    } catch (...) {
        // A trace never changes what the call answers.
    }
}

} // namespace sfptrace

extern "C" int sfp_traceOpen(const char *path)
{
    sfptrace::Trace &t = sfptrace::trace();
    std::lock_guard<std::mutex> guard(t.mutex);
    if (t.file != nullptr)
        std::fclose(t.file);
    t.file = path != nullptr ? std::fopen(path, "a") : nullptr;
    if (t.file == nullptr) {
        const int error = errno;
        std::fprintf(stderr, "%s: cannot open the trace for writing (%s)\n",
                     path != nullptr ? path : "(null)", std::strerror(error));
        sfptrace::tracing = false;
        return -1;
    }
    t.path = path;
    t.start = sfptrace::Clock::now();
    sfptrace::tracing = true;
    return 0;
}
