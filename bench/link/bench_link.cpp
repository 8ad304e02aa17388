// Runs the DAC panel on a card whose every driver call takes L ms, as on a
// slow bus or a LAN carrier far away, for ten seconds per case, and measures
// what the user feels: the GUI thread's longest gap (a 5 ms timer), the share
// of time it was free (neither running nor in a driver call), how often
// channel 6's status is read, and how long a value set on channel 6's
// control takes to reach the card. Then a dead link: how long the window went
// without handling events between a range change and its box.
//
//   bench_link            the default cases, L = 0, 2, 20 and 100, and the dead link
//   bench_link L ...      the given cases
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
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
constexpr int deadTimeoutMs = 2000;

// Marks a moment in the journal's own time: the common library's revision
// call touches no card.
void journalMark()
{
    ViChar revision[40] = {};
    qm6080_revisionText(revision);
}

// CPU time of the calling thread, in ms.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// What the journal shows between two of the bench's marks.
struct Half
{
    double windowMs = 0.0;
    double guiCallMs = 0.0; // driver calls made on the GUI thread
    int guiCalls = 0;
    double ch6MeanGapMs = 0.0;
    double ch6MaxGapMs = 0.0;
    std::vector<double> ch6WritesEndMs; // when each write of channel 6 returned
};

struct Line
{
    double tMs;
    double durMs;
    int thread;
    QString call;
    int channel;
};

std::vector<Line> readJournal(const QString &path, std::vector<double> *marks)
{
    std::vector<Line> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    while (!file.atEnd()) {
        const QJsonObject o = QJsonDocument::fromJson(file.readLine()).object();
        const Line line{
            o.value(QStringLiteral("t_ms")).toDouble(),
            o.value(QStringLiteral("dur_ms")).toDouble(), o.value(QStringLiteral("thread")).toInt(),
            o.value(QStringLiteral("call")).toString(), o.value(QStringLiteral("channel")).toInt()};
        if (line.call == QLatin1String("qm6080_revisionText"))
            marks->push_back(line.tMs);
        else
            lines.push_back(line);
    }
    return lines;
}

Half between(const std::vector<Line> &lines, double from, double to)
{
    Half h;
    h.windowMs = to - from;
    std::vector<double> ch6;
    for (const Line &l : lines) {
        if (l.tMs < from || l.tMs > to)
            continue;
        // The GUI thread is the journal's first: the search's own calls.
        if (l.thread == 1) {
            ++h.guiCalls;
            h.guiCallMs += std::min(l.durMs, l.tMs - from);
        }
        if (l.channel != 6)
            continue;
        if (l.call == QLatin1String("qm7240_getDACStatus"))
            ch6.push_back(l.tMs);
        else if (l.call == QLatin1String("qm7240_writeChannel"))
            h.ch6WritesEndMs.push_back(l.tMs);
    }
    if (ch6.size() >= 2)
        h.ch6MeanGapMs = (ch6.back() - ch6.front()) / double(ch6.size() - 1);
    for (size_t i = 1; i < ch6.size(); ++i)
        h.ch6MaxGapMs = std::max(h.ch6MaxGapMs, ch6[i] - ch6[i - 1]);
    return h;
}

