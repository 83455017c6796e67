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
// The fleet backup: modules of kFleetPages pages, each answer kFleetDelayMs late, kFleetJobs
// at once; timed and measured at every size, up to the whole fleet.
inline constexpr int kFleetModules = 200;
inline constexpr int kFleetSizes[] = {50, 100, kFleetModules};
inline constexpr int kFleetPages = 5;
inline constexpr int kFleetDelayMs = 20;
inline constexpr int kFleetJobs = 16;

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
void registerDiscoveryCase();
void registerFleetCase();
