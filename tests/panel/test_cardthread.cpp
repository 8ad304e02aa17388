#include <QtTest>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "qm7240.h"
#include "qm7240fp_card.h"
#include "qm7240fp_cardflows.h"
#include "session/qm6080fp_actionqueue.h"
#include "session/qm6080fp_cardthread.h"

// The card thread and the panel's flows on a made-up card: the order of the
// calls, the boxes and the results, with no timer and no sleep. What the card
// was asked and what the window was told go into one log, in order.
class TestCardThread : public QObject
{
    Q_OBJECT

private slots:
    void queueOrder_data();
    void queueOrder();
    void flows_data();
    void flows();
    void oneActionAtATime();
    void boxWaits();
    void exitWhileBoxWaits();
};

namespace {

constexpr ViStatus driverError = -1074001000;
constexpr ViStatus warning = VI_WARN_NSUP_ID_QUERY;

class Log
{
public:
    void add(const QString &line)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        lines << line;
    }
    QStringList take()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(lines, QStringList());
    }

private:
    std::mutex mutex;
    QStringList lines;
};

// Groups 1 and 2 current (0-24mA), 3 and 4 voltage (-10 to 10 V). A call
// listed in `fail` answers that status, once for each time it is listed.
class MadeUpCard : public qm7240fp_card
{
public:
    explicit MadeUpCard(Log &log) : log(log) {}

    QStringList fail; // "setOutputRange 1 3=-1073807339"
    // Runs inside the next call, on the caller's thread, before it answers.
    std::function<void()> during;
    // Calls go through it as the driver's do: none once the window is going.
    qm6080fp_cardThread *thread = nullptr;

    ViStatus getOutputRange(ViInt32 group, ViInt32 *type, ViReal64 *lo, ViReal64 *hi) override
    {
        *type = group <= 2 ? QM7240_OUTPUT_CURRENT : QM7240_OUTPUT_VOLTAGE;
        *lo = group <= 2 ? 0.0 : -10.0;
        *hi = group <= 2 ? 24.0 : 10.0;
        return answer(QStringLiteral("getOutputRange %1").arg(group));
    }
    ViStatus setOutputRange(ViInt32 group, ViInt32 range) override
    {
        return answer(QStringLiteral("setOutputRange %1 %2").arg(group).arg(range));
    }
    ViStatus writeChannel(ViInt32 channel, ViReal64 value) override
    {
        return answer(QStringLiteral("writeChannel %1 %2").arg(channel).arg(value));
    }
    ViStatus getDACStatus(ViInt32 channel, ViUInt16 *stat) override
    {
        *stat = 0;
        return answer(QStringLiteral("getDACStatus %1").arg(channel));
    }
    ViStatus readSerialNo(ViUInt32 *serialNumber, ViChar subtype[]) override
    {
        *serialNumber = 0x1a2b;
        subtype[0] = '\0';
        return answer(QStringLiteral("readSerialNo"));
    }
    ViStatus revisionQuery(ViChar driverRevision[], ViChar firmwareRevision[]) override
    {
        driverRevision[0] = firmwareRevision[0] = '\0';
        return answer(QStringLiteral("revision_query"));
    }
    QString describe(ViStatus status) override { return QString::number(status); }

private:
    ViStatus answer(const QString &call)
    {
        return thread ? thread->call([&] { return made(call); }) : made(call);
    }

    ViStatus made(const QString &call)
    {
        if (during)
            std::exchange(during, nullptr)();
        ViStatus status = VI_SUCCESS;
        for (int i = 0; i < fail.size(); ++i) {
            if (fail[i].section(QLatin1Char('='), 0, 0) == call) {
                status = fail.takeAt(i).section(QLatin1Char('='), 1).toInt();
                break;
            }
        }
        log.add(status == VI_SUCCESS ? call : call + QStringLiteral(" !%1").arg(status));
        return status;
    }

    Log &log;
};

// The window as a log; a box is answered at once unless `ask` takes it.
class RecordingView : public qm7240fp_panelView
{
public:
    explicit RecordingView(Log &log) : log(log) {}

    std::function<void(ViStatus)> ask;

