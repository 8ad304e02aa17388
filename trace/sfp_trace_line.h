// One traced call: collects its inputs and outputs under their parameter
// names and appends the line when the call has returned. Nothing here throws,
// and collecting takes no memory from the heap: the line is only built once
// the call returned, and a line that cannot be built is dropped, never the
// call.
#ifndef SFP_TRACE_LINE_H
#define SFP_TRACE_LINE_H

#include <cstddef>
#include <string>

#include "sfp_trace_file.h"

namespace sfptrace {

class Line : private LineBuilder
{
public:
    explicit Line(const char *call) noexcept;

    void set(const char *key, long long value) noexcept;
    void set(const char *key, double value) noexcept;
    // A text from the caller or the callee, read when the line is built (the
    // buffers live until the traced function returns): null stays null, at
    // most `limit` bytes are read.
    void text(const char *key, const char *value, size_t limit = 4096) noexcept;

    // Appends the line with the status and the call's duration; returns the status.
    template <class Status> Status finish(Status status) noexcept
    {
        write(static_cast<long long>(status));
        return status;
    }

private:
    struct Field
    {
        enum class Kind { integer, real, text, null };
        const char *key = nullptr;
        Kind kind = Kind::null;
        long long integer = 0;
        double real = 0.0;
        const char *text = nullptr;
        size_t limit = 0;
    };

    // The next field, or null when there is no room left.
    Field *add(const char *key, Field::Kind kind) noexcept;
    void write(long long status) noexcept;
    std::string build(double tMs, int thread) const override;

    // More than any traced function has, with its call and status.
    static constexpr int maxFields = 12;
    Field fields[maxFields];
    int fieldCount = 0;
    bool overflowed = false;
    Clock::time_point started;
    Clock::time_point returned;
};

} // namespace sfptrace

#endif
