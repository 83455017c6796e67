// Start-up: the window built on options.ini with 256 modules and a 1 MB description.json,
// against a bare window with the same widget tree that reads and parses the same catalog.

#include "barewindow.h"
#include "benchcontext.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "support/mainwindowprobe.h"
#include "window/app/mainwindow.h"

#include <QFile>
#include <QJsonDocument>

namespace {

void startupProduct(benchmark::State &state)
{
    context();
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        std::unique_ptr<MainWindow> window;
        costs.record(measure([&] { window = std::make_unique<MainWindow>(); }));
        state.counters["catalog_members"] = MainWindowProbe(*window).descriptions().size();
        window.reset();
        settle();
    }
}

void startupBaseline(benchmark::State &state)
{
    BenchContext &c = context();
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        std::unique_ptr<BareWindow> window;
        QJsonObject catalog;
        costs.record(measure([&] {
            window = std::make_unique<BareWindow>(c.moduleEntries);
            QFile file(QStringLiteral("description.json"));
            if (file.open(QIODevice::ReadOnly))
                catalog = QJsonDocument::fromJson(file.readAll()).object();
        }));
        state.counters["catalog_members"] = catalog.size();
        window.reset();
        settle();
    }
}

} // namespace

void registerStartupCase()
{
    registerPair("startup", startupProduct, startupBaseline, timedIn(0.3));
}