    void groupRead(int g, const qm7240fp_group_t &group) override
    {
        static const char *const known[] = {"not read", "unreadable", "unfit", "known"};
        log.add(QStringLiteral("= group %1 %2").arg(g + 1).arg(known[int(group.known)]));
    }
    void rangeConfirmed(int g, bool confirmed) override
    {
        log.add(QStringLiteral("= range %1 %2").arg(g + 1).arg(confirmed ? "ok" : "unconfirmed"));
    }
    void valueConfirmed(int indx, bool confirmed) override
    {
        log.add(QStringLiteral("= value %1 %2").arg(indx).arg(confirmed ? "ok" : "unconfirmed"));
    }
    void lampRead(int, bool) override {}
    void pollStopped() override { log.add(QStringLiteral("= poll stopped")); }
    void pollResumed() override { log.add(QStringLiteral("= poll resumed")); }
    void cardReset() override { log.add(QStringLiteral("= reset")); }
    void hardwareRead(const qm7240fp_hardware_t &) override { log.add(QStringLiteral("= page")); }
    void started(const qm7240fp_startPlan_t &) override {}
    // The reason alone, without the file's name.
    void warn(const QString &message) override
    {
        log.add("warn " + message.section(QStringLiteral(": "), 1).section('\n', 0, 0));
    }
    void report(ViStatus status, const QString &) override
    {
        if (ask)
            ask(status);
        else
            log.add(QStringLiteral("box %1").arg(status));
    }

private:
    Log &log;
};

// The GUI thread's side of the card thread, for a test: the jobs sent to the
// window wait here until the test runs them.
class WindowJobs
{
public:
    void post(qm6080fp_cardThread::Job job)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            jobs.push_back(std::move(job));
        }
        arrived.notify_all();
    }
    // The next job, once it has come; an empty one if none comes in 10 s.
    qm6080fp_cardThread::Job next()
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!arrived.wait_for(lock, std::chrono::seconds(10), [this] { return !jobs.empty(); }))
            return {};
        auto job = std::move(jobs.front());
        jobs.pop_front();
        return job;
    }

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<qm6080fp_cardThread::Job> jobs;
};

QStringList reads(int from, int to)
{
    QStringList list;
    for (int ch = from; ch <= to; ++ch)
        list << QStringLiteral("getDACStatus %1").arg(ch);
    return list;
}

} // namespace

void TestCardThread::queueOrder_data()
{
    // Each letter is pushed, or taken and run ("."): w<channel>:<value> a
    // write, r a range change, t the poll's tick; a round reads 3 channels.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("ran");
    QTest::newRow("in the order made") << "w1:0 r w2:5 . . ."
                                       << "w1:0 r w2:5";
    QTest::newRow("the latest value wins, in the first one's place") << "w6:1 w5:2 w6:3 . ."
                                                                     << "w6:3 w5:2";
    QTest::newRow("never past a range change, which carries its own values")
        << "w1:0 r w1:5 w1:6 . . ."
        << "w1:0 r w1:6";
    QTest::newRow("the user's actions before the poll's next read") << "t . w6:1 . . . ."
                                                                    << "p w6:1 p p";
    QTest::newRow("a tick during a round is owed, never on top of it") << "t . t t . . . . . ."
                                                                       << "p p p p p p";
    QTest::newRow("nothing to do") << ". t . . . ."
                                   << "p p p";
}

void TestCardThread::queueOrder()
{
    QFETCH(QString, script);
    QFETCH(QString, ran);

    qm6080fp_actionQueue queue;
    QStringList log;
    int readsLeft = 0;
    for (const QString &op : script.split(QLatin1Char(' '))) {
        if (op == QLatin1String("t")) {
            queue.tick();
        } else if (op == QLatin1String("r")) {
            queue.push([&log] { log << QStringLiteral("r"); });
        } else if (op.startsWith(QLatin1Char('w'))) {
            queue.pushLatest(op.mid(1).section(QLatin1Char(':'), 0, 0).toInt(),
                             [&log, op] { log << op; });
        } else {
            qm6080fp_actionQueue::Action action;
            const auto next = queue.take(&action);
            if (next == qm6080fp_actionQueue::Next::action) {
                action();
            } else if (next == qm6080fp_actionQueue::Next::pollStep) {
                log << QStringLiteral("p");
                readsLeft = readsLeft > 0 ? readsLeft - 1 : 2;
                queue.pollStepDone(readsLeft > 0);
            }
        }
    }
    QCOMPARE(log.join(QLatin1Char(' ')), ran);
}

