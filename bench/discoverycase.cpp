// Discovery: 10,000 announcements from 200 senders to the window's discovery port, against a
// bare UDP socket drained into a set; the longest block of the GUI thread beside each.

#include "benchcontext.h"
#include "benchdata.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"
#include "flood.h"

#include "core/modules/announcements.h"
#include "support/loopwatch.h"
#include "support/mainwindowprobe.h"
#include "support/testworkdir.h"
#include "window/app/mainwindow.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QSet>
#include <QUdpSocket>

#include <functional>

namespace {

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

} // namespace

void registerDiscoveryCase()
{
    registerPair("discovery", discoveryProduct, discoveryBaseline, [](benchmark::internal::Benchmark *b) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    });
}
