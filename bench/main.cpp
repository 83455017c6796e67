// quillnet-bench: the configurator's start-up, page fill, save, round trip and discovery,
// and a fleet backup by quillnet, each measured against the least the toolkit needs for the
// same work, in the same run.
//
//   quillnet-bench [--out=FILE] [--memory-runs=N] [Google Benchmark flags]
//
// Prints Google Benchmark's table of every run, then a summary of medians and ratios, and
// writes the summary as JSON to FILE (bench.json by default).

#include "cases.h"
#include "memory.h"
#include "summary.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Repetitions are interleaved at random across all cases, so that product and baseline see
// the same machine load; the summary takes medians over them. Later flags override these.
char kRepetitionsFlag[] = "--benchmark_repetitions=9";
char kInterleavingFlag[] = "--benchmark_enable_random_interleaving=true";
char *const kDefaultFlags[] = {kRepetitionsFlag, kInterleavingFlag};

// The product logs every page and every save; the benchmark keeps the formatting cost but
// not the terminal output.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// A desktop session's runtime folder, where the module locks live, is in memory. Without one
// the locks fall back to the temporary folder, whose file system may sync every lock taken to
// disk: a cost the configurator does not have on a desktop.
std::unique_ptr<QTemporaryDir> runtimeFolderInMemory()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QDir(QStringLiteral("/dev/shm")).exists())
        return nullptr;
    auto folder = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/quillnet-bench-XXXXXX"));
    if (!folder->isValid()
        || !QFile::setPermissions(folder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return nullptr;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder->path()));
    return folder;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);

    std::string out = "bench.json";
    int memoryRuns = 5;
    std::vector<char *> args{argv[0]};
    for (char *flag : kDefaultFlags)
        args.push_back(flag);
    QString memorySide;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--out=", 0) == 0)
            out = arg.substr(6);
        else if (arg.rfind("--memory-runs=", 0) == 0)
            memoryRuns = std::max(0, std::atoi(arg.c_str() + 14));
        else if (QString::fromLocal8Bit(argv[i]).startsWith(memoryFlag()))
            memorySide = QString::fromLocal8Bit(argv[i]).mid(memoryFlag().size());
        else
            args.push_back(argv[i]);
    }

    const std::unique_ptr<QTemporaryDir> runtimeFolder = runtimeFolderInMemory();
    QApplication app(argc, argv);
    if (!memorySide.isEmpty())
        return runMemoryChild(memorySide);

    int benchArgc = int(args.size());
    benchmark::Initialize(&benchArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, args.data()))
        return 2;

    registerCases();
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    releaseCases();

    const QJsonObject memory = memoryRuns > 0 ? measureMemory(memoryRuns) : QJsonObject();
    const Summary summary(reporter.runs(), memory);
    summary.print(stdout);
    if (!summary.write(QString::fromStdString(out))) {
        std::fprintf(stderr, "quillnet-bench: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("\nFigures written to %s\n", out.c_str());
    benchmark::Shutdown();
    return 0;
}
