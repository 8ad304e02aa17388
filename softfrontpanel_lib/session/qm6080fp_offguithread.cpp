#include "session/qm6080fp_offguithread.h"

#include <QEventLoop>

#include <thread>

void qm6080fp_runOffGuiThread(const std::function<void()> &work)
{
    QEventLoop loop;
    std::thread worker([&] {
        work();
        // Queued: it quits the loop once the loop runs, however soon the work ended.
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}
