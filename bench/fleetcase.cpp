// Fleet backup: the built quillnet backing up 50, 100 and 200 simulated modules of five
// pages each, every answer 20 ms late, at -j 16, against quillnet-bench-fetch fetching the
// same URLs at the same concurrency with a bare QNetworkAccessManager. Both are child
// processes, timed from their start to their exit, and run under GNU time, which reports
// their peak resident memory; so both pay a process start and the same wrapper.
//
// The modules serve from this process, started once: product and baseline talk to the very
// same servers, and neither pays for starting them. While a child runs, this process does
// nothing but wait for it and serve.

#include "benchcontext.h"
#include "benchdata.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "core/device/modulereplies.h"
#include "sim/modulefleet.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");
constexpr int kPageRows = 10;
// GNU time, and what it tells of the program it runs: the peak resident set in KiB, and the
// processor time in user and system mode.
const QString kTimeProgram = QStringLiteral("time");
const QString kTimeFormat = QStringLiteral("%M %U %S");

// The fleet, its targets files and the folder the backups go to, kept across the runs.
struct FleetModules : CaseState
{
    explicit FleetModules(BenchContext &)
        : fleet(kFleetModules)
    {
        // As a module keeps them: pages it lists, and the service page, which it does not.
        QStringList listed;
        for (int page = 1; page < kFleetPages; ++page)
            listed.append(QString::number(page));
        for (const QString &key : listed + QStringList{kServicePageKey})
            pages.insert(key, benchdata::pageOptions(kPageRows));
        fleet.setPages(pages, listed);
        const ModuleSimulator::Behaviour late{ModuleSimulator::Fault::None, 0, kFleetDelayMs};
        fleet.setBehaviour(ModuleSimulator::Endpoint::PageList, late);
        fleet.setBehaviour(ModuleSimulator::Endpoint::Page, late);
        started = folder.isValid() && fleet.start(kLoopback, 0);
        for (int modules : kFleetSizes) {
            QFile targets(targetsFile(modules));
            started = started && targets.open(QIODevice::WriteOnly);
            for (int index = 0; started && index < modules; ++index)
                targets.write(address(index).toUtf8() + '\n');
        }
    }

    QString address(int index) const
    {
        return QStringLiteral("%1:%2").arg(kLoopback).arg(fleet.module(index).port());
    }
    QString targetsFile(int modules) const
    {
        return folder.filePath(QStringLiteral("targets-%1").arg(modules));
    }
    QString backups() const { return folder.filePath(QStringLiteral("backups")); }
    // Requests the first `modules` modules have received so far.
    int requests(int modules) const
    {
        int count = 0;
        for (int index = 0; index < modules; ++index)
            count += fleet.module(index).requests().size();
        return count;
    }

    ModuleFleet fleet;
    QJsonObject pages;
    QTemporaryDir folder;
    bool started = false;
};

FleetModules *fleetModules(benchmark::State &state)
{
    FleetModules &modules = context().caseState<FleetModules>();
    if (modules.started)
        return &modules;
    state.SkipWithError("cannot serve the simulated modules");
    return nullptr;
}

struct ChildRun
{
    QString error; // empty when the child ran and exited with 0
    double wall = 0;
    double peakMiB = 0;
    double cpu = 0; // seconds, on every thread of the child
    QByteArray out;
};

// Runs program under GNU time in folder, with its standard output kept or dropped, and
// waits for its exit.
ChildRun runChild(const QString &program, const QStringList &args, const QString &folder, bool keepOutput)
{
    ChildRun run;
    const QString timeProgram = QStandardPaths::findExecutable(kTimeProgram);
    if (timeProgram.isEmpty()) {
        run.error = QStringLiteral("needs GNU time (/usr/bin/time, Debian package time)");
        return run;
    }
    const QString figuresFile = QDir(folder).filePath(QStringLiteral("figures"));
    QProcess child;
    child.setWorkingDirectory(folder);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!keepOutput)
        child.setStandardOutputFile(QProcess::nullDevice());
    const QStringList timeArgs{QStringLiteral("-f"), kTimeFormat, QStringLiteral("-o"), figuresFile, program};
    const Cost cost = measure([&] {
        child.start(timeProgram, timeArgs + args);
        waitFor([&] { return child.state() == QProcess::NotRunning; });
    });
    run.wall = cost.wall;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        run.error
            = QStringLiteral("%1 exited with %2").arg(QFileInfo(program).fileName()).arg(child.exitCode());
        return run;
    }
    run.out = child.readAllStandardOutput();
    // GNU time writes its figures as the last line of the file.
    QFile figuresText(figuresFile);
    const QList<QByteArray> figures = figuresText.open(QIODevice::ReadOnly)
        ? figuresText.readAll().trimmed().split('\n').last().split(' ')
        : QList<QByteArray>();
    run.peakMiB = figures.value(0).toDouble() / 1024;
    run.cpu = figures.value(1).toDouble() + figures.value(2).toDouble();
    if (run.peakMiB <= 0)
        run.error = QStringLiteral("GNU time told nothing of %1").arg(QFileInfo(program).fileName());
    return run;
}

