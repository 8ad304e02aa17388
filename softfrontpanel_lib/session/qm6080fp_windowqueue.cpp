#include "session/qm6080fp_windowqueue.h"

#include <utility>

qm6080fp_windowQueue::qm6080fp_windowQueue(QObject *parent) : QObject(parent) {}

void qm6080fp_windowQueue::post(Job job)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        posted.push_back(std::move(job));
    }
    // One queued call per job: it runs on the GUI thread, in the order
    // posted, and dies with this object if it never got its turn.
    QMetaObject::invokeMethod(this, "runNext", Qt::QueuedConnection);
}

void qm6080fp_windowQueue::runNext()
{
    Job job;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (posted.empty())
            return;
        job = std::move(posted.front());
        posted.pop_front();
    }
    run(job);
}

void qm6080fp_windowQueue::run(const Job &job)
{
    if (dropping)
        return;
    if (holding)
        held.append(job);
    else
        job();
}

void qm6080fp_windowQueue::hold()
{
    holding = true;
}

void qm6080fp_windowQueue::release()
{
    holding = false;
    // Jobs posted meanwhile are events still to come: they run after these.
    const QList<Job> jobs = std::exchange(held, QList<Job>());
    for (const Job &job : jobs)
        run(job);
}

void qm6080fp_windowQueue::drop()
{
    dropping = true;
    held.clear();
}
