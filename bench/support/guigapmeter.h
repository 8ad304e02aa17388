// How long the GUI thread went without handling events: the longest gap
// between two firings of a 5 ms timer, and the end of the measurement.
#ifndef GUIGAPMETER_H
#define GUIGAPMETER_H

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class GuiGapMeter
{
public:
    GuiGapMeter()
    {
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        clock.start();
        lastTick = 0.0;
        longest = 0.0;
        ticker.start();
    }

    // The longest gap so far, the one still open included.
    double longestMs() { return std::max(longest, nowMs() - lastTick); }

    // Milliseconds since start().
    double elapsedMs() const { return nowMs(); }

    void stop() { ticker.stop(); }

private:
    double nowMs() const { return double(clock.nsecsElapsed()) / 1e6; }

    void tick()
    {
        const double now = nowMs();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    }

    QElapsedTimer clock;
    QTimer ticker;
    double lastTick = 0.0;
    double longest = 0.0;
};

#endif
