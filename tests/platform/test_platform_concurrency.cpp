// Many threads at once on one resource manager session, as the card search does it: opening,
// reading attributes, opening carriers, reading their cards and closing, beside driver calls.
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "qm6080.h"
#include "qm7240.h"
#include "simfixture.h"
#include "visa.h"

namespace {

constexpr int threadCount = 128;
constexpr int rounds = 8;
constexpr int boxes = 16;

// Sixteen LXI boxes, each with a card of option "AB" in position 1 and a DAC card in position 2.
QString boxSystem(int openDelayMs)
{
    QString yaml = "resources:\n";
    for (int i = 0; i < boxes; ++i)
        yaml += QString("  - descriptor: \"TCPIP0::10.9.0.%1::INSTR\"\n"
                        "    tcpip_address: \"10.9.0.%1\"\n"
                        "    open_delay_ms: %2\n"
                        "    carrier: {model: 1864, cards: [{position: 1, model: 0x8164, option: "
                        "\"AB\"}, {position: 2, model: 0x7240, open_circuit: [1]}]}\n")
                    .arg(i)
                    .arg(openDelayMs);
    return yaml;
}

// Releases all threads at once.
class StartLine
{
public:
    void wait()
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (++waiting == threadCount)
            ready.notify_all();
        else
            ready.wait(lock, [this] { return waiting >= threadCount; });
    }

private:
    std::mutex mutex;
    std::condition_variable ready;
    int waiting = 0;
};

// Handles held open at the same moment must all differ.
class LiveHandles
{
public:
    bool add(ViSession vi)
    {
        std::lock_guard<std::mutex> guard(mutex);
        return live.insert(vi).second;
    }
    void remove(ViSession vi)
    {
        std::lock_guard<std::mutex> guard(mutex);
        live.erase(vi);
    }

private:
    std::mutex mutex;
    std::set<ViSession> live;
};

} // namespace

class TestPlatformConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void probesAndDriverCallsAtOnce();
    void openDelaysOverlap();
};

void TestPlatformConcurrency::probesAndDriverCallsAtOnce()
{
    SimFixture sim(boxSystem(1));
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    StartLine start;
    LiveHandles handles;
    std::atomic<int> failures{0};
    std::atomic<int> probes{0};
    std::atomic<int> driverRounds{0};
    auto check = [&failures](bool ok) {
        if (!ok)
            ++failures;
        return ok;
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            start.wait();
            const QByteArray descriptor =
                QString("TCPIP0::10.9.0.%1::INSTR").arg(t % boxes).toLatin1();
            for (int round = 0; round < rounds; ++round) {
                if (t % 4 == 3) {
                    // A driver session on the box's DAC card.
                    ViSession vi = 0;
                    if (!check(qm7240_init(descriptor.constData(), 2, VI_TRUE, VI_FALSE, &vi) ==
                               VI_SUCCESS))
                        continue;
                    check(handles.add(vi));
                    check(qm7240_writeChannel(vi, 1 + round % 4, 0.001 * round) == VI_SUCCESS);
                    ViUInt16 status = 9;
                    check(qm7240_getDACStatus(vi, 2, &status) == VI_SUCCESS && status == 0);
                    ViChar text[256];
                    check(viGetAttribute(vi, VI_ATTR_TCPIP_ADDR, text) == VI_SUCCESS);
                    handles.remove(vi);
                    check(qm7240_close(vi) == VI_SUCCESS);
                    ++driverRounds;
                    continue;
                }
                ViSession vi = 0;
                if (!check(viOpen(rm, descriptor.constData(), VI_NO_LOCK, 0, &vi) == VI_SUCCESS))
                    continue;
                check(handles.add(vi));
                ViUInt16 intf = 0;
                check(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf) == VI_SUCCESS &&
                      intf == VI_INTF_TCPIP);
                ViChar address[256] = {};
                check(viGetAttribute(vi, VI_ATTR_TCPIP_ADDR, address) == VI_SUCCESS &&
                      QByteArray(address) == QString("10.9.0.%1").arg(t % boxes).toLatin1());
                qm6080_carrierContext *context = nullptr;
                if (check(qm6080_openCarrier(vi, &context) == VI_SUCCESS)) {
                    check(context->info->carrierModel == 1864 && context->info->cardCount == 2 &&
                          context->info->modelCodes[0] == 0x8164 &&
                          context->info->modelCodes[1] == 0x7240);
                    context->access(context, 0, 1);
                    qm6080_accessTable *table = context->access(context, 1, 1);
                    ViUInt16 option = 0;
                    check(table != nullptr &&
                          table->read(context, 1, 0xFC, &option) == VI_SUCCESS &&
                          option == (('A' << 8) | 'B'));
                    check(qm6080_closeCarrier(&context) == VI_SUCCESS && context == nullptr);
                }
                handles.remove(vi);
                check(viClose(vi) == VI_SUCCESS);
                ++probes;
            }
            if (t == 0) {
                ViFindList list = 0;
                ViUInt32 count = 0;
                ViChar desc[VI_FIND_BUFLEN];
                check(viFindRsrc(rm, "TCPIP?*INSTR", &list, &count, desc) == VI_SUCCESS &&
                      count == boxes);
                check(viClose(list) == VI_SUCCESS);
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(probes.load(), threadCount * 3 / 4 * rounds);
    QCOMPARE(driverRounds.load(), threadCount / 4 * rounds);
    QCOMPARE(viClose(rm), VI_SUCCESS);

    const QList<QJsonObject> lines = sim.journal();
    // Per probe: open, two reads, openCarrier, two access calls, one read, close carrier, close.
    // Per driver round: init, write, status, one attribute read, close.
    const int expected = 1 + probes.load() * 9 + driverRounds.load() * 5 + 2 + 1;
    QCOMPARE(lines.size(), expected);
    std::set<int> threadNumbers;
    for (const QJsonObject &line : lines)
        threadNumbers.insert(line.value("thread").toInt());
    QCOMPARE(int(threadNumbers.size()), threadCount + 1);
    QCOMPARE(*threadNumbers.begin(), 1);
    QCOMPARE(*threadNumbers.rbegin(), threadCount + 1);
}

void TestPlatformConcurrency::openDelaysOverlap()
{
    // Opens that sleep must not wait for each other: with the lock held while sleeping, no two
    // open intervals in the journal could overlap.
    SimFixture sim(boxSystem(40));
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    StartLine start;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            start.wait();
            ViSession vi = 0;
            const QByteArray descriptor =
                QString("TCPIP0::10.9.0.%1::INSTR").arg(t % boxes).toLatin1();
            if (viOpen(rm, descriptor.constData(), VI_NO_LOCK, 0, &vi) != VI_SUCCESS ||
                viClose(vi) != VI_SUCCESS)
                ++failures;
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(failures.load(), 0);
    viClose(rm);
    std::vector<std::pair<double, int>> edges;
    for (const QJsonObject &line : sim.calls("viOpen")) {
        const double end = line.value("t_ms").toDouble();
        edges.emplace_back(end - line.value("dur_ms").toDouble(), 1);
        edges.emplace_back(end, -1);
    }
    QCOMPARE(int(edges.size()), 2 * threadCount);
    std::sort(edges.begin(), edges.end());
    int open = 0;
    int most = 0;
    for (const auto &edge : edges)
        most = std::max(most, open += edge.second);
    QVERIFY2(most >= 2, qPrintable(QString("at most %1 opens at a time").arg(most)));
}

QTEST_GUILESS_MAIN(TestPlatformConcurrency)
#include "test_platform_concurrency.moc"