void TestCardThread::flows_data()
{
    QTest::addColumn<QStringList>("fail");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("setup"); // the start-up's setup file, if any

    const QString tmo = QString::number(VI_ERROR_TMO);
    const QString err = QString::number(driverError);
    const QString warn = QString::number(warning);
    const QStringList writes1to4{
        "writeChannel 1 0.004", "= value 1 ok", "writeChannel 2 0.004", "= value 2 ok",
        "writeChannel 3 0.004", "= value 3 ok", "writeChannel 4 0.004", "= value 4 ok"};
    const QStringList unconfirmed1to4{"= value 1 unconfirmed", "= value 2 unconfirmed",
                                      "= value 3 unconfirmed", "= value 4 unconfirmed"};

    // Actions: "range" is 4-20mA for group 1 with its channels at 4 mA, "write"
    // 1 mA to channel 5, "start" the start-up, "resume" Resume Monitoring,
    // "recall" 4-20mA for group 1, 0-20mA for group 2, then channels 1 and 5.
    QTest::newRow("a link failure ends only its own action")
        << QStringList{"setOutputRange 1 3=" + tmo} << "range write"
        << QStringList{"setOutputRange 1 3 !" + tmo, "= range 1 unconfirmed", "box " + tmo} +
               unconfirmed1to4 + QStringList{"writeChannel 5 0.001", "= value 5 ok"}
        << QString();
    QTest::newRow("a driver error: its box, and the action goes on")
        << QStringList{"setOutputRange 1 3=" + err} << "range"
        << QStringList{"setOutputRange 1 3 !" + err, "= range 1 unconfirmed", "box " + err} +
               writes1to4
        << QString();
    QTest::newRow("a warning marks nothing")
        << QStringList{"setOutputRange 1 3=" + warn, "writeChannel 5 0.001=" + warn}
        << "range write"
        << QStringList{"setOutputRange 1 3 !" + warn, "= range 1 ok", "box " + warn} + writes1to4 +
               QStringList{"writeChannel 5 0.001 !" + warn, "= value 5 ok", "box " + warn}
        << QString();
    QTest::newRow("the link fails at the first range read; resume reads the groups, then lamps")
        << QStringList{"getOutputRange 1=" + tmo} << "start resume"
        << QStringList{"getOutputRange 1 !" + tmo,
                       "= group 1 not read",
                       "box " + tmo,
                       "= group 2 not read",
                       "= group 3 not read",
                       "= group 4 not read",
                       "= page",
                       "getOutputRange 1",
                       "= group 1 known",
                       "getOutputRange 2",
                       "= group 2 known",
                       "getOutputRange 3",
                       "= group 3 known",
                       "getOutputRange 4",
                       "= group 4 known"} +
               reads(1, 16) + QStringList{"= poll resumed"}
        << QString();
    QTest::newRow("a resume that meets the link again stays stopped")
        << QStringList{"getOutputRange 3=" + tmo, "getOutputRange 3=" + tmo} << "start resume"
        << QStringList{"getOutputRange 1",
                       "= group 1 known",
                       "setOutputRange 1 1",
                       "= range 1 ok",
                       "writeChannel 1 0",
                       "= value 1 ok",
                       "writeChannel 2 0",
                       "= value 2 ok",
                       "writeChannel 3 0",
                       "= value 3 ok",
                       "writeChannel 4 0",
                       "= value 4 ok",
                       "getOutputRange 2",
                       "= group 2 known",
                       "setOutputRange 2 1",
                       "= range 2 ok",
                       "writeChannel 5 0",
                       "= value 5 ok",
                       "writeChannel 6 0",
                       "= value 6 ok",
                       "writeChannel 7 0",
                       "= value 7 ok",
                       "writeChannel 8 0",
                       "= value 8 ok",
                       "getOutputRange 3 !" + tmo,
                       "= group 3 not read",
                       "box " + tmo,
                       "= group 4 not read",
                       "= page",
                       "getOutputRange 3 !" + tmo,
                       "= group 3 not read",
                       "box " + tmo}
        << QString();

    const QString setupHead = "[setup]\nformat = 1\nmodel = 7240\n";
    const QStringList page{"readSerialNo", "revision_query", "= page"};
    const QStringList reads{"getOutputRange 1", "getOutputRange 2", "getOutputRange 3",
                            "getOutputRange 4"};
    const QStringList group2Zeros{"= group 2 known",  "setOutputRange 2 1", "= range 2 ok",
                                  "writeChannel 5 0", "= value 5 ok",       "writeChannel 6 0",
                                  "= value 6 ok",     "writeChannel 7 0",   "= value 7 ok",
                                  "writeChannel 8 0", "= value 8 ok"};
    QTest::newRow("from a setup: every group read, then its ranges and values")
        << QStringList() << "start"
        << reads +
               QStringList{"= group 1 known", "setOutputRange 1 3", "= range 1 ok",
                           "writeChannel 1 0.02", "= value 1 ok"} +
               group2Zeros +
               QStringList{"= group 3 known", "writeChannel 9 -10", "= value 9 ok",
                           "= group 4 known"} +
               page
        << setupHead + "[group1]\nrange = 4-20mA\nchannel1 = 20.000 mA\n[group3]\nrange = "
                       "-10-10V\nchannel9 = -10.000 V\n";
    QStringList zeros1{"= group 1 known", "setOutputRange 1 1", "= range 1 ok"};
    for (int ch = 1; ch <= 4; ++ch)
        zeros1 << QStringLiteral("writeChannel %1 0").arg(ch)
               << QStringLiteral("= value %1 ok").arg(ch);
    QTest::newRow("a setup that does not fit: its box, and the start-up as without it")
        << QStringList() << "start"
        << reads +
               QStringList{"warn line 7: group 3's range is 0-5V in the file, but -10-10V on the "
                           "card, which fixes it."} +
               zeros1 + group2Zeros + QStringList{"= group 3 known", "= group 4 known"} + page
        << setupHead + "[group1]\nrange = 4-20mA\n[group3]\nrange = 0-5V\n";
    QTest::newRow("a recall: the ranges, then the values; a link failure ends it")
        << QStringList{"setOutputRange 2 2=" + tmo} << "recall"
        << QStringList{"setOutputRange 1 3",    "= range 1 ok", "setOutputRange 2 2 !" + tmo,
                       "= range 2 unconfirmed", "box " + tmo,   "= value 1 unconfirmed",
                       "= value 5 unconfirmed"}
        << QString();
}

