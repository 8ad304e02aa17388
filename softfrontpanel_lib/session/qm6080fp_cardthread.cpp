#include "session/qm6080fp_cardthread.h"

#include <QEventLoop>

#include <utility>

qm6080fp_cardThread::qm6080fp_cardThread(Post toWindow) : toWindow(std::move(toWindow)) {}

qm6080fp_cardThread::~qm6080fp_cardThread()
{
    finish(Action());
}

void qm6080fp_cardThread::setPollStep(std::function<bool()> step)
{
    const std::lock_guard<std::mutex> lock(mutex);
    pollStep = std::move(step);
}

void qm6080fp_cardThread::setCallWatch(std::function<void(bool)> watch)
{
    const std::lock_guard<std::mutex> lock(mutex);
    callWatch = std::move(watch);
}

void qm6080fp_cardThread::start()
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (!worker.joinable() && !finished)
        worker = std::thread([this] { run(); });
}

void qm6080fp_cardThread::push(Action action)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (closingNow)
            return;
        queue.push(std::move(action));
    }
    wake.notify_all();
}

void qm6080fp_cardThread::pushLatest(int key, Action action)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (closingNow)
            return;
        queue.pushLatest(key, std::move(action));
    }
    wake.notify_all();
}

void qm6080fp_cardThread::tick()
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (closingNow)
            return;
        queue.tick();
    }
    wake.notify_all();
}

void qm6080fp_cardThread::dropRound()
{
    const std::lock_guard<std::mutex> lock(mutex);
    queue.dropRound();
}

bool qm6080fp_cardThread::idle() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return queue.idle() && !running;
}

void qm6080fp_cardThread::runAndWait(Action action)
{
    // A window that is going waits for nothing more.
    if (closing())
        return;
    QEventLoop loop;
    bool done = false;
    push([this, &action, &loop, &done] {
        action();
        // After every job the action sent, in their order.
        show([&loop, &done] {
            done = true;
            loop.quit();
        });
    });
    if (!done)
        loop.exec();
}

void qm6080fp_cardThread::beginClosing()
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        closingNow = true;
        queue.clear();
    }
    wake.notify_all();
}

void qm6080fp_cardThread::finish(Action last)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (finished)
            return;
        finished = true;
        closingNow = true;
        stopping = true;
        queue.clear();
        lastAction = std::move(last);
    }
    wake.notify_all();
    if (worker.joinable()) {
        worker.join();
    } else if (lastAction) {
        // Never started: the last action has no thread to wait for.
        lastAction();
        lastAction = nullptr;
    }
}

void qm6080fp_cardThread::show(Job job)
{
    toWindow(std::move(job));
}

bool qm6080fp_cardThread::ask(Job job)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (closingNow)
            return false;
        answered = false;
    }
    // Only this thread asks, one question at a time.
    toWindow([this, job = std::move(job)] {
        job();
        {
            const std::lock_guard<std::mutex> lock(mutex);
            answered = true;
        }
        wake.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [this] { return answered || closingNow; });
    return answered;
}

void qm6080fp_cardThread::tellCall(bool out)
{
    std::function<void(bool)> watch;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        watch = callWatch;
    }
    if (watch)
        toWindow([watch, out] { watch(out); });
}

void qm6080fp_cardThread::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !queue.idle(); });
        if (stopping)
            break;
        Action action;
        const qm6080fp_actionQueue::Next next = queue.take(&action);
        const std::function<bool()> step = pollStep;
        running = true;
        lock.unlock();
        bool roundGoesOn = false;
        if (next == qm6080fp_actionQueue::Next::action)
            action();
        else if (step)
            roundGoesOn = step();
        // What the action holds goes before the lock is taken again.
        action = nullptr;
        lock.lock();
        if (next == qm6080fp_actionQueue::Next::pollStep)
            queue.pollStepDone(roundGoesOn);
        running = false;
    }
    Action last = std::move(lastAction);
    lock.unlock();
    if (last)
        last();
}
