// Fleet backup: the built quillnet backing up 1,000 and 5,000 simulated modules of five
// pages each, every answer 20 ms late, at -j 16, 64 and 256, against quillnet-bench-fetch
// fetching the same URLs at the same concurrency with a bare QNetworkAccessManager; and a
// backup of 1,000 modules of which some never answer and some refuse connections; and the
// backup of 1,000 modules into a history of a year of daily runs, against the same backup
// into plain files, with the history's size and the time it takes to list one module's
// versions; and quillnet set of one option on 200 modules against the three requests of a
// safe write done bare. Both
// sides are child processes, timed from their start to their exit, and run under GNU time,
// which reports their peak resident memory; so both pay a process start and the same wrapper.
//
// The modules serve from this process, started once: product and baseline talk to the very
// same servers, and neither pays for starting them. Each module answers with two threads of
// its own, so the 6,000 modules take some 18,000 threads and as many descriptors, within
// the machine's limits; one process serves them all. While a child runs, this process does
// nothing but wait for it and serve.

#include "benchcontext.h"
#include "benchdata.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "core/device/modulereplies.h"
#include "sim/modulefleet.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
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

// A fleet, the targets files of its first modules and the folder the backups go to, kept
// across the runs.
struct Fleet
{
    Fleet(int size, const QList<int> &targetSizes, const QList<ModuleFleet::FaultRule> &faults)
        : fleet(size)
    {
        // As a module keeps them: pages it lists, and the service page, which it does not.
        QStringList listed;
        for (int page = 1; page < kFleetPages; ++page)
            listed.append(QString::number(page));
        for (const QString &key : listed + QStringList{kServicePageKey})
            pages.insert(key, benchdata::pageOptions(kPageRows));
        fleet.setPages(pages, listed);
        pageOrder = listed;
        const ModuleSimulator::Behaviour late{ModuleSimulator::Fault::None, 0, kFleetDelayMs};
        fleet.setBehaviour(ModuleSimulator::Endpoint::PageList, late);
        fleet.setBehaviour(ModuleSimulator::Endpoint::Page, late);
        fleet.setFaultRules(faults);
        started = folder.isValid() && fleet.start(kLoopback, 0);
        for (int modules : targetSizes) {
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
    // A folder, as the trailing "/" says, made afresh for each run.
    QString backups() const { return folder.filePath(QStringLiteral("backups/")); }
    void emptyBackups() const
    {
        QDir(backups()).removeRecursively();
        QDir().mkpath(backups());
    }
    // Requests the first `modules` modules have received so far.
    int requests(int modules) const
    {
        int count = 0;
        for (int index = 0; index < modules; ++index)
            count += fleet.module(index).requests().size();
        return count;
    }
    // Ends the answers held by modules that never answer, each of which keeps one of its
    // module's two threads busy until then.
    bool releaseHeldAnswers()
    {
        const int first = fleet.firstPort();
        fleet.stop();
        return fleet.start(kLoopback, first);
    }

    ModuleFleet fleet;
    QJsonObject pages;
    QStringList pageOrder;
    QTemporaryDir folder;
    bool started = false;
};

struct HealthyFleet
    : CaseState
    , Fleet
{
    explicit HealthyFleet(BenchContext &)
        : Fleet(kFleetModules, QList<int>(std::begin(kFleetSizes), std::end(kFleetSizes)) << kSetModules, {})
    { }
};

// Module n never answers when n is a multiple of kFaultyHangEvery, refuses connections when
// it is one of kFaultyDownEvery (and not of the first).
struct FaultyFleet
    : CaseState
    , Fleet
{
    explicit FaultyFleet(BenchContext &)
        : Fleet(kFaultyModules, {kFaultyModules}, faultRules())
    { }
    static QList<ModuleFleet::FaultRule> faultRules()
    {
        return {{kFaultyHangEvery, false, {ModuleSimulator::Fault::Hang, 0, 0}},
                {kFaultyDownEvery, true, {}}};
    }
};

template<typename F> F *fleetOf(benchmark::State &state)
{
    F &modules = context().caseState<F>();
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
// waits for its exit, which must have the status expected.
ChildRun runChild(const QString &program, const QStringList &args, const QString &folder, bool keepOutput,
                  int expectedExit)
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
    // A run that is to fail names each module that failed: not worth a screenful each time.
    if (expectedExit == 0)
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        child.setStandardErrorFile(QProcess::nullDevice());
    if (!keepOutput)
        child.setStandardOutputFile(QProcess::nullDevice());
    const QStringList timeArgs{QStringLiteral("-f"), kTimeFormat, QStringLiteral("-o"), figuresFile, program};
    const Cost cost = measure([&] {
        child.start(timeProgram, timeArgs + args);
        waitFor([&] { return child.state() == QProcess::NotRunning; }, kChildTimeoutMs);
    });
    run.wall = cost.wall;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != expectedExit) {
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

// What is amiss with the backups of the first `modules` modules, of which those that answer
// must each have a complete backup and the others none; or nothing.
QString checkBackups(const Fleet &f, int modules, const std::function<bool(int)> &answers)
{
    const QDir folder(f.backups());
    int expected = 0;
    for (int index = 0; index < modules; ++index) {
        const QString address = f.address(index);
        QFile file(folder.filePath(QString(address).replace(QLatin1Char(':'), QLatin1Char('_'))
                                   + QStringLiteral(".json")));
        if (!answers(index))
            continue;
        ++expected;
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
    const int files = int(folder.entryList(QDir::Files).size());
    return files == expected ? QString()
                             : QStringLiteral("%1 backup files for %2 modules").arg(files).arg(expected);
}

// Runs one side once and keeps its figures on state. False, with the case skipped, when the
// run failed, when amiss finds fault with what it left, or when the modules did not get the
// requests expected: each page once (a retry, or another program serving on their ports,
// would make the figures those of other work), or one only from a module that never answers.
bool runOnce(benchmark::State &state, const Fleet &f, int modules, const QString &program,
             const QStringList &args, bool keepOutput, int expectedExit, int expectedRequests,
             const std::function<QString(const ChildRun &)> &amiss)
{
    const int before = f.requests(modules);
    const ChildRun run = runChild(program, args, f.folder.path(), keepOutput, expectedExit);
    QString error = run.error.isEmpty() ? amiss(run) : run.error;
    const int requests = f.requests(modules) - before;
    if (error.isEmpty() && requests != expectedRequests)
        error = QStringLiteral("the modules got %1 requests, not %2").arg(requests).arg(expectedRequests);
    if (!error.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return false;
    }
    state.SetIterationTime(run.wall);
    state.counters["peak_mib"] = run.peakMiB;
    state.counters["child_cpu_s"] = run.cpu;
    return true;
}

QStringList backupArgs(const Fleet &f, int modules, int jobs)
{
    return {QStringLiteral("-j"),
            QString::number(jobs),
            QStringLiteral("-q"),
            QStringLiteral("backup"),
            QStringLiteral("--targets-file"),
            f.targetsFile(modules),
            QStringLiteral("-O"),
            f.backups()};
}

void fleetProduct(benchmark::State &state)
{
    HealthyFleet *f = fleetOf<HealthyFleet>(state);
    if (!f)
        return;
    const int modules = int(state.range(0));
    const QStringList args = backupArgs(*f, modules, int(state.range(1)));
    for (auto _ : state) {
        f->emptyBackups();
        if (!runOnce(state, *f, modules, QStringLiteral(QUILLNET_EXECUTABLE), args, false, 0,
                     modules * (kFleetPages + 1),
                     [&](const ChildRun &) { return checkBackups(*f, modules, [](int) { return true; }); }))
            break;
    }
}

void fleetBaseline(benchmark::State &state)
{
    HealthyFleet *f = fleetOf<HealthyFleet>(state);
    if (!f)
        return;
    const int modules = int(state.range(0));
    const QStringList args{f->targetsFile(modules), QString::number(state.range(1))};
    const auto amiss = [&](const ChildRun &run) {
        const int pages = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("pages")).toInt();
        return pages == modules * kFleetPages
            ? QString()
            : QStringLiteral("the baseline fetched %1 pages of %2").arg(pages).arg(modules * kFleetPages);
    };
    for (auto _ : state) {
        if (!runOnce(state, *f, modules, QStringLiteral(QUILLNET_BENCH_FETCH_EXECUTABLE), args, true, 0,
                     modules * (kFleetPages + 1), amiss))
            break;
    }
}

// The faulty fleet: quillnet reports the modules that failed and exits 3.
void faultyProduct(benchmark::State &state)
{
    FaultyFleet *f = fleetOf<FaultyFleet>(state);
    if (!f)
        return;
    const auto hangs = [](int index) {
        return (index + 1) % kFaultyHangEvery == 0;
    };
    const auto answers = [&](int index) {
        return !hangs(index) && (index + 1) % kFaultyDownEvery != 0;
    };
    int requests = 0;
    for (int index = 0; index < kFaultyModules; ++index)
        requests += answers(index) ? kFleetPages + 1 : hangs(index) ? 1 : 0;
    const QStringList args = QStringList{QStringLiteral("--timeout"), QString::number(kFaultyTimeoutS)}
        + backupArgs(*f, kFaultyModules, kFaultyJobs);
    for (auto _ : state) {
        f->emptyBackups();
        if (!f->releaseHeldAnswers()) {
            state.SkipWithError("cannot serve the faulty modules again");
            break;
        }
        if (!runOnce(state, *f, kFaultyModules, QStringLiteral(QUILLNET_EXECUTABLE), args, false, 3, requests,
                     [&](const ChildRun &) { return checkBackups(*f, kFaultyModules, answers); }))
            break;
    }
}

// The first modules of the healthy fleet, whose backups are checked against the pages they
// started with: each set round puts those back, untimed.
void restoreSetModules(HealthyFleet *f)
{
    for (int index = 0; index < kSetModules; ++index)
        f->fleet.module(index).setPages(f->pages, f->pageOrder);
}

// quillnet set of one option on every module, a value that differs from the module's, so
// that each module's page is read, written and read back whole.
void setProduct(benchmark::State &state)
{
    HealthyFleet *f = fleetOf<HealthyFleet>(state);
    if (!f)
        return;
    for (auto _ : state) {
        const QStringList args{QStringLiteral("-j"),           QString::number(kSetJobs),
                               QStringLiteral("-q"),           QStringLiteral("set"),
                               QStringLiteral("--no-catalog"), QStringLiteral("--targets-file"),
                               f->targetsFile(kSetModules),    QStringLiteral("1/port0000=9001")};
        const bool ran = runOnce(state, *f, kSetModules, QStringLiteral(QUILLNET_EXECUTABLE), args, false, 0,
                                 kSetModules * 3, [](const ChildRun &) { return QString(); });
        restoreSetModules(f);
        if (!ran)
            break;
    }
}

// The same three requests for each module, bare: the page, its write, the page again.
void setBaseline(benchmark::State &state)
{
    HealthyFleet *f = fleetOf<HealthyFleet>(state);
    if (!f)
        return;
    const QStringList args{f->targetsFile(kSetModules), QString::number(kSetJobs), QStringLiteral("1")};
    const auto amiss = [&](const ChildRun &run) {
        const int pages = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("pages")).toInt();
        return pages == kSetModules * 2
            ? QString()
            : QStringLiteral("the baseline read %1 pages of %2").arg(pages).arg(kSetModules * 2);
    };
    for (auto _ : state) {
        if (!runOnce(state, *f, kSetModules, QStringLiteral(QUILLNET_BENCH_FETCH_EXECUTABLE), args, true, 0,
                     kSetModules * 3, amiss))
            break;
    }
}

// The history: made once from a real run of quillnet, then kHistoryRuns - 1 runs made up by
// changing an option in the files of kHistoryChangesPerRun modules and committing them with
// git, packing loose objects as quillnet's runs do. Before each timed run one more such run is made, so
// that each timed run finds as many modules changed on the fleet as a day's run would.
struct FleetHistory : CaseState
{
    explicit FleetHistory(BenchContext &)
    {
        HealthyFleet *f = &context().caseState<HealthyFleet>();
        fleet = f->started ? f : nullptr;
        if (!fleet || !folder.isValid()) {
            error = QStringLiteral("cannot serve the simulated modules");
            return;
        }
        const ChildRun first
            = runChild(QStringLiteral(QUILLNET_EXECUTABLE), backupArgs(), folder.path(), false, 0);
        error = first.error;
        while (error.isEmpty() && runs < kHistoryRuns)
            error = makeUpRun();
    }

    QString path() const { return folder.filePath(QStringLiteral("history")); }
    QStringList backupArgs() const
    {
        return {QStringLiteral("-j"),
                QString::number(kHistoryJobs),
                QStringLiteral("-q"),
                QStringLiteral("backup"),
                QStringLiteral("--targets-file"),
                fleet->targetsFile(kHistoryModules),
                QStringLiteral("--git"),
                path()};
    }

    // A day on which kHistoryChangesPerRun modules, spread over the fleet, changed an option.
    QString makeUpRun()
    {
        static const QRegularExpression option(QStringLiteral("\"relay0000\": \\d+"));
        for (int change = 0; change < kHistoryChangesPerRun; ++change) {
            const int index
                = (runs * 7 + change * (kHistoryModules / kHistoryChangesPerRun)) % kHistoryModules;
            QFile file(QDir(path()).filePath(
                QString(fleet->address(index)).replace(QLatin1Char(':'), QLatin1Char('_'))
                + QStringLiteral(".json")));
            if (!file.open(QIODevice::ReadWrite))
                return QStringLiteral("no history file of %1").arg(fleet->address(index));
            QString text = QString::fromUtf8(file.readAll());
            const QRegularExpressionMatch found = option.match(text);
            if (!found.hasMatch())
                return QStringLiteral("no option to change in the file of %1").arg(fleet->address(index));
            text.replace(found.capturedStart(), found.capturedLength(),
                         QStringLiteral("\"relay0000\": %1").arg(runs + 2));
            file.resize(0);
            file.write(text.toUtf8());
        }
        QProcess git;
        git.setWorkingDirectory(path());
        git.start(QStringLiteral("git"),
                  {QStringLiteral("-c"), QStringLiteral("user.name=bench"), QStringLiteral("-c"),
                   QStringLiteral("user.email=bench@localhost"), QStringLiteral("-c"),
                   QStringLiteral("gc.auto=1000"), QStringLiteral("commit"), QStringLiteral("-qam"),
                   QStringLiteral("day %1").arg(runs)});
        if (!git.waitForFinished(kChildTimeoutMs) || git.exitCode() != 0)
            return QStringLiteral("git commit: %1").arg(QString::fromUtf8(git.readAllStandardError()));
        ++runs;
        return {};
    }

    double megabytes() const
    {
        qint64 bytes = 0;
        QDirIterator files(QDir(path()).filePath(QStringLiteral(".git")), QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            files.next();
            bytes += files.fileInfo().size();
        }
        return double(bytes) / 1e6;
    }

    HealthyFleet *fleet = nullptr;
    QTemporaryDir folder;
    int runs = 1;
    QString error;
};

FleetHistory *historyOf(benchmark::State &state)
{
    FleetHistory &history = context().caseState<FleetHistory>();
    if (history.error.isEmpty())
        return &history;
    state.SkipWithError(qPrintable(history.error));
    return nullptr;
}

void historyProduct(benchmark::State &state)
{
    FleetHistory *h = historyOf(state);
    if (!h)
        return;
    const QString module = h->fleet->address(0);
    const QStringList listVersions{QStringLiteral("-o"),      QStringLiteral("json"),
                                   QStringLiteral("history"), module,
                                   QStringLiteral("--git"),   h->path()};
    for (auto _ : state) {
        const QString madeUp = h->makeUpRun();
        if (!madeUp.isEmpty()) {
            state.SkipWithError(qPrintable(madeUp));
            break;
        }
        const auto amiss = [](const ChildRun &) {
            return QString();
        };
        if (!runOnce(state, *h->fleet, kHistoryModules, QStringLiteral(QUILLNET_EXECUTABLE), h->backupArgs(),
                     false, 0, kHistoryModules * (kFleetPages + 1), amiss))
            break;
        const ChildRun versions
            = runChild(QStringLiteral(QUILLNET_EXECUTABLE), listVersions, h->folder.path(), true, 0);
        const int listed = int(QJsonDocument::fromJson(versions.out).array().size());
        if (!versions.error.isEmpty() || listed < 2) {
            state.SkipWithError(versions.error.isEmpty() ? "history listed no versions"
                                                         : qPrintable(versions.error));
            break;
        }
        state.counters["history_s"] = versions.wall;
        state.counters["repository_mb"] = h->megabytes();
    }
}

// The same backup into plain files.
void historyBaseline(benchmark::State &state)
{
    FleetHistory *h = historyOf(state);
    if (!h)
        return;
    const QStringList args = backupArgs(*h->fleet, kHistoryModules, kHistoryJobs);
    for (auto _ : state) {
        h->fleet->emptyBackups();
        if (!runOnce(state, *h->fleet, kHistoryModules, QStringLiteral(QUILLNET_EXECUTABLE), args, false, 0,
                     kHistoryModules * (kFleetPages + 1), [](const ChildRun &) { return QString(); }))
            break;
    }
}

} // namespace

void registerFleetCase()
{
    for (int modules : kFleetSizes) {
        for (int jobs : kFleetJobs) {
            registerPair(
                "fleet", fleetProduct, fleetBaseline, [modules, jobs](benchmark::internal::Benchmark *b) {
                    b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Args({modules, jobs});
                    b->Repetitions(kFleetRepetitions);
                });
        }
    }
    const auto onceEachRepetition = [](benchmark::internal::Benchmark *b) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kFleetRepetitions);
    };
    registerPair("history", historyProduct, historyBaseline, onceEachRepetition);
    registerPair("set", setProduct, setBaseline, onceEachRepetition);
    benchmark::RegisterBenchmark("faulty/product", faultyProduct)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(kFleetRepetitions);
}
