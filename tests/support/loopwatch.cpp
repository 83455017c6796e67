#include "support/loopwatch.h"

#include <QtGlobal>

#include <ctime>

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

LoopWatch::LoopWatch(int intervalMs)
{
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] {
        const double now = double(clock.nsecsElapsed()) * 1e-9;
        const double cpuNow = threadCpuSeconds();
        longestPause = qMax(longestPause, now - lastBeat);
        longestBusy = qMax(longestBusy, cpuNow - lastBeatCpu);
        lastBeat = now;
        lastBeatCpu = cpuNow;
        ++beatCount;
    });
    clock.start();
    lastBeatCpu = threadCpuSeconds();
    timer.start(intervalMs);
}

double LoopWatch::longestPauseMs() const
{
    return qMax(longestPause, double(clock.nsecsElapsed()) * 1e-9 - lastBeat) * 1e3;
}

double LoopWatch::longestBusyMs() const
{
    return qMax(longestBusy, threadCpuSeconds() - lastBeatCpu) * 1e3;
}
