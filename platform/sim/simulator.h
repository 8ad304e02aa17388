// The one simulated instrument system of the process and the sessions open on it. Every
// stand-in reaches the model through Simulator::access(), which holds the model's lock for as
// long as the returned object lives; nobody sleeps while holding it.
#ifndef SIMULATOR_H
#define SIMULATOR_H

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim_model.h"

namespace sim {

enum class SessionKind { ResourceManager, FindList, Instrument, Driver };

struct Session
{
    SessionKind kind = SessionKind::ResourceManager;
    ViSession rm = 0;  // resource manager a find list or instrument session was opened through
    int resource = -1; // index into System::resources
    int card = 0;      // card position of a driver session
    std::vector<std::string> found; // find list: descriptors not yet returned
    size_t next = 0;
};

struct State
{
    bool ready = false; // the system was built; false after a damaged file
    System system;
    std::map<ViObject, Session> sessions;
    ViObject nextHandle = 1;

    ViObject add(const Session &session);
    Session *find(ViObject handle, SessionKind kind);
    // An instrument or driver session (both answer attribute reads and carrier questions).
    Session *findResourceSession(ViObject handle);
    Resource *resource(const Session &session);
    Card *card(const Session &session);
    // What a call on resource `index` costs on its link now (see Link::cost).
    Link::Cost linkCost(int index) const;
    // The same for the resource behind an instrument or driver session; nothing for other objects.
    Link::Cost sessionLinkCost(ViObject handle);
};

class Simulator
{
public:
    class Access
    {
    public:
        State *operator->() { return &state; }
        State &operator*() { return state; }

    private:
        friend class Simulator;
        Access(std::mutex &mutex, State &s) : lock(mutex), state(s) {}
        std::unique_lock<std::mutex> lock;
        State &state;
    };

    // Locks the model, building the system from VISA_SIM_FILE (or the built-in one) first if
    // this is the first call since the start or since sim_reset.
    static Access access();
    static void reset();

private:
    static Simulator &instance();
    void build();

    std::mutex mutex;
    bool built = false;
    State state;
};

// The simulator's clock, which link windows and the journal's t_ms count from:
// started by the process's first call into the simulator, and again by sim_reset.
std::chrono::steady_clock::time_point clockStart();
double clockMs();

// Sleeps without any lock held.
void sleepMs(int milliseconds);

// Waits out what a call costs on its link, and `delayMs` more while the link is up, without any
// lock held. Returns VI_SUCCESS, or the status the call fails with while the link is down
// (VI_ERROR_TMO once VISA's timeout passed, VI_ERROR_CONN_LOST at once).
ViStatus crossLink(const Link::Cost &link, int delayMs = 0);

} // namespace sim

#endif
