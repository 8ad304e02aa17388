// One traced call: collects its inputs and outputs under their parameter
// names and appends the line when the call has returned.
#ifndef SFP_TRACE_WRITER_H
#define SFP_TRACE_WRITER_H

#include <chrono>
#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

namespace sfptrace {

// True once sfp_traceOpen succeeded and until a write fails.
bool enabled();

class Line
{
public:
    explicit Line(const char *call);

    void set(const char *key, long long value) { line[key] = value; }
    void set(const char *key, double value);
    void set(const char *key, const std::string &value) { line[key] = value; }
    // A text from the caller or the callee: null stays null, at most `limit` bytes are read.
    void text(const char *key, const char *value, size_t limit = 4096);

    // Appends the line with the status and the call's duration; returns the status.
    template <class Status> Status finish(Status status)
    {
        write(static_cast<long long>(status));
        return status;
    }

private:
    void write(long long status);

    nlohmann::ordered_json line;
    std::chrono::steady_clock::time_point started;
};

} // namespace sfptrace

#endif
