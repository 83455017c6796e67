#include "summary.h"

#include "cases.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {

// Targets: product time at most this many times its baseline.
constexpr double kFillTarget = 1.5;
constexpr double kFillGrowthTarget = 5.5; // from 1,000 to 5,000 options: linear
constexpr double kStartupTarget = 1.3;
constexpr double kSaveTarget = 3.0;
constexpr double kRoundTripTarget = 1.5; // up to the fill, over a bare GET and parse
constexpr double kDiscoveryBlockTargetMs = 50;
constexpr double kFleetTarget = 1.2;
// A healthy fleet's time at most this many times what the modules' delays allow, up to
// kFleetLimitJobs at once (beyond, a process start and the loopback weigh as much).
constexpr double kFleetLimitTarget = 1.5;
constexpr int kFleetLimitJobs = 64;
// Peak memory of a backup of the whole fleet at the most jobs, and its growth from the
// smallest fleet to the whole one per 100 modules (MB of 10^6 bytes).
constexpr double kFleetPeakTargetMB = 64;
constexpr double kFleetGrowthTargetMB = 1.0;
// The faulty fleet: at most this many times the limit with one timeout per module that
// never answers.
constexpr double kFaultyLimitTarget = 1.3;
// The backup into a history: at most this many times the same backup into plain files (the
// history's own part at most a tenth of the run), the repository at most this big, and one
// module's versions listed in at most this long.
constexpr double kHistoryTarget = 1.1;
constexpr double kHistorySizeTargetMB = 50;
constexpr double kHistoryListTargetS = 0.5;
// The safe save and the safe set: at most this many times their three bare requests.
constexpr double kSafeSaveTarget = 1.3;
constexpr double kSafeSetTarget = 1.2;

double medianOf(std::vector<double> values)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double secondsIn(const benchmark::BenchmarkReporter::Run &run)
{
    return run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
}

std::string format(const char *pattern, double value)
{
    if (std::isnan(value))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string duration(double seconds)
{
    if (std::isnan(seconds))
        return "-";
    if (seconds >= 1)
        return format("%.2f s", seconds);
    if (seconds >= 1e-3)
        return format("%.2f ms", seconds * 1e3);
    return format("%.1f us", seconds * 1e6);
}

QJsonValue number(double value)
{
    return std::isnan(value) ? QJsonValue() : QJsonValue(value);
}

int verdict(double figure, double target)
{
    return std::isnan(figure) ? -1 : figure <= target ? 1 : 0;
}

std::string fillName(const char *side, int rows)
{
    return std::string("fill/") + side + "/" + std::to_string(rows);
}

std::string fleetName(const char *side, int modules, int jobs)
{
    return std::string("fleet/") + side + "/" + std::to_string(modules) + "/" + std::to_string(jobs);
}

std::string thousands(int n)
{
    return n >= 1000 ? std::to_string(n / 1000) + "," + format("%03.0f", n % 1000) : std::to_string(n);
}

double megabytes(double mib)
{
    return mib * 1024 * 1024 / 1e6;
}

} // namespace

void CollectingReporter::ReportRuns(const std::vector<Run> &report)
{
    for (const Run &run : report) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred)
            continue;
        Repetition repetition;
        repetition.index = run.repetition_index;
        repetition.seconds = secondsIn(run);
        for (const auto &counter : run.counters)
            repetition.counters[counter.first] = counter.second.value;
        // The name without Google Benchmark's suffixes ("/min_time:...", "/manual_time").
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty())
            name += "/" + run.run_name.args;
        collected[name].push_back(repetition);
    }
    ConsoleReporter::ReportRuns(report);
}

