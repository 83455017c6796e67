#pragma once

#include <benchmark/benchmark.h>

#include <functional>

// Registers every timed case with Google Benchmark. Each case comes as a pair,
// "<case>/product" and "<case>/baseline", run in the same process and interleaved.
void registerCases();
// Releases the windows, the simulator and the working folder the cases share.
void releaseCases();

// Sizes of the option pages the fill is measured at.
inline constexpr int kFillSizes[] = {10, 100, 1000, 5000};
inline constexpr int kSaveRows = 5000;
inline constexpr int kRoundTripRows = 100;
inline constexpr int kStartupModules = 256;
inline constexpr int kStartupCatalogBytes = 1 << 20;
inline constexpr int kDiscoverySenders = 200;
inline constexpr int kDiscoveryDatagrams = 10000;
// The fleet backup: modules of kFleetPages pages, each answer kFleetDelayMs late; timed and
// measured at every size and every concurrency, up to the whole fleet.
inline constexpr int kFleetModules = 5000;
inline constexpr int kFleetSizes[] = {1000, kFleetModules};
inline constexpr int kFleetJobs[] = {16, 64, 256};
inline constexpr int kFleetPages = 5;
inline constexpr int kFleetDelayMs = 20;
// The fleet with faults: every kFaultyHangEvery-th module never answers, every
// kFaultyDownEvery-th of the others refuses connections; quillnet waits kFaultyTimeoutS for
// an answer.
inline constexpr int kFaultyModules = 1000;
inline constexpr int kFaultyJobs = 64;
inline constexpr int kFaultyHangEvery = 10;
inline constexpr int kFaultyDownEvery = 25;
inline constexpr int kFaultyTimeoutS = 5;
// Each fleet case runs this many times: its runs last seconds, and their spread is small.
inline constexpr int kFleetRepetitions = 3;
// The fleet's history: the first kHistoryModules modules backed up at -j kHistoryJobs into a
// history of kHistoryRuns runs, in each of which kHistoryChangesPerRun modules changed an
// option.
inline constexpr int kHistoryModules = 1000;
inline constexpr int kHistoryJobs = 64;
inline constexpr int kHistoryRuns = 365;
inline constexpr int kHistoryChangesPerRun = kHistoryModules / 50;
// The safe set: one option set on the first kSetModules modules of the healthy fleet at -j
// kSetJobs.
inline constexpr int kSetModules = 200;
inline constexpr int kSetJobs = 16;

// For the case files: registers "<name>/product" and "<name>/baseline", each set up by
// configure.
using CaseFunction = void (*)(benchmark::State &);
using CaseSetup = std::function<void(benchmark::internal::Benchmark *)>;
void registerPair(const char *name, CaseFunction product, CaseFunction baseline, const CaseSetup &configure);
// Timed by the time the case reports, in microseconds, for at least minTime seconds a run.
CaseSetup timedIn(double minTime);

// The cases, each in the file named for it (startupcase.cpp, ...).
void registerStartupCase();
void registerFillCase();
void registerSaveCase();
void registerRoundTripCase();
void registerSafeSaveCase();
void registerDiscoveryCase();
void registerFleetCase();