void TestCardThread::flows()
{
    QFETCH(QStringList, fail);
    QFETCH(QString, actions);
    QFETCH(QStringList, log);
    QFETCH(QString, setup);

    Log got;
    MadeUpCard card(got);
    card.fail = fail;
    RecordingView view(got);
    qm7240fp_cardFlows flows(card, view);
    if (!actions.startsWith(QLatin1String("start"))) {
        // Known groups, as after a start-up the card answered in full.
        flows.startUp();
        got.take();
    }
    for (const QString &action : actions.split(QLatin1Char(' '))) {
        if (action == QLatin1String("range")) {
            qm7240fp_rangeChange_t change;
            change.group = 0;
            change.index = 2;
            change.values = {4.0, 4.0, 4.0, 4.0};
            flows.changeRange(change);
        } else if (action == QLatin1String("write")) {
            flows.writeValue(5, 1.0);
        } else if (action == QLatin1String("start")) {
            qm7240fp_startSetup_t start;
            start.given = !setup.isEmpty();
            if (start.given) {
                const qm7240fp_setupRead_t read = qm7240fp_readSetup(setup.toUtf8());
                QVERIFY2(read.ok, qPrintable(read.error));
                start.setup = read.setup;
            }
            flows.startUp(start);
        } else if (action == QLatin1String("recall")) {
            qm7240fp_recall_t recall;
            recall.rangeIndex[0] = 2;
            recall.rangeIndex[1] = 1;
            recall.write[0] = recall.write[4] = true;
            recall.value[0] = 4.0;
            flows.recall(recall);
        } else {
            flows.resume();
        }
    }
    QCOMPARE(got.take(), log);
}

namespace {

// Runs the window's jobs until every action pushed so far has run.
bool runWindowJobs(qm6080fp_cardThread &thread, WindowJobs &window)
{
    bool done = false;
    thread.push([&] { thread.show([&done] { done = true; }); });
    while (!done) {
        const auto job = window.next();
        if (!job)
            return false;
        job();
    }
    return true;
}

} // namespace

