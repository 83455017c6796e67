#include "sim/modulefleet.h"

#include <QtGlobal>

#include <algorithm>

namespace {

// A fleet is driven by a tool that keeps at most one request in flight per module: a module
// answers with one thread and keeps a spare for a request that comes while a hanging or slow
// answer holds the first. The HTTP library's default of eight or more threads per server
// would start 1,600 threads for 200 modules. A single module keeps that default: the window
// may have a page list, a page, a write and a catalog request on it at once.
constexpr int kFleetServingThreads = 2;
// With port 0 a free port is picked and the fleet tries the ones after it; they are most
// often free, and another pick is made when one is not.
constexpr int kFreePortAttempts = 20;
constexpr int kHighestPort = 65535;

} // namespace

ModuleFleet::ModuleFleet(int size)
{
    for (int index = 0; index < qMax(1, size); ++index) {
        modules.push_back(std::make_unique<ModuleSimulator>());
        if (size > 1)
            modules.back()->setServingThreads(kFleetServingThreads);
    }
}

ModuleFleet::~ModuleFleet()
{
    stop();
}

bool ModuleFleet::loadFiles(const QString &pagesFile, const QString &catalogFile, QString *error)
{
    return std::all_of(modules.cbegin(), modules.cend(), [&](const auto &simulator) {
        return simulator->loadFiles(pagesFile, catalogFile, error);
    });
}

void ModuleFleet::setPages(const QJsonObject &pages, const QStringList &pageOrder)
{
    for (const auto &simulator : modules)
        simulator->setPages(pages, pageOrder);
}

void ModuleFleet::setBehaviour(ModuleSimulator::Endpoint endpoint,
                               const ModuleSimulator::Behaviour &behaviour, const QString &pageKey)
{
    for (const auto &simulator : modules)
        simulator->setBehaviour(endpoint, behaviour, pageKey);
}

void ModuleFleet::setFaultRules(const QList<FaultRule> &rules)
{
    faultRules = rules;
    for (int number = 1; number <= size(); ++number) {
        const int rule = faultRuleOf(number);
        if (rule < 0 || faultRules.at(rule).down)
            continue;
        ModuleSimulator &faulty = module(number - 1);
        faulty.clearBehaviours();
        using Endpoint = ModuleSimulator::Endpoint;
        for (const Endpoint endpoint :
             {Endpoint::PageList, Endpoint::Page, Endpoint::Write, Endpoint::Catalog})
            faulty.setBehaviour(endpoint, faultRules.at(rule).behaviour);
    }
}

int ModuleFleet::faultRuleOf(int number) const
{
    for (int rule = 0; rule < faultRules.size(); ++rule) {
        const int every = faultRules.at(rule).every;
        if (every > 0 && number % every == 0)
            return rule;
    }
    return -1;
}

bool ModuleFleet::start(const QString &address, int firstPort)
{
    const int attempts = firstPort == 0 ? kFreePortAttempts : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (!modules.front()->start(address, firstPort))
            return false;
        const int first = modules.front()->port();
        bool started = first + size() - 1 <= kHighestPort;
        for (int index = 1; started && index < size(); ++index)
            started = module(index).start(address, first + index);
        if (started) {
            // A module that is down was bound like the others, so that its port lies in the run
            // and nothing else held it at the start; now it closes.
            for (int number = 1; number <= size(); ++number) {
                const int rule = faultRuleOf(number);
                if (rule >= 0 && faultRules.at(rule).down)
                    module(number - 1).stop();
            }
            return true;
        }
        stop();
    }
    return false;
}

void ModuleFleet::stop()
{
    for (const auto &simulator : modules)
        simulator->stop();
}
