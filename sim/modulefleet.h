#pragma once

#include "sim/modulesimulator.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Simulated modules on consecutive ports, to try tools that handle many modules at once. Each
// is a ModuleSimulator with pages and records of its own, so that a write to one never shows
// on another. Modules are numbered from 1 (on the first port) for the fault rules; module()
// takes an index from 0.
class ModuleFleet
{
public:
    // A fault for some of the modules: every `every`th one (every, 2 * every, ...) answers
    // every request with behaviour or, when down, has its port closed.
    struct FaultRule
    {
        int every = 1;
        bool down = false;
        ModuleSimulator::Behaviour behaviour;
    };

    explicit ModuleFleet(int size);
    ~ModuleFleet();
    ModuleFleet(const ModuleFleet &) = delete;
    ModuleFleet &operator=(const ModuleFleet &) = delete;

    int size() const { return int(modules.size()); }
    ModuleSimulator &module(int index) { return *modules.at(size_t(index)); }
    const ModuleSimulator &module(int index) const { return *modules.at(size_t(index)); }

    // Each module gets its own copy; see ModuleSimulator.
    bool loadFiles(const QString &pagesFile, const QString &catalogFile, QString *error);
    void setPages(const QJsonObject &pages, const QStringList &pageOrder = {});
    void setBehaviour(ModuleSimulator::Endpoint endpoint, const ModuleSimulator::Behaviour &behaviour,
                      const QString &pageKey = {});
    // The first rule that picks a module gives it its fault, over the behaviours set before.
    void setFaultRules(const QList<FaultRule> &rules);
    // The index in the rules of the one that picks the module numbered number; -1 for none.
    int faultRuleOf(int number) const;

    // Serves module n on port firstPort + n - 1; firstPort 0 takes the first of size() free
    // consecutive ports. False, with nothing serving, when the ports cannot all be bound.
    bool start(const QString &address, int firstPort);
    void stop();
    int firstPort() const { return modules.front()->port(); }
    int lastPort() const { return modules.back()->port(); }

private:
    std::vector<std::unique_ptr<ModuleSimulator>> modules;
    QList<FaultRule> faultRules;
};
