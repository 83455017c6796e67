#pragma once

#include <QElapsedTimer>
#include <QTimer>

// The processor time the calling thread has used, in seconds. Unlike the time that passed,
// it is not inflated by the time a busy machine gives to other programs.
double threadCpuSeconds();

// Watches the event loop of the thread it is made on, from then on: a timer beats while the
// loop runs, and the watch keeps the longest pause between two beats, both as time that
// passed and as processor time the thread spent without coming back to the loop.
class LoopWatch
{
public:
    explicit LoopWatch(int intervalMs = 5);
    LoopWatch(const LoopWatch &) = delete;
    LoopWatch &operator=(const LoopWatch &) = delete;

    int beats() const { return beatCount; }
    // The longest pause so far, the one still running included: a loop stuck now counts.
    double longestPauseMs() const;
    double longestBusyMs() const;

private:
    QTimer timer;
    QElapsedTimer clock;
    double lastBeat = 0; // seconds on clock
    double lastBeatCpu = 0;
    double longestPause = 0;
    double longestBusy = 0;
    int beatCount = 0;
};
