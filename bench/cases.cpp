#include "cases.h"

#include "barewindow.h"
#include "benchdata.h"
#include "flood.h"

#include "app/mainwindow.h"
#include "device/modulerequests.h"
#include "modules/discovery.h"
#include "modules/moduleentry.h"
#include "support/loopwatch.h"
#include "support/mainwindowprobe.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTableWidget>
#include <QTimer>
#include <QUdpSocket>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include <chrono>
#include <functional>
#include <map>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

// What one piece of work cost: the time that passed, and the processor time the calling
// (GUI) thread spent on it. The latter does not count the time other programs on a busy
// machine take from it, so the cases that run on the GUI thread alone are judged by it.
struct Cost
{
    double wall = 0;
    double cpu = 0;
};

// Under valgrind --tool=callgrind --collect-atstart=no, only the measured work is profiled.
Cost measure(const std::function<void()> &work)
{
    const double cpuStart = threadCpuSeconds();
    const auto start = Clock::now();
    CALLGRIND_TOGGLE_COLLECT;
    work();
    CALLGRIND_TOGGLE_COLLECT;
    return {std::chrono::duration<double>(Clock::now() - start).count(), threadCpuSeconds() - cpuStart};
}

// Sums the costs of a case's iterations; reports the GUI thread's processor time as the
// case's time and the time that passed as the counter "wall_s", or the other way round.
class CostRecorder
{
public:
    enum Judged { ByProcessorTime, ByWallTime };
    CostRecorder(benchmark::State &state, Judged judged)
        : state(state)
        , judged(judged)
    { }
    ~CostRecorder()
    {
        const char *other = judged == ByProcessorTime ? "wall_s" : "cpu_s";
        state.counters[other]
            = benchmark::Counter(judged == ByProcessorTime ? wall : cpu, benchmark::Counter::kAvgIterations);
    }
    void record(const Cost &cost)
    {
        wall += cost.wall;
        cpu += cost.cpu;
        state.SetIterationTime(judged == ByProcessorTime ? cost.cpu : cost.wall);
    }

private:
    benchmark::State &state;
    Judged judged;
    double wall = 0;
    double cpu = 0;
};

// Runs the event loop until done() holds. A case that hangs (a lost reply, a message box)
// ends the run with a message instead of waiting for ever.
void waitFor(const std::function<bool()> &done)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout,
                     [] { qFatal("quillnet-bench: a case did not finish within 30 s"); });
    watchdog.start(30000);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Widgets taken out of a table are deleted later; delete them now, outside the timing.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A window of the configurator as the cases use it: the discovery port is left to the
// discovery case and to other programs.
std::unique_ptr<MainWindow> quietWindow()
{
    auto window = std::make_unique<MainWindow>();
    MainWindowProbe(*window).udpSocket().close();
    window->show();
    settle();
    return window;
}

struct Page
{
    QJsonObject options;
    QJsonObject catalog;
    benchdata::BareRows bare;
};

// Everything the cases share; built before the first case runs.
struct Shared
{
    Shared();

    TestWorkDir workDir;
    SimFixture sim;
    QStringList moduleEntries;
    std::map<int, Page> pages;

    std::unique_ptr<MainWindow> fillWindow;
    std::unique_ptr<BareWindow> bareFillWindow;
    std::unique_ptr<MainWindow> saveWindow;
    QJsonObject savedDocument;
    std::unique_ptr<MainWindow> roundTripWindow;
    QNetworkAccessManager bareManager;
    int roundTripToggle = 0;

    const Page &page(int rows) { return pages.at(rows); }
    // The window whose 5,000-option page is saved, built on first use.
    MainWindow &saving();
    // Shows the page of rows options in window the way a user gets it: select it in the
    // page list, the module answers, the table is filled.
    void loadPage(MainWindow &window, int rows, int item);
};

Shared *shared = nullptr;

Shared &context()
{
    if (!shared)
        shared = new Shared;
    return *shared;
}

Shared::Shared()
{
    moduleEntries = benchdata::moduleEntries(kStartupModules);
    benchdata::writeOptionsIni(moduleEntries);
    workDir.writeFile(QStringLiteral("description.json"), benchdata::largeCatalog(kStartupCatalogBytes));

    for (int rows : kFillSizes) {
        Page page{benchdata::pageOptions(rows), benchdata::catalogFor(rows), {}};
        page.bare = benchdata::bareRows(page.options);
        pages.emplace(rows, page);
    }

    fillWindow = quietWindow();
    bareFillWindow = std::make_unique<BareWindow>(moduleEntries);
    bareFillWindow->show();

    roundTripWindow = quietWindow();
    loadPage(*roundTripWindow, kRoundTripRows, 0);
    settle();
}

