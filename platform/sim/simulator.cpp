#include "simulator.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "sim_control.h"
#include "sim_journal.h"
#include "sim_loader.h"

namespace sim {

ViObject State::add(const Session &session)
{
    // 0 is never a valid handle, and a handle is not reused while its session is open.
    while (nextHandle == 0 || sessions.count(nextHandle) != 0)
        ++nextHandle;
    const ViObject handle = nextHandle++;
    sessions.emplace(handle, session);
    return handle;
}

Session *State::find(ViObject handle, SessionKind kind)
{
    const auto it = sessions.find(handle);
    return it != sessions.end() && it->second.kind == kind ? &it->second : nullptr;
}

Session *State::findResourceSession(ViObject handle)
{
    const auto it = sessions.find(handle);
    if (it == sessions.end())
        return nullptr;
    const SessionKind kind = it->second.kind;
    return kind == SessionKind::Instrument || kind == SessionKind::Driver ? &it->second : nullptr;
}

Resource *State::resource(const Session &session)
{
    if (session.resource < 0 || size_t(session.resource) >= system.resources.size())
        return nullptr;
    return &system.resources[size_t(session.resource)];
}

Card *State::card(const Session &session)
{
    Resource *r = resource(session);
    return r != nullptr && r->hasCarrier ? r->carrier.card(session.card) : nullptr;
}

Link::Cost State::linkCost(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= system.resources.size())
        return {};
    return system.resources[static_cast<size_t>(index)].link.cost(clockMs());
}

Link::Cost State::sessionLinkCost(ViObject handle)
{
    const Session *session = findResourceSession(handle);
    return session != nullptr ? linkCost(session->resource) : Link::Cost{};
}

Simulator &Simulator::instance()
{
    static Simulator simulator;
    return simulator;
}

Simulator::Access Simulator::access()
{
    // The first call into the simulator starts its clock.
    clockStart();
    Simulator &sim = instance();
    Access access(sim.mutex, sim.state);
    if (!sim.built)
        sim.build();
    return access;
}

namespace {

bool readFile(const std::string &path, std::string &text, std::string &error)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": cannot read the simulation file (" + std::strerror(errno) + ")";
        return false;
    }
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
        if (text.size() > maxFileBytes)
            break; // the loader refuses it; no need to read the rest
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read the simulation file";
        return false;
    }
    return true;
}

} // namespace

void Simulator::build()
{
    built = true;
    state = State();
    const char *path = std::getenv("VISA_SIM_FILE");
    LoadResult result;
    if (path == nullptr || *path == '\0') {
        result = loadDefaultSystem();
    } else {
        std::string text;
        if (readFile(path, text, result.error))
            result = loadSystem(text, path);
    }
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        std::fflush(stderr);
        return;
    }
    state.system = std::move(result.system);
    state.ready = true;
}

void Simulator::reset()
{
    Simulator &sim = instance();
    std::lock_guard<std::mutex> guard(sim.mutex);
    sim.built = false;
    sim.state = State();
}

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<Clock::rep> &clockStartTicks()
{
    static std::atomic<Clock::rep> ticks{Clock::now().time_since_epoch().count()};
    return ticks;
}

} // namespace

Clock::time_point clockStart()
{
    return Clock::time_point(Clock::duration(clockStartTicks().load()));
}

double clockMs()
{
    return std::chrono::duration<double, std::milli>(Clock::now() - clockStart()).count();
}

void sleepMs(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

ViStatus crossLink(const Link::Cost &link, int delayMs)
{
    sleepMs(link.fails != VI_SUCCESS ? link.waitMs : link.waitMs + delayMs);
    return link.fails;
}

} // namespace sim

extern "C" void sim_reset(void)
{
    sim::Simulator::reset();
    sim::resetJournal();
    sim::clockStartTicks().store(std::chrono::steady_clock::now().time_since_epoch().count());
}

extern "C" double sim_clockMs(void)
{
    return sim::clockMs();
}
