// The call journal: one JSON object per line for every call into the stand-ins, in the order the
// calls returned, appended to the file VISA_SIM_JOURNAL names and flushed at once.
#ifndef SIM_JOURNAL_H
#define SIM_JOURNAL_H

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "visa.h"

namespace sim {

// One call being journalled: collects the inputs and outputs under their parameter names and
// writes the line when the call returns.
class CallRecord
{
public:
    explicit CallRecord(const char *call);
    ~CallRecord();
    CallRecord(const CallRecord &) = delete;
    CallRecord &operator=(const CallRecord &) = delete;

    void set(const char *key, long long value);
    void set(const char *key, double value);
    void set(const char *key, const std::string &value);
    void setNull(const char *key);
    // A text from the caller; null when the pointer is null. Reads at most `limit` bytes.
    void setText(const char *key, const char *text, size_t limit = 4096);

    // Writes the line with the status and the call's duration, and returns the status.
    ViStatus finish(ViStatus status);

private:
    struct Fields;
    std::unique_ptr<Fields> fields;
    std::chrono::steady_clock::time_point started;
};

// Forgets the journal file, the thread numbers and the start time (see sim_reset).
void resetJournal();

} // namespace sim

#endif
