// Runs the DAC panel on a card whose every driver call takes L ms, as on a
// slow bus or a LAN carrier far away, for ten seconds per case, and measures
// what the user feels: the GUI thread's longest gap (a 5 ms timer), the share
// of time it was free (from the journal of its driver calls), how often
// channel 6's status is read, and how long a value set on channel 6's control
// takes to reach the card.
//
//   bench_link            the default cases, L = 0, 2, 20 and 100
//   bench_link L ...      the given cases
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "benchpanel.h"
#include "guigapmeter.h"
#include "qm6080.h"
#include "qm7240_dblctrl.h"
#include "qm7240_fc.h"
#include "sim_control.h"

namespace {

constexpr int runMs = 10000;
constexpr int settleMs = 600;

// Marks a moment in the journal's own time: the common library's revision
// call touches no card.
void journalMark()
{
    ViChar revision[40] = {};
    qm6080_revisionText(revision);
}

struct JournalFigures
{
    double busyMs = 0.0;       // driver calls of the GUI thread between the marks
    double windowMs = 0.0;     // from mark to mark
    double ch6MeanGapMs = 0.0; // between two reads of channel 6
    int ch6Reads = 0;
    std::vector<double> ch6WritesEndMs; // when each write of channel 6 returned
};

JournalFigures readJournal(const QString &path)
{
    JournalFigures f;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return f;
    std::vector<double> marks;
    std::vector<double> ch6;
    struct Call
    {
        double endMs;
        double durMs;
    };
    std::vector<Call> guiCalls;
    while (!file.atEnd()) {
        const QJsonObject line = QJsonDocument::fromJson(file.readLine()).object();
        const QString call = line.value(QStringLiteral("call")).toString();
        const double t = line.value(QStringLiteral("t_ms")).toDouble();
        if (call == QLatin1String("qm6080_revisionText")) {
            marks.push_back(t);
            continue;
        }
        if (line.value(QStringLiteral("thread")).toInt() != 1)
            continue;
        guiCalls.push_back({t, line.value(QStringLiteral("dur_ms")).toDouble()});
        if (call == QLatin1String("qm7240_getDACStatus") &&
            line.value(QStringLiteral("channel")).toInt() == 6)
            ch6.push_back(t);
        if (call == QLatin1String("qm7240_writeChannel") &&
            line.value(QStringLiteral("channel")).toInt() == 6)
            f.ch6WritesEndMs.push_back(t);
    }
    if (marks.size() < 2)
        return f;
    // The panel asks the library's revision too, at start-up: the bench's
    // own marks are the last two.
    // Whole cycles of a call and the rest after it: from the start of the
    // first call after the first mark to the start of the first one after the
    // second.
    double from = marks[marks.size() - 2];
    double to = marks.back();
    const auto firstStartAfter = [&guiCalls](double t) {
        for (const Call &c : guiCalls)
            if (c.endMs - c.durMs >= t)
                return c.endMs - c.durMs;
        return t;
    };
    from = firstStartAfter(from);
    to = firstStartAfter(to);
    f.windowMs = to - from;
    for (const Call &c : guiCalls) {
        // Only the part of a call that lies inside the window counts.
        const double start = std::max(c.endMs - c.durMs, from);
        const double end = std::min(c.endMs, to);
        if (end > start)
            f.busyMs += end - start;
    }
    std::vector<double> inWindow;
    for (double t : ch6)
        if (t >= from && t <= to)
            inWindow.push_back(t);
    f.ch6Reads = int(inWindow.size());
    if (inWindow.size() >= 2)
        f.ch6MeanGapMs = (inWindow.back() - inWindow.front()) / double(inWindow.size() - 1);
    return f;
}

bool runCase(QApplication &app, const QTemporaryDir &dir, int delayMs)
{
    const QString simPath = dir.filePath(QStringLiteral("link-%1.yaml").arg(delayMs));
    const QString journalPath = dir.filePath(QStringLiteral("link-%1.jsonl").arg(delayMs));
    QFile file(simPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(benchSystemYaml(delayMs).toUtf8()) < 0) {
        std::fprintf(stderr, "bench_link: cannot write %s\n", qPrintable(simPath));
        return false;
    }
    file.close();
    qputenv("VISA_SIM_FILE", simPath.toLocal8Bit());
    qputenv("VISA_SIM_JOURNAL", journalPath.toLocal8Bit());
    sim_reset();

    AutoFindAnswerer answerer;
    app.installEventFilter(&answerer);
    qm7240_fc fc;
    BenchPanel panel(&fc);
    app.removeEventFilter(&answerer);
    panel.adjustSize();
    panel.show();
    qm7240_dblCtrl *ctrl6 = panel.dacCtrl[1][1];

    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < settleMs)
        app.processEvents();

