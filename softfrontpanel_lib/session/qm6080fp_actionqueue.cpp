#include "session/qm6080fp_actionqueue.h"

#include <utility>

void qm6080fp_actionQueue::push(Action action)
{
    actions.push_back({-1, std::move(action)});
}

void qm6080fp_actionQueue::pushLatest(int key, Action action)
{
    for (auto it = actions.rbegin(); it != actions.rend() && it->key >= 0; ++it) {
        if (it->key == key) {
            it->action = std::move(action);
            return;
        }
    }
    actions.push_back({key < 0 ? 0 : key, std::move(action)});
}

void qm6080fp_actionQueue::tick()
{
    if (roundUnderWay)
        roundOwed = true;
    else
        roundUnderWay = true;
}

void qm6080fp_actionQueue::dropRound()
{
    roundUnderWay = false;
    roundOwed = false;
}

void qm6080fp_actionQueue::pollStepDone(bool roundGoesOn)
{
    if (roundGoesOn)
        return;
    roundUnderWay = roundOwed;
    roundOwed = false;
}

qm6080fp_actionQueue::Next qm6080fp_actionQueue::take(Action *action)
{
    if (!actions.empty()) {
        *action = std::move(actions.front().action);
        actions.pop_front();
        return Next::action;
    }
    return roundUnderWay ? Next::pollStep : Next::none;
}

void qm6080fp_actionQueue::clear()
{
    actions.clear();
    dropRound();
}
