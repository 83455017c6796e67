// Page fill: the option table filled from pages of 10 to 5,000 options that mix every row
// kind, against plain label items and plain line edits, the first paint after each beside it.

#include "barewindow.h"
#include "benchcontext.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "support/mainwindowprobe.h"
#include "window/app/mainwindow.h"

namespace {

// The two windows the fill is timed in, kept across the runs.
struct FillWindows : CaseState
{
    explicit FillWindows(BenchContext &c)
        : product(quietWindow())
        , bare(std::make_unique<BareWindow>(c.moduleEntries))
    {
        bare->show();
    }

    std::unique_ptr<MainWindow> product;
    std::unique_ptr<BareWindow> bare;
};

void fillProduct(benchmark::State &state)
{
    BenchContext &c = context();
    const Page &page = c.page(int(state.range(0)));
    MainWindowProbe probe(*c.caseState<FillWindows>().product);
    probe.pageKey() = benchdata::kPageKey;
    probe.descriptions() = page.catalog;
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    // The first paint after the fill, which the user waits for too: not part of the fill.
    double paint = 0;
    for (auto _ : state) {
        probe.clearpage();
        settle();
        costs.record(measure([&] { probe.filltable(page.options); }));
        paint += measure(settle).cpu;
    }
    state.counters["rows"] = double(probe.rowTypes().size());
    state.counters["paint_s"] = benchmark::Counter(paint, benchmark::Counter::kAvgIterations);
}

void fillBaseline(benchmark::State &state)
{
    BenchContext &c = context();
    const Page &page = c.page(int(state.range(0)));
    BareWindow &window = *c.caseState<FillWindows>().bare;
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    double paint = 0;
    for (auto _ : state) {
        window.clear();
        settle();
        costs.record(measure([&] { window.fill(page.bare); }));
        paint += measure(settle).cpu;
    }
    state.counters["rows"] = double(page.bare.labels.size());
    state.counters["paint_s"] = benchmark::Counter(paint, benchmark::Counter::kAvgIterations);
}

} // namespace

void registerFillCase()
{
    for (int rows : kFillSizes) {
        registerPair("fill", fillProduct, fillBaseline, [rows](benchmark::internal::Benchmark *b) {
            timedIn(0.2)(b);
            b->Arg(rows);
        });
    }
}