    GuiGapMeter gaps;

    // A user who types a value now and then, at moments that fall anywhere
    // in the poll's rounds: posted from another thread, as input arrives. The
    // moments are taken on the simulator's clock, which the journal's times
    // count on: the value reaches the card when its write returns, which may
    // be after the rest that follows the call under way.
    std::vector<double> postedSimMs;
    std::atomic<bool> stop{false};
    int edits = 0;
    std::thread user;
    const auto startUser = [&] {
        user = std::thread([&] {
            for (int k = 0; !stop; ++k) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500 + (k * 137) % 400));
                if (stop)
                    break;
                postedSimMs.push_back(sim_clockMs());
                QMetaObject::invokeMethod(
                    &panel,
                    [&] {
                        // Alternating values, so that every edit changes the value.
                        ctrl6->setValue((++edits % 2) != 0 ? 1.0 : 2.0);
                    },
                    Qt::QueuedConnection);
            }
        });
    };

    // The first half the poll runs alone; in the second the user edits too,
    // and an edit that comes in during a read runs right after it.
    journalMark();
    gaps.start();
    QTimer::singleShot(runMs / 2, &app, &QApplication::quit);
    app.exec();
    journalMark();
    const double pollAloneGap = gaps.longestMs();
    startUser();
    QTimer::singleShot(runMs / 2, &app, &QApplication::quit);
    app.exec();
    const double maxGap = gaps.longestMs();
    gaps.stop();
    stop = true;
    user.join();
    // Edits still queued die with the panel's posted events.

    const JournalFigures j = readJournal(journalPath);
    // Each edit reached the card with the first write of channel 6 that
    // returned after it was posted.
    std::vector<double> writeMs;
    for (double posted : postedSimMs)
        for (double end : j.ch6WritesEndMs)
            if (end >= posted) {
                writeMs.push_back(end - posted);
                break;
            }
    double writeMean = 0.0;
    double writeMax = 0.0;
    for (double w : writeMs) {
        writeMean += w;
        writeMax = std::max(writeMax, w);
    }
    if (!writeMs.empty())
        writeMean /= double(writeMs.size());
    const double freePercent = j.windowMs > 0 ? 100.0 * (1.0 - j.busyMs / j.windowMs) : 0.0;
    std::printf("link call_ms=%d: gui_max_gap_ms=%.1f gui_free_percent=%.1f "
                "ch6_read_every_ms=%.0f write_to_card_ms=%.1f (max %.1f, %d edits, "
                "gui_max_gap_ms=%.1f while editing)\n",
                delayMs, pollAloneGap, freePercent, j.ch6MeanGapMs, writeMean, writeMax,
                int(writeMs.size()), maxGap);
    std::fflush(stdout);
    return j.windowMs > 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::vector<int> cases;
    for (const QString &arg : app.arguments().mid(1)) {
        bool ok = false;
        const int delay = arg.toInt(&ok);
        if (!ok || delay < 0 || delay > 2000) {
            std::fprintf(stderr, "usage: bench_link [L]...  (0 <= L <= 2000 ms per call)\n");
            return 2;
        }
        cases.push_back(delay);
    }
    if (cases.empty())
        cases = {0, 2, 20, 100};

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_link: no temporary folder\n");
        return 1;
    }
    bool ok = true;
    for (int delay : cases)
        ok = runCase(app, dir, delay) && ok;
    return ok ? 0 : 1;
}