// What is amiss with the backups of the first `modules` modules, or nothing.
QString checkBackups(const FleetModules &f, int modules)
{
    const QDir folder(f.backups());
    if (folder.entryList(QDir::Files).size() != modules)
        return QStringLiteral("%1 backup files for %2 modules")
            .arg(folder.entryList(QDir::Files).size())
            .arg(modules);
    for (int index = 0; index < modules; ++index) {
        const QString address = f.address(index);
        QFile file(folder.filePath(QString(address).replace(QLatin1Char(':'), QLatin1Char('_'))
                                   + QStringLiteral(".json")));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("no backup of %1").arg(address);
        const QJsonObject backup = QJsonDocument::fromJson(file.readAll()).object();
        const QJsonObject pages = backup.value(QStringLiteral("pages")).toObject();
        bool whole
            = pages.size() == kFleetPages && backup.value(QStringLiteral("incomplete")).toArray().isEmpty();
        for (auto page = f.pages.begin(); whole && page != f.pages.end(); ++page)
            whole = pages.value(page.key()) == QJsonObject{{page.key(), page.value()}};
        if (!whole)
            return QStringLiteral("the backup of %1 does not hold its %2 pages")
                .arg(address)
                .arg(kFleetPages);
    }
    return {};
}

// Runs one side once and keeps its figures on state. False, with the case skipped, when the
// run failed, when amiss finds fault with what it left, or when the modules were not asked
// for their page list and each page once: a retry, or another program serving on their
// ports, would make the figures those of other work.
bool runOnce(benchmark::State &state, const FleetModules &f, int modules, const QString &program,
             const QStringList &args, bool keepOutput, const std::function<QString(const ChildRun &)> &amiss)
{
    const int before = f.requests(modules);
    const ChildRun run = runChild(program, args, f.folder.path(), keepOutput);
    QString error = run.error.isEmpty() ? amiss(run) : run.error;
    const int requests = f.requests(modules) - before;
    const int expected = modules * (kFleetPages + 1);
    if (error.isEmpty() && requests != expected)
        error = QStringLiteral("the modules got %1 requests, not %2").arg(requests).arg(expected);
    if (!error.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return false;
    }
    state.SetIterationTime(run.wall);
    state.counters["peak_mib"] = run.peakMiB;
    state.counters["child_cpu_s"] = run.cpu;
    return true;
}

void fleetProduct(benchmark::State &state)
{
    FleetModules *f = fleetModules(state);
    if (!f)
        return;
    const int modules = int(state.range(0));
    const QStringList args{QStringLiteral("-j"),
                           QString::number(kFleetJobs),
                           QStringLiteral("-q"),
                           QStringLiteral("backup"),
                           QStringLiteral("--targets-file"),
                           f->targetsFile(modules),
                           QStringLiteral("-O"),
                           f->backups()};
    for (auto _ : state) {
        QDir(f->backups()).removeRecursively();
        if (!runOnce(state, *f, modules, QStringLiteral(QUILLNET_EXECUTABLE), args, false,
                     [&](const ChildRun &) { return checkBackups(*f, modules); }))
            break;
    }
}

void fleetBaseline(benchmark::State &state)
{
    FleetModules *f = fleetModules(state);
    if (!f)
        return;
    const int modules = int(state.range(0));
    const QStringList args{f->targetsFile(modules), QString::number(kFleetJobs)};
    const auto amiss = [&](const ChildRun &run) {
        const int pages = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("pages")).toInt();
        return pages == modules * kFleetPages
            ? QString()
            : QStringLiteral("the baseline fetched %1 pages of %2").arg(pages).arg(modules * kFleetPages);
    };
    for (auto _ : state) {
        if (!runOnce(state, *f, modules, QStringLiteral(QUILLNET_BENCH_FETCH_EXECUTABLE), args, true, amiss))
            break;
    }
}

} // namespace

void registerFleetCase()
{
    for (int modules : kFleetSizes) {
        registerPair("fleet", fleetProduct, fleetBaseline, [modules](benchmark::internal::Benchmark *b) {
            b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(modules);
        });
    }
}
