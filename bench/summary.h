#pragma once

#include <benchmark/benchmark.h>

#include <QJsonObject>
#include <QString>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// One repetition of one case as Google Benchmark reported it.
struct Repetition
{
    long long index = 0;
    double seconds = 0; // per iteration
    std::map<std::string, double> counters;
};
using Repetitions = std::map<std::string, std::vector<Repetition>>; // by run name

// Shows Google Benchmark's own table and keeps every repetition for the summary.
class CollectingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &report) override;
    const Repetitions &runs() const { return collected; }

private:
    Repetitions collected;
};

// Medians, ratios against the baselines, and the targets they are held to.
class Summary
{
public:
    Summary(const Repetitions &runs, const QJsonObject &memory);

    void print(std::FILE *out) const;
    bool write(const QString &path) const;
    bool allTargetsMet() const;

private:
    struct Line
    {
        std::string name;
        std::string product;
        std::string baseline;
        std::string figure; // the figure held to the target
        std::string target;
        std::string note;
        int verdict = -1; // 1 met, 0 missed, -1 no target or not measured
    };

    double median(const std::string &name) const;
    double pairedRatio(const std::string &product, const std::string &baseline) const;
    double counterMedian(const std::string &name, const std::string &counter) const;
    bool has(const std::string &name) const;
    void add(Line line);

    const Repetitions &runs;
    QJsonObject json;
    std::vector<Line> lines;
};
