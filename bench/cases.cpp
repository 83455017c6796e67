#include "cases.h"

#include "benchcontext.h"

#include <string>

void registerPair(const char *name, CaseFunction product, CaseFunction baseline, const CaseSetup &configure)
{
    configure(benchmark::RegisterBenchmark((std::string(name) + "/product").c_str(), product));
    configure(benchmark::RegisterBenchmark((std::string(name) + "/baseline").c_str(), baseline));
}

CaseSetup timedIn(double minTime)
{
    return [minTime](benchmark::internal::Benchmark *b) {
        b->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(minTime);
    };
}

void registerCases()
{
    registerStartupCase();
    registerFillCase();
    registerSaveCase();
    registerRoundTripCase();
    registerSafeSaveCase();
    registerDiscoveryCase();
    registerFleetCase();
}

void releaseCases()
{
    releaseContext();
}
