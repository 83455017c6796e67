// Round trip: from selecting a 100-option page to the moment its table starts to fill,
// against a bare GET of the same URL and parsing the body. Both sides do the same widget
// work between rounds, untimed: the product fills, paints and clears its table, the
// baseline fills, paints and clears a bare table with as many rows.

#include "barewindow.h"
#include "benchcontext.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "core/device/modulerequests.h"
#include "support/loopwatch.h"
#include "support/mainwindowprobe.h"
#include "window/app/mainwindow.h"

#include <QJsonDocument>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTableWidget>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// The window that shows the page, which of its two page entries comes next, and the
// baseline's window and network access manager.
struct RoundTrip : CaseState
{
    explicit RoundTrip(BenchContext &c)
        : window(quietWindow())
        , bare(std::make_unique<BareWindow>(c.moduleEntries))
    {
        c.loadPage(*window, kRoundTripRows, 0);
        bare->show();
        drain();
    }

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<BareWindow> bare;
    int toggle = 0;
    QNetworkAccessManager bareManager;
};

// The cost so far, taken where the table starts to fill: the product's round trip ends there.
struct FillStart
{
    Clock::time_point wall;
    double cpu = 0;
    bool seen = false;
};

void roundTripProduct(benchmark::State &state)
{
    BenchContext &c = context();
    RoundTrip &trip = c.caseState<RoundTrip>();
    MainWindowProbe probe(*trip.window);
    c.sim.sim.setPages(QJsonObject{{benchdata::kPageKey, c.page(kRoundTripRows).options}});
    QListWidget *list = probe.listWidget();
    FillStart fillStart;
    const QMetaObject::Connection watch
        = QObject::connect(probe.tableWidget()->model(), &QAbstractItemModel::rowsAboutToBeInserted, [&] {
              fillStart = {Clock::now(), threadCpuSeconds(), true};
          });
    CostRecorder costs(state, CostRecorder::ByWallTime);
    for (auto _ : state) {
        probe.clearpage();
        drain();
        trip.toggle = 1 - trip.toggle;
        fillStart.seen = false;
        const Clock::time_point start = Clock::now();
        const double cpuStart = threadCpuSeconds();
        list->setCurrentRow(trip.toggle);
        waitFor([&] { return probe.pageShown(); });
        if (!fillStart.seen) {
            state.SkipWithError("the table was not filled");
            break;
        }
        costs.record(
            {std::chrono::duration<double>(fillStart.wall - start).count(), fillStart.cpu - cpuStart});
        drain(); // the first paint, untimed
    }
    QObject::disconnect(watch);
    state.counters["rows"] = double(probe.rowTypes().size());
}

void roundTripBaseline(benchmark::State &state)
{
    BenchContext &c = context();
    RoundTrip &trip = c.caseState<RoundTrip>();
    const Page &page = c.page(kRoundTripRows);
    c.sim.sim.setPages(QJsonObject{{benchdata::kPageKey, page.options}});
    const QUrl url = pageUrl(c.sim.address(), benchdata::kPageKey);
    int members = 0;
    CostRecorder costs(state, CostRecorder::ByWallTime);
    for (auto _ : state) {
        trip.bare->clear();
        drain();
        costs.record(measure([&] {
            QNetworkReply *reply = trip.bareManager.get(QNetworkRequest(url));
            waitFor([&] { return reply->isFinished(); });
            members = QJsonDocument::fromJson(reply->readAll())
                          .object()
                          .value(benchdata::kPageKey)
                          .toObject()
                          .size();
            reply->deleteLater();
        }));
        trip.bare->fill(page.bare);
        drain();
    }
    if (members == 0)
        state.SkipWithError("the simulator sent no page");
}

} // namespace

void registerRoundTripCase()
{
    registerPair("roundtrip", roundTripProduct, roundTripBaseline, timedIn(0.3));
}
