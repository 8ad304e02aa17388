#ifndef QM6080FP_CARDTHREAD_H
#define QM6080FP_CARDTHREAD_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "session/qm6080fp_actionqueue.h"
#include "visa.h"

// The one thread that talks to a card's session. A vendor's driver may not be
// safe to call from two threads, and a call on a dead link waits out VISA's
// timeout: so every call on the session is made here, one at a time, in the
// order the user made them, and the GUI thread only sends work and shows what
// comes back.
//
// Work comes as actions (the start-up, a range change, a write, a reset, ...),
// each run whole before the next, and as the status poll's reads when no
// action waits (qm6080fp_actionQueue). An action reaches the window through
// jobs that run on the GUI thread in the order sent: show() a result, or ask()
// a question and wait for the answer, so that a flow with a box in its middle
// still reads top to bottom.
class qm6080fp_cardThread
{
public:
    using Action = qm6080fp_actionQueue::Action;
    using Job = std::function<void()>;
    // Runs a job on the window's thread, later, in the order given; safe to
    // call from any thread.
    using Post = std::function<void(Job)>;

    explicit qm6080fp_cardThread(Post toWindow);
    // Ends the thread as finish() does, without a last action.
    ~qm6080fp_cardThread();
    qm6080fp_cardThread(const qm6080fp_cardThread &) = delete;
    qm6080fp_cardThread &operator=(const qm6080fp_cardThread &) = delete;

    // The status poll's read of the next channel of its round; returns
    // whether the round has channels left. May be set at any time.
    void setPollStep(std::function<bool()> step);
    // Told on the window's thread each time a call to the card goes out
    // (true) and returns (false).
    void setCallWatch(std::function<void(bool out)> watch);
    void start();

    // From the window's thread.
    void push(Action action);
    void pushLatest(int key, Action action);
    void tick();
    // Runs `action` and returns once it and every job it sent have run; the
    // caller's event loop turns meanwhile, so boxes can be answered.
    void runAndWait(Action action);
    // The window is going: no action waits or starts any more, a question
    // waited for is left unasked, and calls are refused (call()).
    void beginClosing();
    // Closes as beginClosing() does, lets the call under way return (at most
    // its timeout), runs `last` on the card thread and ends the thread. Only
    // the first call does anything.
    void finish(Action last);
    // Nothing waits and nothing runs: for tests and benchmarks.
    bool idle() const;

    // From an action on the card thread.
    void show(Job job);
    // Runs `job` on the window's thread and waits until it has returned;
    // false when the window is going and the job did not run.
    bool ask(Job job);
    bool closing() const { return closingNow; }
    void dropRound();
    // Makes a call to the card, unless the window is going: then the call is
    // not made and the answer is VI_ERROR_ABORT.
    template <class Call> ViStatus call(Call callCard)
    {
        if (closing())
            return VI_ERROR_ABORT;
        tellCall(true);
        const ViStatus status = callCard();
        tellCall(false);
        return status;
    }

private:
    void run();
    void tellCall(bool out);

    Post toWindow;
    mutable std::mutex mutex;
    std::condition_variable wake;
    qm6080fp_actionQueue queue;
    std::function<bool()> pollStep;
    std::function<void(bool)> callWatch;
    std::thread worker;
    std::atomic<bool> closingNow{false};
    bool stopping = false;
    bool finished = false;
    bool running = false;
    bool answered = false;
    Action lastAction;
};

#endif
