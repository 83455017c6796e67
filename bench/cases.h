#pragma once

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
