#include "sim_journal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <nlohmann/json.hpp>

#include "simulator.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

class Journal
{
public:
    static Journal &instance()
    {
        static Journal journal;
        return journal;
    }

    void write(nlohmann::ordered_json &line, Clock::time_point started)
    {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> guard(mutex);
        if (!opened) {
            opened = true;
            const char *name = std::getenv("VISA_SIM_JOURNAL");
            if (name != nullptr && *name != '\0') {
                path = name;
                file = std::fopen(name, "a");
                if (file == nullptr)
                    std::fprintf(stderr, "%s: cannot open the call journal for writing\n", name);
            }
        }
        if (file == nullptr)
            return;
        // Thread ids are recycled once a thread ends; a thread-local number is not.
        thread_local unsigned numberedIn = 0;
        thread_local int threadNumber = 0;
        if (numberedIn != generation) {
            numberedIn = generation;
            threadNumber = ++threadsSeen;
        }
        // t_ms and thread lead the line; the call's own keys follow in the order they were set.
        nlohmann::ordered_json out;
        out["t_ms"] = std::chrono::duration<double, std::milli>(now - clockStart()).count();
        out["thread"] = threadNumber;
        for (auto it = line.begin(); it != line.end(); ++it)
            out[it.key()] = it.value();
        out["dur_ms"] = std::chrono::duration<double, std::milli>(now - started).count();
        const std::string text =
            out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        std::fputs(text.c_str(), file);
        std::fputc('\n', file);
        if (std::fflush(file) != 0 || std::ferror(file)) {
            // A full disk or a failing device: said once, like a journal that cannot be opened,
            // and no later line is attempted, so the journal ends where it stopped being whole.
            const int error = errno;
            std::fprintf(stderr,
                         "%s: cannot write the call journal (%s); later calls are not "
                         "journalled\n",
                         path.c_str(), std::strerror(error));
            std::fclose(file);
            file = nullptr;
        }
    }

    void reset()
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (file != nullptr)
            std::fclose(file);
        file = nullptr;
        path.clear();
        opened = false;
        threadsSeen = 0;
        ++generation;
    }

private:
    Journal() = default;
    ~Journal()
    {
        if (file != nullptr)
            std::fclose(file);
    }

    std::mutex mutex;
    bool opened = false;
    std::FILE *file = nullptr;
    std::string path;
    unsigned generation = 1; // changes with every reset, so that numbering starts again
    int threadsSeen = 0;
};

} // namespace

struct CallRecord::Fields
{
    nlohmann::ordered_json line;
};

CallRecord::CallRecord(const char *call) : fields(new Fields), started(Clock::now())
{
    fields->line["call"] = call;
}

CallRecord::~CallRecord() = default;

void CallRecord::set(const char *key, long long value)
{
    fields->line[key] = value;
}

void CallRecord::set(const char *key, double value)
{
    // JSON has no NaN or infinity: a caller passing one still gets a valid line.
    if (value != value || value - value != 0.0)
        fields->line[key] = std::to_string(value);
    else
        fields->line[key] = value;
}

void CallRecord::set(const char *key, const std::string &value)
{
    fields->line[key] = value;
}

void CallRecord::setNull(const char *key)
{
    fields->line[key] = nullptr;
}

void CallRecord::setText(const char *key, const char *text, size_t limit)
{
    if (text == nullptr)
        setNull(key);
    else
        fields->line[key] = std::string(text, strnlen(text, limit));
}

ViStatus CallRecord::finish(ViStatus status)
{
    try {
        fields->line["status"] = status;
        Journal::instance().write(fields->line, started);
    } catch (...) {
        // The journal is a trace: a failure to write it never changes what the call answers.
    }
    return status;
}

void resetJournal()
{
    Journal::instance().reset();
}

} // namespace sim
