// Runs the DAC panel on a simulated card for ten seconds and measures what
// the 400 ms output-status poll costs: the CPU per tick of the card thread's
// reads and of the GUI thread's showing them (each thread's whole time over
// the run), CPU of the process while it idles, memory, how often the lamps
// repaint, and what the program's trace of its driver calls adds to a tick.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "benchpanel.h"
#include "qm7240_dblctrl.h"
#include "qm7240_fc.h"
#include "session/qm6080fp_cardthread.h"
#include "sfp_trace.h"
#include "widgets/qm6080fp_led.h"

namespace {

constexpr int runMs = 10000;

double processCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0.0;
    return fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Counts the paint events of one widget.
class PaintCounter : public QObject
{
public:
    int *count;
    explicit PaintCounter(QWidget *widget, int *counter) : QObject(widget), count(counter)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++*count;
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString simFile = dir.filePath(QStringLiteral("system.yaml"));
    QFile file(simFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(benchSystemYaml().toUtf8()) < 0)
        return 1;
    file.close();
    qputenv("VISA_SIM_FILE", simFile.toLocal8Bit());
    // A journal would measure the simulator's file writes, not the panel.
    qputenv("VISA_SIM_JOURNAL", QByteArray());

    qm7240_fc fc;
    const auto opened = openBenchPanel(fc);
    BenchPanel &panel = *opened;

    // Current into the open channel 6: its lamp lights on the first tick and
    // then stays lit, so exactly one lamp change is due in the whole run.
    panel.dacCtrl[1][1]->setValue(5.0);

    int paints = 0;
    int changes = 0;
    int values[16] = {};
    // Let the first exposure paint everything before counting.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100)
        app.processEvents();
    for (int g = 0; g < 4; ++g)
        for (int k = 0; k < 4; ++k)
            if (qm6080fp_led *led = panel.errorLed[g][k]) {
                new PaintCounter(led, &paints);
                values[4 * g + k] = led->currentValue();
            }

    // A tick starts a round on the card thread, whose reads come back to the
    // GUI thread: its cost is the process's whole time over the run, per tick.
    int ticks = 0;
    QObject::connect(panel.statusTimer, &QTimer::timeout, &panel, [&] {
        ++ticks;
        for (int g = 0; g < 4; ++g)
            for (int k = 0; k < 4; ++k)
                if (qm6080fp_led *led = panel.errorLed[g][k])
                    if (led->currentValue() != values[4 * g + k]) {
                        values[4 * g + k] = led->currentValue();
                        ++changes;
                    }
    });

    // The card thread's own CPU time, read on it.
    const auto cardCpuMs = [&panel] {
        double ms = 0.0;
        panel.cardThread()->runAndWait([&ms] { ms = threadCpuMs(); });
        return ms;
    };
    const double cpuBefore = processCpuMs();
    double cardBefore = cardCpuMs();
    double guiBefore = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(runMs, &app, &QApplication::quit);
    app.exec();
    const double cpuMs = processCpuMs() - cpuBefore;
    const double cardMs = cardCpuMs() - cardBefore;
    const double guiMs = threadCpuMs() - guiBefore;
    const double wallMs = double(wall.elapsed());

    const auto perTick = [](double ms, int n) { return n > 0 ? ms / n : 0.0; };
    std::printf("poll channels=16 ticks=%d: cpu_ms_per_tick=%.3f idle_cpu_percent=%.2f "
                "rss_mb=%.1f card_thread_ms_per_tick=%.3f gui_thread_ms_per_tick=%.3f\n",
                ticks, perTick(cardMs + guiMs, ticks), 100.0 * cpuMs / wallMs, residentMb(),
                perTick(cardMs, ticks), perTick(guiMs, ticks));
    std::printf("poll lamp_paints=%d lamp_changes=%d\n", paints, changes);
    std::fflush(stdout);

    // The same again with the program's trace on: each call is also written
    // to a file and flushed.
    const QString tracePath = dir.filePath(QStringLiteral("trace.jsonl"));
    if (sfp_traceOpen(tracePath.toLocal8Bit().constData()) != 0)
        return 1;
    const int ticksOff = ticks;
    cardBefore = cardCpuMs();
    guiBefore = threadCpuMs();
    QTimer::singleShot(runMs, &app, &QApplication::quit);
    app.exec();
    const int ticksOn = ticks - ticksOff;
    const double tracedPerTick =
        perTick(cardCpuMs() - cardBefore + threadCpuMs() - guiBefore, ticksOn);
    const double plainPerTick = perTick(cardMs + guiMs, ticksOff);
    std::printf("poll trace=on ticks=%d: cpu_ms_per_tick=%.3f (off %.3f): trace_ms_per_tick=%.3f "
                "= %.3f %% of the 400 ms tick\n",
                ticksOn, tracedPerTick, plainPerTick, tracedPerTick - plainPerTick,
                100.0 * (tracedPerTick - plainPerTick) / 400.0);
    std::fflush(stdout);
    return 0;
}
