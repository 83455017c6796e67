// Round trip: from selecting a 100-option page to its table filled, less a fill of the same
// page timed in the same turn, against a bare GET of the same URL and parsing the body.

#include "benchcontext.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "app/mainwindow.h"
#include "device/modulerequests.h"
#include "support/mainwindowprobe.h"

#include <QJsonDocument>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

// The window that shows the page, which of its two page entries comes next, and the
// baseline's network access manager.
struct RoundTrip : CaseState
{
    explicit RoundTrip(BenchContext &c)
        : window(quietWindow())
    {
        c.loadPage(*window, kRoundTripRows, 0);
        settle();
    }

    std::unique_ptr<MainWindow> window;
    int toggle = 0;
    QNetworkAccessManager bareManager;
};

void roundTripProduct(benchmark::State &state)
{
    BenchContext &c = context();
    RoundTrip &trip = c.caseState<RoundTrip>();
    MainWindowProbe probe(*trip.window);
    const Page &page = c.page(kRoundTripRows);
    c.sim.sim.setPages(QJsonObject{{benchdata::kPageKey, page.options}});
    QListWidget *list = probe.listWidget();
    CostRecorder costs(state, CostRecorder::ByWallTime);
    // The fill of the same page, timed again in the same turn, is taken off the round trip.
    double fillWall = 0;
    double fillCpu = 0;
    for (auto _ : state) {
        probe.clearpage();
        settle();
        trip.toggle = 1 - trip.toggle;
        costs.record(measure([&] {
            list->setCurrentRow(trip.toggle);
            waitFor([&] { return probe.pageShown(); });
        }));
        settle();
        probe.clearpage();
        settle();
        const Cost fill = measure([&] { probe.filltable(page.options); });
        fillWall += fill.wall;
        fillCpu += fill.cpu;
        settle();
    }
    state.counters["rows"] = double(probe.rowTypes().size());
    state.counters["fill_s"] = benchmark::Counter(fillWall, benchmark::Counter::kAvgIterations);
    state.counters["fill_cpu_s"] = benchmark::Counter(fillCpu, benchmark::Counter::kAvgIterations);
}

void roundTripBaseline(benchmark::State &state)
{
    BenchContext &c = context();
    QNetworkAccessManager &manager = c.caseState<RoundTrip>().bareManager;
    c.sim.sim.setPages(QJsonObject{{benchdata::kPageKey, c.page(kRoundTripRows).options}});
    const QUrl url = pageUrl(c.sim.address(), benchdata::kPageKey);
    int members = 0;
    CostRecorder costs(state, CostRecorder::ByWallTime);
    for (auto _ : state) {
        costs.record(measure([&] {
            QNetworkReply *reply = manager.get(QNetworkRequest(url));
            waitFor([&] { return reply->isFinished(); });
            members = QJsonDocument::fromJson(reply->readAll())
                          .object()
                          .value(benchdata::kPageKey)
                          .toObject()
                          .size();
            reply->deleteLater();
        }));
        settle();
    }
    if (members == 0)
        state.SkipWithError("the simulator sent no page");
}

} // namespace

void registerRoundTripCase()
{
    registerPair("roundtrip", roundTripProduct, roundTripBaseline, timedIn(0.3));
}
