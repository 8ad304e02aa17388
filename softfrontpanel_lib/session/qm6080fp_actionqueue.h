#ifndef QM6080FP_ACTIONQUEUE_H
#define QM6080FP_ACTIONQUEUE_H

#include <deque>
#include <functional>

// What a card's session does next. The user's actions come first, in the
// order the user made them; a write that still waits takes a newer value for
// the same channel instead of queueing a second write. When no action waits,
// the status poll reads the next channel of its round. The poll's tick starts
// a round, or is owed when one is under way, so that rounds never overlap.
//
// No thread and no clock: the card thread takes from it under its own lock,
// and a test can take from it by hand.
class qm6080fp_actionQueue
{
public:
    using Action = std::function<void()>;

    enum class Next {
        none,     // nothing to do until the next push or tick
        action,   // run the action handed out
        pollStep, // read the next channel of the round, then pollStepDone()
    };

    void push(Action action);
    // An action that sets what `key` names (a channel): it replaces one of the
    // same key that still waits, unless a plain action waits after that one
    // (a range change carries the values it was given, and must not be
    // overtaken by a newer one).
    void pushLatest(int key, Action action);

    // The poll's tick: a round starts, or is owed when one is under way.
    void tick();
    // The round under way, and one owed, are dropped; the next tick starts afresh.
    void dropRound();
    // After a poll step: whether the round has channels left to read.
    void pollStepDone(bool roundGoesOn);

    Next take(Action *action);
    // Drops every action waiting, and the poll's round.
    void clear();

    bool idle() const { return actions.empty() && !roundUnderWay; }
    int waiting() const { return int(actions.size()); }

private:
    struct Entry
    {
        int key; // -1: a plain action
        Action action;
    };
    std::deque<Entry> actions;
    bool roundUnderWay = false;
    bool roundOwed = false;
};

#endif