Summary::Summary(const Repetitions &runs, const QJsonObject &memory)
    : runs(runs)
{
    json.insert(QStringLiteral("date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    json.insert(QStringLiteral("cpus"), QThread::idealThreadCount());
    QJsonObject cases;

    // Start-up.
    {
        const double product = median("startup/product");
        const double baseline = median("startup/baseline");
        const double ratio = pairedRatio("startup/product", "startup/baseline");
        add({"start-up, 256 modules, 1 MB catalog", duration(product), duration(baseline),
             format("%.2fx", ratio), format("<= %.1fx", kStartupTarget), "", verdict(ratio, kStartupTarget)});
        cases.insert(QStringLiteral("startup"),
                     QJsonObject{{QStringLiteral("product_ms"), number(product * 1e3)},
                                 {QStringLiteral("baseline_ms"), number(baseline * 1e3)},
                                 {QStringLiteral("ratio"), number(ratio)},
                                 {QStringLiteral("target"), kStartupTarget}});
    }

    // Page fill at every size, and its growth.
    QJsonObject fill;
    for (int rows : kFillSizes) {
        const std::string product = fillName("product", rows);
        const std::string baseline = fillName("baseline", rows);
        const double p = median(product);
        const double b = median(baseline);
        const double ratio = pairedRatio(product, baseline);
        add({"fill, " + std::to_string(rows) + " options", duration(p), duration(b), format("%.2fx", ratio),
             format("<= %.1fx", kFillTarget),
             format("%.1f", p / rows * 1e6) + " vs " + format("%.1f us/row", b / rows * 1e6)
                 + "; first paint " + duration(counterMedian(product, "paint_s")) + " vs "
                 + duration(counterMedian(baseline, "paint_s")),
             verdict(ratio, kFillTarget)});
        fill.insert(
            QString::number(rows),
            QJsonObject{
                {QStringLiteral("product_ms"), number(p * 1e3)},
                {QStringLiteral("baseline_ms"), number(b * 1e3)},
                {QStringLiteral("ratio"), number(ratio)},
                {QStringLiteral("product_us_per_row"), number(p / rows * 1e6)},
                {QStringLiteral("baseline_us_per_row"), number(b / rows * 1e6)},
                {QStringLiteral("product_first_paint_ms"), number(counterMedian(product, "paint_s") * 1e3)},
                {QStringLiteral("baseline_first_paint_ms"), number(counterMedian(baseline, "paint_s") * 1e3)},
                {QStringLiteral("target"), kFillTarget}});
    }
    {
        const double productGrowth = median(fillName("product", 5000)) / median(fillName("product", 1000));
        const double baselineGrowth = median(fillName("baseline", 5000)) / median(fillName("baseline", 1000));
        add({"fill growth, 1,000 -> 5,000 options", format("%.2fx", productGrowth),
             format("%.2fx", baselineGrowth), format("%.2fx", productGrowth),
             format("<= %.1fx", kFillGrowthTarget), "5x is linear",
             verdict(productGrowth, kFillGrowthTarget)});
        fill.insert(QStringLiteral("growth_1000_to_5000"),
                    QJsonObject{{QStringLiteral("product"), number(productGrowth)},
                                {QStringLiteral("baseline"), number(baselineGrowth)},
                                {QStringLiteral("target"), kFillGrowthTarget}});
    }
    cases.insert(QStringLiteral("fill"), fill);

    // Save, untouched and with every row edited.
    for (const char *variant : {"untouched", "edited"}) {
        const std::string name = std::string("save/") + variant;
        const double product = median(name + "/product");
        const double baseline = median(name + "/baseline");
        const double ratio = pairedRatio(name + "/product", name + "/baseline");
        add({std::string("save, 5,000 rows, ")
                 + (variant == std::string("edited") ? "every row edited" : variant),
             duration(product), duration(baseline), format("%.2fx", ratio), format("<= %.1fx", kSaveTarget),
             "", verdict(ratio, kSaveTarget)});
        cases.insert(QStringLiteral("save_") + QLatin1String(variant),
                     QJsonObject{{QStringLiteral("rows"), kSaveRows},
                                 {QStringLiteral("product_ms"), number(product * 1e3)},
                                 {QStringLiteral("baseline_ms"), number(baseline * 1e3)},
                                 {QStringLiteral("ratio"), number(ratio)},
                                 {QStringLiteral("target"), kSaveTarget}});
    }

    // Round trip: from selecting the page to the start of its fill, against a bare GET and
    // parse; both sides fill, paint and clear a table of the page's size between rounds,
    // untimed. Both wait for the simulator, so both are taken as time that passed.
    {
        const double product = median("roundtrip/product");
        const double baseline = median("roundtrip/baseline");
        const double ratio = pairedRatio("roundtrip/product", "roundtrip/baseline");
        const double guiProduct = counterMedian("roundtrip/product", "cpu_s");
        const double guiBaseline = counterMedian("roundtrip/baseline", "cpu_s");
        add({"round trip, 100 options", duration(product), duration(baseline), format("%.2fx", ratio),
             format("<= %.1fx", kRoundTripTarget),
             "up to the fill; GUI thread " + duration(guiProduct) + " vs " + duration(guiBaseline),
             verdict(ratio, kRoundTripTarget)});
        cases.insert(QStringLiteral("roundtrip"),
                     QJsonObject{{QStringLiteral("rows"), kRoundTripRows},
                                 {QStringLiteral("product_ms"), number(product * 1e3)},
                                 {QStringLiteral("baseline_ms"), number(baseline * 1e3)},
                                 {QStringLiteral("ratio"), number(ratio)},
                                 {QStringLiteral("product_gui_thread_ms"), number(guiProduct * 1e3)},
                                 {QStringLiteral("baseline_gui_thread_ms"), number(guiBaseline * 1e3)},
                                 {QStringLiteral("target"), kRoundTripTarget}});
    }

    // The safe save: Save pressed to the table starting to show the page as read back,
    // against the page, its write and the page again, bare.
    {
        const double product = median("safesave/product");
        const double baseline = median("safesave/baseline");
        const double ratio = pairedRatio("safesave/product", "safesave/baseline");
        add({"safe save, 100 options", duration(product), duration(baseline), format("%.2fx", ratio),
             format("<= %.1fx", kSafeSaveTarget), "lock, read again, write, read back and compare",
             verdict(ratio, kSafeSaveTarget)});
        cases.insert(QStringLiteral("safesave"),
                     QJsonObject{{QStringLiteral("rows"), kRoundTripRows},
                                 {QStringLiteral("product_ms"), number(product * 1e3)},
                                 {QStringLiteral("baseline_ms"), number(baseline * 1e3)},
                                 {QStringLiteral("ratio"), number(ratio)},
                                 {QStringLiteral("target"), kSafeSaveTarget}});
    }

    // Discovery: judged by the longest stretch of work between two turns of the loop.
    {
        auto worst = [&](const std::string &name, const std::string &counter) {
            if (!has(name))
                return std::nan("");
            double value = 0;
            for (const Repetition &r : runs.at(name))
                value = std::max(value, r.counters.count(counter) ? r.counters.at(counter) : 0.0);
            return value;
        };
        const double productBusy = worst("discovery/product", "max_busy_ms");
        const double baselineBusy = worst("discovery/baseline", "max_busy_ms");
        const double productBlock = worst("discovery/product", "max_block_ms");
        const double baselineBlock = worst("discovery/baseline", "max_block_ms");
        const double handled = counterMedian("discovery/product", "handled");
        const double known = counterMedian("discovery/product", "senders_known");
        add({"discovery, longest loop block", format("%.1f ms", productBusy), format("%.1f ms", baselineBusy),
             format("%.1f ms", productBusy), format("<= %.0f ms", kDiscoveryBlockTargetMs),
             "worst run; as time passed " + format("%.1f", productBlock) + " vs "
                 + format("%.1f ms", baselineBlock),
             verdict(productBusy, kDiscoveryBlockTargetMs)});
        const double perDatagram = counterMedian("discovery/product", "gui_us_per_datagram");
        const double perDatagramBaseline = counterMedian("discovery/baseline", "gui_us_per_datagram");
        add({"discovery, GUI thread per datagram", format("%.1f us", perDatagram),
             format("%.1f us", perDatagramBaseline), format("%.2fx", perDatagram / perDatagramBaseline), "",
             format("%.0f datagrams handled, ", handled) + format("%.0f senders added", known), -1});
        cases.insert(
            QStringLiteral("discovery"),
            QJsonObject{{QStringLiteral("datagrams"), kDiscoveryDatagrams},
                        {QStringLiteral("senders"), kDiscoverySenders},
                        {QStringLiteral("product_ms"), number(median("discovery/product") * 1e3)},
                        {QStringLiteral("baseline_ms"), number(median("discovery/baseline") * 1e3)},
                        {QStringLiteral("product_longest_busy_ms"), number(productBusy)},
                        {QStringLiteral("baseline_longest_busy_ms"), number(baselineBusy)},
                        {QStringLiteral("product_longest_block_ms"), number(productBlock)},
                        {QStringLiteral("baseline_longest_block_ms"), number(baselineBlock)},
                        {QStringLiteral("product_gui_us_per_datagram"), number(perDatagram)},
                        {QStringLiteral("baseline_gui_us_per_datagram"), number(perDatagramBaseline)},
                        {QStringLiteral("handled"), number(handled)},
                        {QStringLiteral("dropped"), number(counterMedian("discovery/product", "dropped"))},
                        {QStringLiteral("senders_added"), number(known)},
                        {QStringLiteral("target_block_ms"), kDiscoveryBlockTargetMs}});
    }

    // Fleet backup: each side a child process, timed from its start to its exit; its peak
    // resident memory as GNU time reports it. The limit is what the modules' delays allow:
    // the sum of every answer's delay, spread over the jobs.
    {
        QJsonObject fleet;
        const int mostJobs = *std::max_element(std::begin(kFleetJobs), std::end(kFleetJobs));
        for (int modules : kFleetSizes) {
            for (int jobs : kFleetJobs) {
                const std::string product = fleetName("product", modules, jobs);
                const std::string baseline = fleetName("baseline", modules, jobs);
                const double p = median(product);
                const double b = median(baseline);
                const double ratio = pairedRatio(product, baseline);
                const double limit = double(modules) * (kFleetPages + 1) * kFleetDelayMs / 1e3 / jobs;
                const bool judgedByLimit = jobs <= kFleetLimitJobs;
                const int met = std::isnan(ratio)
                    ? -1
                    : int(ratio <= kFleetTarget && (!judgedByLimit || p / limit <= kFleetLimitTarget));
                add({"fleet, " + thousands(modules) + " modules, -j " + std::to_string(jobs), duration(p),
                     duration(b), format("%.2fx", ratio), format("<= %.1fx", kFleetTarget),
                     "limit " + duration(limit) + ": " + format("%.2fx", p / limit)
                         + (judgedByLimit ? format(" (<= %.1fx)", kFleetLimitTarget) : "") + "; processor "
                         + format("%.2f", counterMedian(product, "child_cpu_s")) + " vs "
                         + format("%.2f s", counterMedian(baseline, "child_cpu_s")) + "; peak "
                         + format("%.1f", counterMedian(product, "peak_mib")) + " vs "
                         + format("%.1f MiB", counterMedian(baseline, "peak_mib")),
                     met});
                fleet.insert(
                    QStringLiteral("%1/%2").arg(modules).arg(jobs),
                    QJsonObject{
                        {QStringLiteral("product_ms"), number(p * 1e3)},
                        {QStringLiteral("baseline_ms"), number(b * 1e3)},
                        {QStringLiteral("ratio"), number(ratio)},
                        {QStringLiteral("limit_ms"), limit * 1e3},
                        {QStringLiteral("limit_ratio"), number(p / limit)},
                        {QStringLiteral("product_cpu_ms"),
                         number(counterMedian(product, "child_cpu_s") * 1e3)},
                        {QStringLiteral("baseline_cpu_ms"),
                         number(counterMedian(baseline, "child_cpu_s") * 1e3)},
                        {QStringLiteral("product_peak_mib"), number(counterMedian(product, "peak_mib"))},
                        {QStringLiteral("baseline_peak_mib"), number(counterMedian(baseline, "peak_mib"))}});
            }
        }
        const auto peakMB = [&](const char *side, int modules) {
            return megabytes(counterMedian(fleetName(side, modules, mostJobs), "peak_mib"));
        };
        const double peak = peakMB("product", kFleetModules);
        add({"fleet peak memory, " + thousands(kFleetModules) + " modules, -j " + std::to_string(mostJobs),
             format("%.1f MB", peak), format("%.1f MB", peakMB("baseline", kFleetModules)),
             format("%.1f MB", peak), format("<= %.0f MB", kFleetPeakTargetMB), "",
             std::isnan(peak) ? -1 : int(peak <= kFleetPeakTargetMB)});
        // From the smallest fleet to the whole one, per 100 modules.
        const int smallest = kFleetSizes[0];
        const auto growthMB = [&](const char *side) {
            return (peakMB(side, kFleetModules) - peakMB(side, smallest)) * 100 / (kFleetModules - smallest);
        };
        const double productGrowth = growthMB("product");
        const double baselineGrowth = growthMB("baseline");
        add({"fleet memory growth per 100 modules", format("%.2f MB", productGrowth),
             format("%.2f MB", baselineGrowth), format("%.2f MB", productGrowth),
             format("< %.0f MB", kFleetGrowthTargetMB),
             "peak from " + thousands(smallest) + " to " + thousands(kFleetModules) + " modules at -j "
                 + std::to_string(mostJobs),
             std::isnan(productGrowth) ? -1 : int(productGrowth < kFleetGrowthTargetMB)});

        // The faulty fleet against its limit: each module that answers as the healthy ones,
        // each that never answers one timeout, each that refuses nothing.
        int answering = 0, hanging = 0;
        for (int number = 1; number <= kFaultyModules; ++number) {
            hanging += number % kFaultyHangEvery == 0;
            answering += number % kFaultyHangEvery != 0 && number % kFaultyDownEvery != 0;
        }
        const double faultyLimit
            = (answering * (kFleetPages + 1) * kFleetDelayMs / 1e3 + hanging * double(kFaultyTimeoutS))
            / kFaultyJobs;
        const double faulty = median("faulty/product");
        add({"fleet with faults, " + thousands(kFaultyModules) + " modules, -j "
                 + std::to_string(kFaultyJobs),
             duration(faulty), duration(faultyLimit), format("%.2fx", faulty / faultyLimit),
             format("<= %.1fx", kFaultyLimitTarget),
             std::to_string(hanging) + " never answer, "
                 + std::to_string(kFaultyModules - answering - hanging) + " refuse; baseline: the limit, one "
                 + std::to_string(kFaultyTimeoutS) + " s timeout each",
             std::isnan(faulty) ? -1 : int(faulty / faultyLimit <= kFaultyLimitTarget)});

        // The backup into a history against the same backup into plain files.
        const double history = median("history/product");
        const double historyRatio = pairedRatio("history/product", "history/baseline");
        const double listing = counterMedian("history/product", "history_s");
        const double size = counterMedian("history/product", "repository_mb");
        const std::string historyRuns
            = thousands(kHistoryModules) + " modules, " + std::to_string(kHistoryRuns) + " runs";
        add({"history, " + historyRuns + ", -j " + std::to_string(kHistoryJobs), duration(history),
             duration(median("history/baseline")), format("%.2fx", historyRatio),
             format("<= %.1fx", kHistoryTarget),
             "baseline: the same backup into plain files; " + std::to_string(kHistoryChangesPerRun)
                 + " modules changed a run",
             verdict(historyRatio, kHistoryTarget)});
        add({"history repository, " + historyRuns, format("%.1f MB", size), "", "",
             format("<= %.0f MB", kHistorySizeTargetMB), "", verdict(size, kHistorySizeTargetMB)});
        add({"history of one module, " + historyRuns, duration(listing), "", "",
             "<= " + duration(kHistoryListTargetS), "quillnet history, start to exit",
             verdict(listing, kHistoryListTargetS)});
        fleet.insert(QStringLiteral("history"),
                     QJsonObject{{QStringLiteral("modules"), kHistoryModules},
                                 {QStringLiteral("runs"), kHistoryRuns},
                                 {QStringLiteral("changes_per_run"), kHistoryChangesPerRun},
                                 {QStringLiteral("product_ms"), number(history * 1e3)},
                                 {QStringLiteral("baseline_ms"), number(median("history/baseline") * 1e3)},
                                 {QStringLiteral("ratio"), number(historyRatio)},
                                 {QStringLiteral("target"), kHistoryTarget},
                                 {QStringLiteral("repository_mb"), number(size)},
                                 {QStringLiteral("target_repository_mb"), kHistorySizeTargetMB},
                                 {QStringLiteral("history_s"), number(listing)},
                                 {QStringLiteral("target_history_s"), kHistoryListTargetS}});

        // quillnet set of one option on every module against the same three requests, bare.
        const double set = median("set/product");
        const double setRatio = pairedRatio("set/product", "set/baseline");
        add({"set, " + thousands(kSetModules) + " modules, -j " + std::to_string(kSetJobs), duration(set),
             duration(median("set/baseline")), format("%.2fx", setRatio), format("<= %.1fx", kSafeSetTarget),
             "lock, read, write, read back and compare, one page a module",
             verdict(setRatio, kSafeSetTarget)});
        fleet.insert(QStringLiteral("set"),
                     QJsonObject{{QStringLiteral("modules"), kSetModules},
                                 {QStringLiteral("jobs"), kSetJobs},
                                 {QStringLiteral("product_ms"), number(set * 1e3)},
                                 {QStringLiteral("baseline_ms"), number(median("set/baseline") * 1e3)},
                                 {QStringLiteral("ratio"), number(setRatio)},
                                 {QStringLiteral("target"), kSafeSetTarget}});

        fleet.insert(QStringLiteral("pages_per_module"), kFleetPages);
        fleet.insert(QStringLiteral("delay_ms"), kFleetDelayMs);
        fleet.insert(QStringLiteral("target"), kFleetTarget);
        fleet.insert(QStringLiteral("limit_target"), kFleetLimitTarget);
        fleet.insert(QStringLiteral("product_peak_mb"), number(peak));
        fleet.insert(QStringLiteral("target_peak_mb"), kFleetPeakTargetMB);
        fleet.insert(QStringLiteral("product_growth_mb_per_100_modules"), number(productGrowth));
        fleet.insert(QStringLiteral("baseline_growth_mb_per_100_modules"), number(baselineGrowth));
        fleet.insert(QStringLiteral("target_growth_mb_per_100_modules"), kFleetGrowthTargetMB);
        fleet.insert(QStringLiteral("faulty"),
                     QJsonObject{{QStringLiteral("modules"), kFaultyModules},
                                 {QStringLiteral("jobs"), kFaultyJobs},
                                 {QStringLiteral("timeout_s"), kFaultyTimeoutS},
                                 {QStringLiteral("never_answer"), hanging},
                                 {QStringLiteral("refuse"), kFaultyModules - answering - hanging},
                                 {QStringLiteral("product_ms"), number(faulty * 1e3)},
                                 {QStringLiteral("limit_ms"), faultyLimit * 1e3},
                                 {QStringLiteral("target"), kFaultyLimitTarget}});
        cases.insert(QStringLiteral("fleet"), fleet);
    }

    // Memory.
    if (!memory.isEmpty()) {
        const double peakRatio = memory.value(QStringLiteral("peak_ratio")).toDouble(std::nan(""));
        add({"peak memory, 5,000 options",
             format("%.1f MiB", memory.value(QStringLiteral("product_peak_mib")).toDouble(std::nan(""))),
             format("%.1f MiB", memory.value(QStringLiteral("baseline_peak_mib")).toDouble(std::nan(""))),
             format("%.2fx", peakRatio), "",
             "fill adds "
                 + format("%.1f",
                          memory.value(QStringLiteral("product_fill_growth_mib")).toDouble(std::nan("")))
                 + " vs "
                 + format("%.1f MiB",
                          memory.value(QStringLiteral("baseline_fill_growth_mib")).toDouble(std::nan(""))),
             -1});
        cases.insert(QStringLiteral("memory"), memory);
    }

    json.insert(QStringLiteral("cases"), cases);
    json.insert(QStringLiteral("targets_met"), allTargetsMet());
}

double Summary::median(const std::string &name) const
{
    if (!has(name))
        return std::nan("");
    std::vector<double> values;
    for (const Repetition &r : runs.at(name))
        values.push_back(r.seconds);
    return medianOf(values);
}

double Summary::pairedRatio(const std::string &product, const std::string &baseline) const
{
    if (!has(product) || !has(baseline))
        return std::nan("");
    // Repetition i of both ran in the same round of the interleaved order.
    std::map<long long, double> base;
    for (const Repetition &r : runs.at(baseline))
        base[r.index] = r.seconds;
    std::vector<double> ratios;
    for (const Repetition &r : runs.at(product)) {
        const auto it = base.find(r.index);
        if (it != base.end() && it->second > 0)
            ratios.push_back(r.seconds / it->second);
    }
    return medianOf(ratios);
}

double Summary::counterMedian(const std::string &name, const std::string &counter) const
{
    if (!has(name))
        return std::nan("");
    std::vector<double> values;
    for (const Repetition &r : runs.at(name)) {
        const auto it = r.counters.find(counter);
        if (it != r.counters.end())
            values.push_back(it->second);
    }
    return medianOf(values);
}

bool Summary::has(const std::string &name) const
{
    const auto it = runs.find(name);
    return it != runs.end() && !it->second.empty();
}

void Summary::add(Line line)
{
    lines.push_back(std::move(line));
}

bool Summary::allTargetsMet() const
{
    return std::none_of(lines.begin(), lines.end(), [](const Line &l) { return l.verdict == 0; });
}

void Summary::print(std::FILE *out) const
{
    std::fprintf(out, "\n%-42s %12s %12s %9s %9s  %-6s %s\n", "Case", "Product", "Baseline", "Figure",
                 "Target", "Met", "Note");
    for (const Line &l : lines) {
        const char *met = l.verdict == 1 ? "yes" : l.verdict == 0 ? "NO" : "";
        std::fprintf(out, "%-42s %12s %12s %9s %9s  %-6s %s\n", l.name.c_str(), l.product.c_str(),
                     l.baseline.c_str(), l.figure.c_str(), l.target.c_str(), met, l.note.c_str());
    }
}

bool Summary::write(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(json).toJson(QJsonDocument::Indented));
    return file.commit();
}
