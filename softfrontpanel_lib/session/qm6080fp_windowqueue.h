#ifndef QM6080FP_WINDOWQUEUE_H
#define QM6080FP_WINDOWQUEUE_H

#include <QList>
#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// What the card thread sends to the window: jobs run on the GUI thread, in
// the order sent. While the exit question is open they wait, so that no box
// of the card's comes over the question; once the user has answered Yes
// they are dropped, since the window is going.
class qm6080fp_windowQueue : public QObject
{
    Q_OBJECT

public:
    using Job = std::function<void()>;

    explicit qm6080fp_windowQueue(QObject *parent);

    // From any thread.
    void post(Job job);

    // On the GUI thread.
    void hold();
    // The jobs held run now, in order; later ones as they come.
    void release();
    void drop();

private slots:
    void runNext();

private:
    void run(const Job &job);

    // The hand-over between the threads, under a lock a race detector sees;
    // the toolkit's event queue only says when to look.
    std::mutex mutex;
    std::deque<Job> posted;

    bool holding = false;
    bool dropping = false;
    QList<Job> held;
};

#endif