MainWindow &Shared::saving()
{
    if (!saveWindow) {
        saveWindow = quietWindow();
        loadPage(*saveWindow, kSaveRows, 0);
        // Saves go to a closed port: they fail at once, after all the work of a save is done.
        MainWindowProbe(*saveWindow).moduleAddress() = QStringLiteral("127.0.0.1:1");
        // The round trip's page is the one the simulator serves.
        sim.sim.setPages(QJsonObject{{benchdata::kPageKey, page(kRoundTripRows).options}});
    }
    return *saveWindow;
}

void Shared::loadPage(MainWindow &window, int rows, int item)
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

// --- Start-up ------------------------------------------------------------------------------

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
    Shared &c = context();
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

// --- Page fill -----------------------------------------------------------------------------

void fillProduct(benchmark::State &state)
{
    Shared &c = context();
    const Page &page = c.page(int(state.range(0)));
    MainWindowProbe probe(*c.fillWindow);
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
    Shared &c = context();
    const Page &page = c.page(int(state.range(0)));
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    double paint = 0;
    for (auto _ : state) {
        c.bareFillWindow->clear();
        settle();
        costs.record(measure([&] { c.bareFillWindow->fill(page.bare); }));
        paint += measure(settle).cpu;
    }
    state.counters["rows"] = double(page.bare.labels.size());
    state.counters["paint_s"] = benchmark::Counter(paint, benchmark::Counter::kAvgIterations);
}

// --- Save ----------------------------------------------------------------------------------

void saveProduct(benchmark::State &state)
{
    Shared &c = context();
    MainWindowProbe probe(c.saving());
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        waitFor([&] { return !probe.saveReply(); });
        settle();
        costs.record(measure([&] { probe.saveopt(); }));
        if (!probe.saveReply()) {
            state.SkipWithError("the window refused to save");
            break;
        }
    }
    waitFor([&] { return !probe.saveReply(); });
    c.savedDocument = probe.pageValues();
}

void saveBaseline(benchmark::State &state)
{
    Shared &c = context();
    // The object a save sends: the page as received with the table's values merged in.
    const QJsonObject document
        = c.savedDocument.isEmpty() ? MainWindowProbe(c.saving()).pageValues() : c.savedDocument;
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        QByteArray text;
        costs.record(measure([&] { text = QJsonDocument(document).toJson(QJsonDocument::Compact); }));
        benchmark::DoNotOptimize(text);
    }
}

// The least a save must do besides serialising: read every editor of the table once.
void saveReadBack(benchmark::State &state)
{
    Shared &c = context();
    QTableWidget *table = MainWindowProbe(c.saving()).tableWidget();
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        int characters = 0;
        costs.record(measure([&] {
            for (int row = 0; row < table->rowCount(); ++row) {
                QWidget *editor = table->cellWidget(row, 1);
                if (auto *edit = qobject_cast<QLineEdit *>(editor))
                    characters += edit->text().size();
                else if (auto *box = qobject_cast<QComboBox *>(editor))
                    characters += box->currentIndex();
                else if (auto *flag = qobject_cast<QCheckBox *>(editor))
                    characters += flag->checkState();
                else if (const QTableWidgetItem *item = table->item(row, 1))
                    characters += item->text().size();
            }
        }));
        benchmark::DoNotOptimize(characters);
    }
}

// --- Round trip ----------------------------------------------------------------------------

