#include <QtTest>

#include <QTimer>

#include "qm7240fp_statuspoll.h"

namespace {

// A card on a made-up clock: every read takes `readMs`, and the channels
// in `failing` answer a timeout.
struct FakeCard
{
    double nowMs = 1000.0;
    double readMs = 0.0;
    QList<int> reads;
    QList<int> failing;
    bool inPlay[16] = {true, true, true, true, true, true, true, true,
                       true, true, true, true, true, true, true, true};

    std::unique_ptr<qm7240fp_statusPoll> poll()
    {
        return std::make_unique<qm7240fp_statusPoll>(
            [this](int index) {
                reads << index;
                nowMs += readMs;
                return failing.contains(index) ? VI_ERROR_TMO : VI_SUCCESS;
            },
            [this](int index) { return inPlay[index]; }, [this] { return nowMs; });
    }
};

QList<int> channels(int from, int to)
{
    QList<int> list;
    for (int i = from; i <= to; ++i)
        list << i;
    return list;
}

} // namespace

// The status poll's schedule, on a made-up clock: no timer fires here, the
// steps are taken by hand and the delays they were scheduled with are read.
class TestStatusPoll : public QObject
{
    Q_OBJECT

private slots:
    void restAfterEveryCall_data();
    void restAfterEveryCall();
    void roundsAndTicks();
    void stopAndResume();
};

void TestStatusPoll::restAfterEveryCall_data()
{
    QTest::addColumn<double>("readMs");
    QTest::addColumn<double>("userCallMs"); // a write of the panel's after the first read; 0: none
    QTest::addColumn<int>("restMs");        // what the next step waits

    QTest::newRow("fast card: the event loop's turn only") << 0.3 << 0.0 << 0;
    QTest::newRow("a read of 20 ms rests 21") << 20.0 << 0.0 << 21;
    QTest::newRow("a read of 100 ms rests 101") << 100.0 << 0.0 << 101;
    QTest::newRow("a user's write of 30 ms pushes the step back") << 0.3 << 30.0 << 31;
    QTest::newRow("a slow user's call rests past a short read") << 2.0 << 100.0 << 101;
}

void TestStatusPoll::restAfterEveryCall()
{
    QFETCH(double, readMs);
    QFETCH(double, userCallMs);
    QFETCH(int, restMs);

    FakeCard card;
    card.readMs = readMs;
    auto poll = card.poll();
    poll->tick();
    QCOMPARE(poll->scheduledStepMs(), 0);
    poll->step();
    QCOMPARE(card.reads, QList<int>{0});
    if (userCallMs > 0) {
        card.nowMs += userCallMs;
        poll->callTook(userCallMs);
    }
    QCOMPARE(poll->scheduledStepMs(), restMs);
    // After a call of a millisecond or more, the next call waits for the
    // event loop's turn.
    QCOMPARE(poll->owesTurn(), restMs > 0);

    // Users' writes wait for that turn only, and go before the next read, one
    // per step; a newer value for a channel takes the place of one waiting.
    // The read after them rests after the last write, of 30 ms here, and
    // after the read before them as well.
    QList<QString> writes;
    const auto write = [&](const char *what) {
        return [&, what] {
            writes << QLatin1String(what);
            card.nowMs += 30.0;
        };
    };
    poll->afterTurn(6, write("6=1"));
    poll->afterTurn(7, write("7=1"));
    poll->afterTurn(6, write("6=2"));
    QCOMPARE(poll->scheduledStepMs(), 0);
    poll->step();
    QCOMPARE(poll->scheduledStepMs(), 0);
    poll->step();
    QCOMPARE(writes, (QList<QString>{"6=2", "7=1"}));
    QCOMPARE(card.reads, QList<int>{0});
    const int afterWrites = std::max(restMs - 60, 31);
    QCOMPARE(poll->scheduledStepMs(), afterWrites);
    card.nowMs += afterWrites;
    poll->step();
    QCOMPARE(card.reads, (QList<int>{0, 1}));
}

void TestStatusPoll::roundsAndTicks()
{
    FakeCard card;
    card.readMs = 20.0;
    auto poll = card.poll();
    // A tick in the middle of a round is owed: the round goes on, and the
    // next one starts at channel 1 when it ends.
    poll->tick();
    for (int i = 0; i < 5; ++i)
        poll->step();
    poll->tick();
    while (card.reads.size() < 20)
        poll->step();
    QCOMPARE(card.reads, channels(0, 15) + channels(0, 3));
    QVERIFY(poll->roundUnderWay());

    // Without an owed tick a round ends there; a group out of play is skipped.
    card.reads.clear();
    poll->dropRound();
    QCOMPARE(poll->scheduledStepMs(), -1);
    for (int i = 4; i < 8; ++i)
        card.inPlay[i] = false;
    poll->tick();
    while (poll->roundUnderWay())
        poll->step();
    QCOMPARE(card.reads, channels(0, 3) + channels(8, 15));

    // No group in play: a tick reads nothing.
    card.reads.clear();
    for (bool &p : card.inPlay)
        p = false;
    poll->tick();
    poll->step();
    QVERIFY(!poll->roundUnderWay());
    QCOMPARE(card.reads, QList<int>{});
}

void TestStatusPoll::stopAndResume()
{
    FakeCard card;
    card.failing = {5};
    auto poll = card.poll();
    QSignalSpy failed(poll.get(), &qm7240fp_statusPoll::failed);
    QSignalSpy resumed(poll.get(), &qm7240fp_statusPoll::resumed);
    poll->start();
    QVERIFY(poll->tickTimer()->isActive());
    poll->tick();
    while (poll->roundUnderWay())
        poll->step();
    QCOMPARE(card.reads, channels(0, 5));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toInt(), 5);
    QVERIFY(poll->isStopped());
    QVERIFY(!poll->tickTimer()->isActive());
    QCOMPARE(poll->scheduledStepMs(), -1);
    poll->tick();
    QVERIFY(!poll->roundUnderWay());

    // Resumed while the channel still fails: one more failure, still stopped.
    card.reads.clear();
    poll->resume();
    while (poll->roundUnderWay())
        poll->step();
    QCOMPARE(card.reads, channels(0, 5));
    QCOMPARE(failed.count(), 2);
    QVERIFY(poll->isStopped());
    QCOMPARE(resumed.count(), 0);

    // Resumed once it answers: a whole round, then the ticks again.
    card.reads.clear();
    card.failing.clear();
    poll->resume();
    QVERIFY(!poll->tickTimer()->isActive());
    while (poll->roundUnderWay())
        poll->step();
    QCOMPARE(card.reads, channels(0, 15));
    QCOMPARE(resumed.count(), 1);
    QVERIFY(!poll->isStopped());
    QVERIFY(poll->tickTimer()->isActive());
}

QTEST_GUILESS_MAIN(TestStatusPoll)
#include "test_statuspoll.moc"
