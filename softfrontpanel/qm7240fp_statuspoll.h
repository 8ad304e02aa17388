#ifndef QM7240FP_STATUSPOLL_H
#define QM7240FP_STATUSPOLL_H

#include <QList>
#include <QObject>

#include <functional>

#include "visa.h"

class QTimer;

// The panel's status poll, and the pace of every call the panel makes on the
// card. A round reads the channels in play one per step, and between two
// steps the event loop has its turn; after every call, the poll's reads and
// the panel's own writes, range changes and resets alike, the next step rests
// at least as long as that call took, so that a slow card or link never holds
// the GUI thread for more than half of the time. A user's write that comes
// right after a slow call waits for the event loop's next turn, so that the
// window never waits for two calls in a row. A tick that comes while a round
// is under way is owed, never started on top of it. A read that fails stops
// the poll until resume().
//
// Time is a parameter: the clock is handed in, so that the schedule can be
// checked with made-up durations.
class qm7240fp_statusPoll : public QObject
{
    Q_OBJECT

public:
    // Reads channel `index` (0 to 15) and shows what it read; returns the status.
    using ReadChannel = std::function<ViStatus(int index)>;
    // Whether channel `index` is read in a round.
    using InPlay = std::function<bool(int index)>;
    // Milliseconds on a steady clock.
    using Clock = std::function<double()>;

    static constexpr int channelCount = 16;
    static constexpr int tickMs = 400;

    qm7240fp_statusPoll(ReadChannel read, InPlay inPlay, Clock clock, QObject *parent = nullptr);

    // The 400 ms tick that starts a round; a child of the poll's parent.
    QTimer *tickTimer() const { return ticker; }
    void start();

    // A tick: a round starts once the last call's rest is over, or is owed
    // when one is under way.
    void tick();
    // Reads the next channel of the round, or runs a call that waited for the rest.
    void step();

    // A call the panel made on the card outside the poll took `ms`: the
    // next step rests after it as after a read.
    void callTook(double ms);
    // Whether a call of a millisecond or more has just ended and the event
    // loop has not had its turn since: another call now would follow it at once.
    bool owesTurn() const { return turnOwed; }
    // Runs `call` at the event loop's next turn, before the poll's next
    // read, in order with the others waiting; one waiting under the same key
    // is replaced.
    void afterTurn(int key, std::function<void()> call);
    // Runs every call still waiting, now, in order.
    void runWaitingCalls();

    // Drops the rest of the round under way, and one owed; the next tick
    // starts afresh.
    void dropRound();
    // Stopped: no tick, no round, until resume().
    void stop();
    // A round at the first channel; if it reads every channel in play, the
    // poll ticks again (resumed()); if a read fails, it stays stopped.
    void resume();

    bool isStopped() const { return stopped; }
    bool isResuming() const { return resuming; }
    bool roundUnderWay() const { return next >= 0; }
    // The delay the next step was scheduled with, in ms; -1 when none is due.
    int scheduledStepMs() const;

signals:
    // Channel `index` answered `status`: the poll has stopped.
    void failed(int index, ViStatus status);
    // The round after resume() read every channel in play; the poll ticks again.
    void resumed();

private:
    void startRound();
    void scheduleStep();
    // The next channel in play from `index` on, or channelCount.
    int inPlayFrom(int index) const;
    void endRound();
    // A call of `callMs` ended: the rest after it, and the event loop's turn.
    void callEnded(double callMs);
    void runFirstWaitingCall();

    struct WaitingCall
    {
        int key;
        std::function<void()> call;
    };

    ReadChannel read;
    InPlay inPlay;
    Clock clock;
    QTimer *ticker = nullptr;
    QTimer *stepTimer = nullptr;
    QTimer *turnTimer = nullptr;
    bool turnOwed = false;
    int next = -1; // the channel the round under way reads next; -1: no round
    bool owed = false;
    bool stopped = false;
    bool resuming = false;
    double restUntil = 0.0; // on `clock`
    QList<WaitingCall> waiting;
};

#endif