void TestCardThread::oneActionAtATime()
{
    Log log;
    MadeUpCard card(log);
    WindowJobs window;
    qm6080fp_cardThread thread([&window](qm6080fp_cardThread::Job job) { window.post(job); });
    // The first call holds until the test lets it go.
    std::mutex gate;
    std::unique_lock<std::mutex> closed(gate);
    card.during = [&] {
        window.post([] {});
        const std::lock_guard<std::mutex> wait(gate);
    };
    thread.start();
    thread.push([&card] { card.writeChannel(1, 0.001); });
    thread.push([&card] { card.writeChannel(2, 0.002); });
    QVERIFY(window.next()); // the first call is out, and holds
    QVERIFY(!thread.idle());
    QCOMPARE(log.take(), QStringList());
    closed.unlock();
    QVERIFY(runWindowJobs(thread, window));
    QCOMPARE(log.take(), (QStringList{"writeChannel 1 0.001", "writeChannel 2 0.002"}));
}

namespace {

// The made-up card behind a card thread of its own, through its start-up;
// the window's jobs wait for the test.
struct ThreadRig
{
    Log log;
    MadeUpCard card{log};
    RecordingView view{log};
    WindowJobs window;
    qm7240fp_cardFlows flows{card, view};
    // Last, so that it ends before what its actions use.
    qm6080fp_cardThread thread{[this](qm6080fp_cardThread::Job job) { window.post(job); }};

    bool startUp()
    {
        thread.start();
        thread.push([this] { flows.startUp(); });
        const bool done = runWindowJobs(thread, window);
        log.take();
        return done;
    }
    // 4-20mA for group 1 with its channels at 4 mA, then 1 mA to channel 5.
    void rangeThenWrite()
    {
        qm7240fp_rangeChange_t change;
        change.index = 2;
        change.values = {4.0, 4.0, 4.0, 4.0};
        thread.push([this, change] { flows.changeRange(change); });
        thread.push([this] { flows.writeValue(5, 1.0); });
    }
};

} // namespace

void TestCardThread::boxWaits()
{
    ThreadRig rig;
    rig.card.fail = QStringList{"writeChannel 2 0.004=" + QString::number(driverError)};
    rig.view.ask = [&rig](ViStatus status) {
        rig.thread.ask(
            [&rig, status] { rig.log.add(QStringLiteral("box %1 answered").arg(status)); });
    };
    QVERIFY(rig.startUp());
    rig.rangeThenWrite();
    QVERIFY(runWindowJobs(rig.thread, rig.window));
    // Nothing went to the card while the box waited; the action went on
    // after the answer, and the next one after it.
    const QString err = QString::number(driverError);
    QCOMPARE(rig.log.take(),
             (QStringList{"setOutputRange 1 3", "= range 1 ok", "writeChannel 1 0.004",
                          "= value 1 ok", "writeChannel 2 0.004 !" + err, "= value 2 unconfirmed",
                          "box " + err + " answered", "writeChannel 3 0.004", "= value 3 ok",
                          "writeChannel 4 0.004", "= value 4 ok", "writeChannel 5 0.001",
                          "= value 5 ok"}));
}

void TestCardThread::exitWhileBoxWaits()
{
    ThreadRig rig;
    rig.card.fail = QStringList{"setOutputRange 1 3=" + QString::number(driverError)};
    rig.card.thread = &rig.thread;
    bool asked = true;
    rig.view.ask = [&](ViStatus) { asked = rig.thread.ask([] {}); };
    QVERIFY(rig.startUp());
    rig.rangeThenWrite();
    // The box's job comes, and the user closes the window instead of
    // answering: the box is let go, no further call is made, and the
    // session is closed last.
    QVERIFY(rig.window.next());
    rig.thread.finish([&rig] { rig.log.add(QStringLiteral("close")); });
    QVERIFY(!asked);
    QCOMPARE(rig.log.take(),
             (QStringList{"setOutputRange 1 3 !" + QString::number(driverError),
                          "= range 1 unconfirmed", "= value 1 unconfirmed", "= value 2 unconfirmed",
                          "= value 3 unconfirmed", "= value 4 unconfirmed", "close"}));
}

QTEST_GUILESS_MAIN(TestCardThread)
#include "test_cardthread.moc"