void roundTripProduct(benchmark::State &state)
{
    Shared &c = context();
    MainWindowProbe probe(*c.roundTripWindow);
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
        c.roundTripToggle = 1 - c.roundTripToggle;
        costs.record(measure([&] {
            list->setCurrentRow(c.roundTripToggle);
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
    Shared &c = context();
    c.sim.sim.setPages(QJsonObject{{benchdata::kPageKey, c.page(kRoundTripRows).options}});
    const QUrl url = pageUrl(c.sim.address(), benchdata::kPageKey);
    int members = 0;
    CostRecorder costs(state, CostRecorder::ByWallTime);
    for (auto _ : state) {
        costs.record(measure([&] {
            QNetworkReply *reply = c.bareManager.get(QNetworkRequest(url));
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

// --- Discovery -----------------------------------------------------------------------------

// A tick of the loop watch: the longest block is the GUI thread's work between two ticks.
constexpr int kLoopWatchIntervalMs = 1;

// Floods the socket bound to port (descriptor) and runs the event loop until every
// datagram has been read. Records the figures on state.
void flood(benchmark::State &state, quint16 port, int descriptor, const std::function<int()> &known)
{
    const qint64 dropsBefore = readUdpQueue(port).drops;
    AnnouncementFlood senders(port, descriptor, {kDiscoverySenders, kDiscoveryDatagrams});
    LoopWatch watch(kLoopWatchIntervalMs);
    bool started = false;
    const Cost cost = measure([&] {
        started = senders.start();
        if (started)
            waitFor([&] { return senders.finished() && readUdpQueue(port).queuedBytes == 0; });
        // The last datagrams may be read but not yet handled.
        QCoreApplication::processEvents();
    });
    const double longestBlockMs = watch.longestPauseMs();
    const double longestBusyMs = watch.longestBusyMs();
    if (!started) {
        state.SkipWithError("cannot bind the senders to 127.0.0.x");
        return;
    }
    const qint64 drops = readUdpQueue(port).drops - dropsBefore;
    state.SetIterationTime(cost.wall);
    // What handling one datagram costs the GUI thread, the sender's pacing aside.
    state.counters["gui_us_per_datagram"] = cost.cpu * 1e6 / qMax(1, senders.sent());
    state.counters["max_block_ms"] = longestBlockMs;
    state.counters["max_busy_ms"] = longestBusyMs;
    state.counters["sent"] = senders.sent();
    state.counters["dropped"] = double(drops);
    state.counters["handled"] = double(senders.sent() - drops);
    state.counters["senders_known"] = known();
}

void discoveryProduct(benchmark::State &state)
{
    context();
    for (auto _ : state) {
        // A folder of its own: the window writes the discovered modules to options.ini.
        TestWorkDir folder;
        benchdata::writeOptionsIni(benchdata::moduleEntries(kStartupModules));
        folder.writeFile(QStringLiteral("description.json"), "{}");
        MainWindow window;
        window.show();
        settle();
        MainWindowProbe probe(window);
        QUdpSocket &socket = probe.udpSocket();
        if (socket.state() != QAbstractSocket::BoundState) {
            state.SkipWithError("UDP port 32700 is taken by another program");
            break;
        }
        const int before = probe.modules().size();
        flood(state, kDiscoveryPort, int(socket.socketDescriptor()),
              [&] { return probe.modules().size() - before; });
    }
}

void discoveryBaseline(benchmark::State &state)
{
    context();
    for (auto _ : state) {
        QUdpSocket socket;
        if (!socket.bind(QHostAddress::AnyIPv4, 0)) {
            state.SkipWithError("cannot bind a UDP socket");
            break;
        }
        QSet<QString> senders;
        QObject::connect(&socket, &QUdpSocket::readyRead, [&] {
            char head[2];
            while (socket.hasPendingDatagrams()) {
                QHostAddress sender;
                if (socket.readDatagram(head, sizeof head, &sender) == 2 && head[0] == 'U')
                    senders.insert(sender.toString());
            }
        });
        flood(state, socket.localPort(), int(socket.socketDescriptor()), [&] { return senders.size(); });
    }
}

void pair(const char *name, void (*product)(benchmark::State &), void (*baseline)(benchmark::State &),
          const std::function<void(benchmark::internal::Benchmark *)> &configure)
{
    configure(benchmark::RegisterBenchmark((std::string(name) + "/product").c_str(), product));
    configure(benchmark::RegisterBenchmark((std::string(name) + "/baseline").c_str(), baseline));
}

} // namespace

void registerCases()
{
    auto timedIn = [](double minTime) {
        return [minTime](benchmark::internal::Benchmark *b) {
            b->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(minTime);
        };
    };
    pair("startup", startupProduct, startupBaseline, timedIn(0.3));
    for (int rows : kFillSizes) {
        pair("fill", fillProduct, fillBaseline, [&](benchmark::internal::Benchmark *b) {
            timedIn(0.2)(b);
            b->Arg(rows);
        });
    }
    pair("save", saveProduct, saveBaseline, timedIn(0.3));
    timedIn(0.3)(benchmark::RegisterBenchmark("save/readback", saveReadBack));
    pair("roundtrip", roundTripProduct, roundTripBaseline, timedIn(0.3));
    pair("discovery", discoveryProduct, discoveryBaseline, [](benchmark::internal::Benchmark *b) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    });
}

void releaseCases()
{
    delete shared;
    shared = nullptr;
}
