#include "qm7240fp_statuspoll.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

#include "qm7240fp_pollpace.h"

qm7240fp_statusPoll::qm7240fp_statusPoll(ReadChannel read, InPlay inPlay, Clock clock,
                                         QObject *parent)
    : QObject(parent), read(std::move(read)), inPlay(std::move(inPlay)), clock(std::move(clock)),
      // The tick belongs to the poll's owner, the panel, as its other timers would.
      ticker(new QTimer(parent ? parent : this)), stepTimer(new QTimer(this)),
      turnTimer(new QTimer(this))
{
    // Fires once the event loop has had its turn after a call.
    turnTimer->setSingleShot(true);
    turnTimer->setInterval(0);
    connect(turnTimer, &QTimer::timeout, this, [this] { turnOwed = false; });
    ticker->setInterval(tickMs);
    stepTimer->setSingleShot(true);
    // A coarse timer may fire up to 5 % early, and the rest is the GUI
    // thread's half of the time.
    stepTimer->setTimerType(Qt::PreciseTimer);
    connect(ticker, &QTimer::timeout, this, &qm7240fp_statusPoll::tick);
    connect(stepTimer, &QTimer::timeout, this, &qm7240fp_statusPoll::step);
}

void qm7240fp_statusPoll::start()
{
    stopped = false;
    ticker->start();
}

void qm7240fp_statusPoll::tick()
{
    if (stopped || resuming)
        return;
    // A slow card or link stretches the round past its tick: the next round
    // starts when this one ends, never on top of it.
    if (next >= 0) {
        owed = true;
        return;
    }
    startRound();
}

void qm7240fp_statusPoll::startRound()
{
    next = 0;
    scheduleStep();
}

void qm7240fp_statusPoll::scheduleStep()
{
    // A user's call waits only for the event loop's turn; a read for the rest.
    const double left = waiting.isEmpty() ? restUntil - clock() : 0.0;
    stepTimer->start(left > 0.0 ? int(std::ceil(left)) : 0);
}

int qm7240fp_statusPoll::scheduledStepMs() const
{
    return stepTimer->isActive() ? stepTimer->interval() : -1;
}

int qm7240fp_statusPoll::inPlayFrom(int index) const
{
    while (index < channelCount && !inPlay(index))
        ++index;
    return index;
}

void qm7240fp_statusPoll::callEnded(double callMs)
{
    const int pauseMs = qm7240fp_pollPauseMs(callMs);
    restUntil = std::max(restUntil, clock() + pauseMs);
    if (pauseMs > 0) {
        turnOwed = true;
        turnTimer->start();
    }
}

void qm7240fp_statusPoll::step()
{
    // The user's calls that waited for the event loop's turn go first, one per step.
    if (!waiting.isEmpty()) {
        runFirstWaitingCall();
        if (!waiting.isEmpty() || next >= 0)
            scheduleStep();
        return;
    }
    if (next < 0)
        return;
    // A group taken out of play since the last step is skipped from here on.
    const int index = inPlayFrom(next);
    if (index >= channelCount) {
        endRound();
        return;
    }
    next = inPlayFrom(index + 1);
    const double began = clock();
    const ViStatus status = read(index);
    callEnded(clock() - began);
    if (status != VI_SUCCESS) {
        // Stopped before anyone hears of it: the box that follows runs an
        // event loop of its own, in which no tick or step may come.
        stop();
        emit failed(index, status);
        return;
    }
    if (next >= channelCount)
        endRound();
    else
        scheduleStep();
}

void qm7240fp_statusPoll::endRound()
{
    next = -1;
    if (resuming) {
        resuming = false;
        ticker->start();
        emit resumed();
    }
    if (owed) {
        owed = false;
        startRound();
    } else if (!waiting.isEmpty()) {
        scheduleStep();
    }
}

void qm7240fp_statusPoll::callTook(double ms)
{
    callEnded(ms);
    // A step that fell due during the call waits out the rest after it too.
    if (stepTimer->isActive())
        scheduleStep();
}

void qm7240fp_statusPoll::afterTurn(int key, std::function<void()> call)
{
    for (WaitingCall &w : waiting) {
        if (w.key == key) {
            w.call = std::move(call);
            return;
        }
    }
    waiting.append({key, std::move(call)});
    scheduleStep();
}

void qm7240fp_statusPoll::runWaitingCalls()
{
    while (!waiting.isEmpty())
        runFirstWaitingCall();
}

void qm7240fp_statusPoll::runFirstWaitingCall()
{
    const WaitingCall waited = waiting.takeFirst();
    const double began = clock();
    waited.call();
    callEnded(clock() - began);
}

void qm7240fp_statusPoll::dropRound()
{
    next = -1;
    owed = false;
    if (resuming) {
        // The round that was to show the card again is gone with it.
        resuming = false;
        stopped = true;
    }
    if (waiting.isEmpty())
        stepTimer->stop();
}

void qm7240fp_statusPoll::stop()
{
    ticker->stop();
    next = -1;
    owed = false;
    resuming = false;
    stopped = true;
    if (waiting.isEmpty())
        stepTimer->stop();
}

void qm7240fp_statusPoll::resume()
{
    if (!stopped || resuming)
        return;
    stopped = false;
    resuming = true;
    owed = false;
    startRound();
}
