#include "benchcontext.h"

#include "cases.h"
#include "eventloop.h"

#include "support/mainwindowprobe.h"

#include <QListWidget>

namespace {

BenchContext *shared = nullptr;

} // namespace

BenchContext &context()
{
    if (!shared)
        shared = new BenchContext;
    return *shared;
}

void releaseContext()
{
    delete shared;
    shared = nullptr;
}

std::unique_ptr<MainWindow> quietWindow()
{
    auto window = std::make_unique<MainWindow>();
    MainWindowProbe(*window).udpSocket().close();
    window->show();
    settle();
    return window;
}

BenchContext::BenchContext()
{
    moduleEntries = benchdata::moduleEntries(kStartupModules);
    benchdata::writeOptionsIni(moduleEntries);
    workDir.writeFile(QStringLiteral("description.json"), benchdata::largeCatalog(kStartupCatalogBytes));

    // The save and the round trip work on two of the fill's sizes.
    for (int rows : kFillSizes) {
        Page page{benchdata::pageOptions(rows), benchdata::catalogFor(rows), {}};
        page.bare = benchdata::bareRows(page.options);
        pages.emplace(rows, page);
    }
}

void BenchContext::loadPage(MainWindow &window, int rows, int item)
{
    MainWindowProbe probe(window);
    sim.sim.setPages(QJsonObject{{benchdata::kPageKey, page(rows).options}});
    probe.descriptions() = page(rows).catalog;
    probe.moduleAddress() = sim.address();
    QListWidget *list = probe.listWidget();
    while (list->count() < 2) {
        auto *entry = new QListWidgetItem(benchdata::kPageKey, list);
        entry->setData(Qt::UserRole, benchdata::kPageKey);
    }
    if (list->currentRow() == item)
        list->setCurrentRow(1 - item);
    waitFor([&] { return !probe.pageReply(); });
    probe.clearpage();
    settle();
    list->setCurrentRow(item);
    waitFor([&] { return probe.pageShown(); });
}
