// Safe save: pressing Save on a 100-option page, through the module's lock, the page read
// again, the write and the page read back, to the moment the table starts to show the page
// as read back (its first cell replaced: the rows stay, so none are inserted); against the
// three bare requests one after the other: the page, the page written back as it came, the
// page again, each body parsed. Between rounds both sides leave the table as the product
// left it, untimed.

#include "benchcontext.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "core/device/modulerequests.h"
#include "core/json/jsontext.h"
#include "support/loopwatch.h"
#include "support/mainwindowprobe.h"
#include "window/app/mainwindow.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTableWidget>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

struct SafeSave : CaseState
{
    explicit SafeSave(BenchContext &c)
        : window(quietWindow())
    {
        c.sim.sim.setPages(QJsonObject{{benchdata::kPageKey, c.page(kRoundTripRows).options}});
        c.loadPage(*window, kRoundTripRows, 0);
        drain();
    }

    std::unique_ptr<MainWindow> window;
    QNetworkAccessManager bareManager;
};

void safeSaveProduct(benchmark::State &state)
{
    BenchContext &c = context();
    SafeSave &save = c.caseState<SafeSave>();
    MainWindowProbe probe(*save.window);
    bool refilled = false;
    Clock::time_point refill;
    double refillCpu = 0;
    const QMetaObject::Connection watchFill
        = QObject::connect(probe.tableWidget()->model(), &QAbstractItemModel::dataChanged, [&] {
              if (refilled)
                  return;
              refilled = true;
              refill = Clock::now();
              refillCpu = threadCpuSeconds();
          });
    int finished = 0;
    bool confirmed = false;
    const QMetaObject::Connection watchSave
        = QObject::connect(save.window.get(), &MainWindow::saveFinished, [&](bool kept) {
              ++finished;
              confirmed = kept;
          });
    CostRecorder costs(state, CostRecorder::ByWallTime);
    for (auto _ : state) {
        refilled = false;
        const int before = finished;
        const Clock::time_point start = Clock::now();
        const double cpuStart = threadCpuSeconds();
        probe.saveopt();
        waitFor([&] { return finished > before; });
        if (!confirmed || !refilled) {
            state.SkipWithError("the save was not confirmed by reading the page back");
            break;
        }
        costs.record({std::chrono::duration<double>(refill - start).count(), refillCpu - cpuStart});
        drain(); // the refill's paint, untimed
    }
    QObject::disconnect(watchFill);
    QObject::disconnect(watchSave);
}

void safeSaveBaseline(benchmark::State &state)
{
    BenchContext &c = context();
    SafeSave &save = c.caseState<SafeSave>();
    MainWindowProbe probe(*save.window);
    const QUrl page = pageUrl(c.sim.address(), benchdata::kPageKey);
    int members = 0;
    const auto get = [&](const QUrl &url) {
        QNetworkReply *reply = save.bareManager.get(QNetworkRequest(url));
        waitFor([&] { return reply->isFinished(); });
        const QJsonObject body = QJsonDocument::fromJson(reply->readAll()).object();
        reply->deleteLater();
        return body;
    };
    CostRecorder costs(state, CostRecorder::ByWallTime);
    for (auto _ : state) {
        costs.record(measure([&] {
            get(writeUrl(c.sim.address(), compactJson(get(page))));
            members = get(page).value(benchdata::kPageKey).toObject().size();
        }));
        drain();
    }
    if (members == 0)
        state.SkipWithError("the simulator sent no page");
}

} // namespace

void registerSafeSaveCase()
{
    registerPair("safesave", safeSaveProduct, safeSaveBaseline, timedIn(0.3));
}
