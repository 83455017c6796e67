#include "memory.h"

#include "barewindow.h"
#include "benchdata.h"
#include "cases.h"

#include "support/mainwindowprobe.h"
#include "support/testworkdir.h"
#include "window/app/mainwindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kMemoryFlag = QStringLiteral("--memory=");

// The peak resident set of this process image. Not getrusage(): its figure survives
// exec(), so a child would report the peak of the parent it was forked from.
qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int runMemoryChild(const QString &side)
{
    TestWorkDir folder;
    folder.writeFile(QStringLiteral("description.json"), "{}");
    const QJsonObject options = benchdata::pageOptions(kSaveRows);
    const QJsonObject catalog = benchdata::catalogFor(kSaveRows);
    const benchdata::BareRows bare = benchdata::bareRows(options);
    qint64 before = 0;
    qint64 after = 0;
    if (side == QLatin1String("product")) {
        MainWindow window;
        MainWindowProbe probe(window);
        probe.udpSocket().close();
        window.show();
        settle();
        before = peakKiB();
        probe.pageKey() = benchdata::kPageKey;
        probe.descriptions() = catalog;
        probe.filltable(options);
        settle();
        after = peakKiB();
    } else if (side == QLatin1String("baseline")) {
        BareWindow window;
        window.show();
        settle();
        before = peakKiB();
        window.fill(bare);
        settle();
        after = peakKiB();
    } else {
        std::fprintf(stderr, "quillnet-bench: --memory=product or --memory=baseline\n");
        return 2;
    }
    std::printf("{\"before_kib\": %lld, \"peak_kib\": %lld}\n", static_cast<long long>(before),
                static_cast<long long>(after));
    return 0;
}

QJsonObject measureMemory(int runs)
{
    std::vector<double> peak[2];
    std::vector<double> growth[2];
    const QString sides[2] = {QStringLiteral("product"), QStringLiteral("baseline")};
    for (int run = 0; run < runs; ++run) {
        for (int s = 0; s < 2; ++s) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {kMemoryFlag + sides[s]});
            if (!child.waitForFinished(120000) || child.exitCode() != 0)
                return QJsonObject{{QStringLiteral("error"), QStringLiteral("the memory child failed")}};
            const QJsonObject figures = QJsonDocument::fromJson(child.readAllStandardOutput()).object();
            peak[s].push_back(figures.value(QStringLiteral("peak_kib")).toDouble());
            growth[s].push_back(figures.value(QStringLiteral("peak_kib")).toDouble()
                                - figures.value(QStringLiteral("before_kib")).toDouble());
        }
    }
    const double productPeak = median(peak[0]);
    const double baselinePeak = median(peak[1]);
    const double productGrowth = median(growth[0]);
    const double baselineGrowth = median(growth[1]);
    return QJsonObject{
        {QStringLiteral("rows"), kSaveRows},
        {QStringLiteral("runs"), runs},
        {QStringLiteral("product_peak_mib"), productPeak / 1024},
        {QStringLiteral("baseline_peak_mib"), baselinePeak / 1024},
        {QStringLiteral("peak_ratio"), baselinePeak > 0 ? productPeak / baselinePeak : 0},
        {QStringLiteral("product_fill_growth_mib"), productGrowth / 1024},
        {QStringLiteral("baseline_fill_growth_mib"), baselineGrowth / 1024},
        {QStringLiteral("fill_growth_ratio"), baselineGrowth > 0 ? productGrowth / baselineGrowth : 0},
    };
}

QString memoryFlag()
{
    return kMemoryFlag;
}