bool writeSimFile(const QString &path, const QString &yaml)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(yaml.toUtf8()) < 0) {
        std::fprintf(stderr, "bench_link: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

void startSimulator(const QTemporaryDir &dir, const QString &name)
{
    qputenv("VISA_SIM_FILE", dir.filePath(name + QStringLiteral(".yaml")).toLocal8Bit());
    qputenv("VISA_SIM_JOURNAL", dir.filePath(name + QStringLiteral(".jsonl")).toLocal8Bit());
    sim_reset();
}

void turn(QApplication &app, int ms)
{
    QTimer::singleShot(ms, &app, &QApplication::quit);
    app.exec();
}

bool runCase(QApplication &app, const QTemporaryDir &dir, int delayMs)
{
    const QString name = QStringLiteral("link-%1").arg(delayMs);
    if (!writeSimFile(dir.filePath(name + QStringLiteral(".yaml")), benchSystemYaml(delayMs)))
        return false;
    startSimulator(dir, name);

    qm7240_fc fc;
    const auto opened = openBenchPanel(fc);
    BenchPanel &panel = *opened;
    qm7240_dblCtrl *ctrl6 = panel.dacCtrl[1][1];
    turn(app, settleMs);

    GuiGapMeter gaps;
    // A user who types a value now and then, at moments that fall anywhere
    // in the poll's rounds: posted from another thread, as input arrives. The
    // moments are taken on the simulator's clock, which the journal's times
    // count on.
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

    // The first half the poll runs alone; in the second the user edits too.
    QElapsedTimer wall;
    journalMark();
    wall.start();
    double cpu = threadCpuMs();
    gaps.start();
    turn(app, runMs / 2);
    const double pollAloneGap = gaps.longestMs();
    const double pollAloneCpuMs = threadCpuMs() - cpu;
    const double pollAloneWallMs = double(wall.nsecsElapsed()) / 1e6;
    journalMark();
    wall.restart();
    cpu = threadCpuMs();
    startUser();
    turn(app, runMs / 2);
    const double maxGap = gaps.longestMs();
    const double editingCpuMs = threadCpuMs() - cpu;
    const double editingWallMs = double(wall.nsecsElapsed()) / 1e6;
    journalMark();
    gaps.stop();
    stop = true;
    user.join();
    // Edits still queued die with the panel's posted events.

    std::vector<double> marks;
    const std::vector<Line> lines =
        readJournal(dir.filePath(name + QStringLiteral(".jsonl")), &marks);
    if (marks.size() < 3)
        return false;
    // The panel asks the library's revision too, at start-up: the bench's
    // own marks are the last three.
    const size_t m = marks.size();
    const Half alone = between(lines, marks[m - 3], marks[m - 2]);
    const Half editing = between(lines, marks[m - 2], marks[m - 1]);
    // Each edit reached the card with the first write of channel 6 that
    // returned after it was posted.
    std::vector<double> writeMs;
    for (double posted : postedSimMs)
        for (double end : editing.ch6WritesEndMs)
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
    // Free: neither running nor waiting in a driver call of its own.
    const auto freePercent = [](double cpuMs, double callMs, double wallMs) {
        return wallMs > 0 ? 100.0 * (1.0 - (cpuMs + callMs) / wallMs) : 0.0;
    };
    std::printf("link call_ms=%d: gui_max_gap_ms=%.1f gui_free_percent=%.1f "
                "ch6_read_every_ms=%.0f write_to_card_ms=%.1f (max %.1f, %d edits, "
                "gui_max_gap_ms=%.1f while editing) gui_free_percent_editing=%.1f "
                "ch6_max_gap_ms=%.0f ch6_read_every_ms_editing=%.0f gui_card_calls=%d\n",
                delayMs, pollAloneGap,
                freePercent(pollAloneCpuMs, alone.guiCallMs, pollAloneWallMs), alone.ch6MeanGapMs,
                writeMean, writeMax, int(writeMs.size()), maxGap,
                freePercent(editingCpuMs, editing.guiCallMs, editingWallMs), alone.ch6MaxGapMs,
                editing.ch6MeanGapMs, alone.guiCalls + editing.guiCalls);
    std::fflush(stdout);
    return alone.windowMs > 0;
}

// Answers the box a range change on a dead link gives, and says when it came.
class BoxAnswerer : public QObject
{
public:
    double shownAtMs = -1.0;
    const QElapsedTimer *clock = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
                if (shownAtMs < 0 && clock)
                    shownAtMs = double(clock->nsecsElapsed()) / 1e6;
                QTimer::singleShot(0, box, [box] { box->done(QMessageBox::No); });
            }
        return false;
    }
};

bool runDeadLink(QApplication &app, const QTemporaryDir &dir)
{
    // The link drops 1.5 s after the simulator's start and stays down.
    QString yaml = benchSystemYaml(0);
    yaml.replace(QStringLiteral("    logical_address: 2\n"),
                 QStringLiteral("    logical_address: 2\n    link:\n      timeout_ms: %1\n"
                                "      down: [{after_ms: 1500, for_ms: 600000}]\n")
                     .arg(deadTimeoutMs));
    if (!writeSimFile(dir.filePath(QStringLiteral("dead.yaml")), yaml))
        return false;
    startSimulator(dir, QStringLiteral("dead"));

    qm7240_fc fc;
    const auto opened = openBenchPanel(fc);
    BenchPanel &panel = *opened;
    // Only the range change meets the dead link.
    panel.statusTimer->stop();
    while (sim_clockMs() < 1700)
        turn(app, 50);

    BoxAnswerer boxes;
    QElapsedTimer clock;
    boxes.clock = &clock;
    app.installEventFilter(&boxes);
    GuiGapMeter gaps;
    clock.start();
    gaps.start();
    // Group 2 to 0-20mA, as the user picks it.
    panel.rangeComboBox[1]->setCurrentIndex(1);
    emit panel.rangeComboBox[1]->activated(1);
    while (boxes.shownAtMs < 0 && clock.elapsed() < 4 * deadTimeoutMs)
        turn(app, 5);
    const double gap = gaps.longestMs();
    gaps.stop();
    turn(app, 50);
    app.removeEventFilter(&boxes);
    std::printf("link dead timeout_ms=%d: range_change_to_box_ms=%.0f "
                "gui_max_gap_ms=%.1f until the box\n",
                deadTimeoutMs, boxes.shownAtMs, gap);
    std::fflush(stdout);
    return boxes.shownAtMs >= 0;
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
    const bool defaults = cases.empty();
    if (defaults)
        cases = {0, 2, 20, 100};

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_link: no temporary folder\n");
        return 1;
    }
    bool ok = true;
    for (int delay : cases)
        ok = runCase(app, dir, delay) && ok;
    if (defaults)
        ok = runDeadLink(app, dir) && ok;
    return ok ? 0 : 1;
}
