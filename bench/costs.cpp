#include "costs.h"

#include "support/loopwatch.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include <chrono>

Cost measure(const std::function<void()> &work)
{
    using Clock = std::chrono::steady_clock;
    const double cpuStart = threadCpuSeconds();
    const auto start = Clock::now();
    CALLGRIND_TOGGLE_COLLECT;
    work();
    CALLGRIND_TOGGLE_COLLECT;
    return {std::chrono::duration<double>(Clock::now() - start).count(), threadCpuSeconds() - cpuStart};
}

CostRecorder::CostRecorder(benchmark::State &state, Judged judged)
    : state(state)
    , judged(judged)
{ }

CostRecorder::~CostRecorder()
{
    const char *other = judged == ByProcessorTime ? "wall_s" : "cpu_s";
    state.counters[other]
        = benchmark::Counter(judged == ByProcessorTime ? wall : cpu, benchmark::Counter::kAvgIterations);
}

void CostRecorder::record(const Cost &cost)
{
    wall += cost.wall;
    cpu += cost.cpu;
    state.SetIterationTime(judged == ByProcessorTime ? cost.cpu : cost.wall);
}
