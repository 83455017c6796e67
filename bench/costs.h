#pragma once

#include <benchmark/benchmark.h>

#include <functional>

// What one piece of work cost: the time that passed, and the processor time the calling
// (GUI) thread spent on it. The latter does not count the time other programs on a busy
// machine take from it, so the cases that run on the GUI thread alone are judged by it.
struct Cost
{
    double wall = 0;
    double cpu = 0;
};

// Under valgrind --tool=callgrind --collect-atstart=no, only the measured work is profiled.
Cost measure(const std::function<void()> &work);

// Sums the costs of a case's iterations; reports the GUI thread's processor time as the
// case's time and the time that passed as the counter "wall_s", or the other way round.
class CostRecorder
{
public:
    enum Judged { ByProcessorTime, ByWallTime };
    CostRecorder(benchmark::State &state, Judged judged);
    ~CostRecorder();
    CostRecorder(const CostRecorder &) = delete;
    CostRecorder &operator=(const CostRecorder &) = delete;

    void record(const Cost &cost);

private:
    benchmark::State &state;
    Judged judged;
    double wall = 0;
    double cpu = 0;
};
