#pragma once

#include "benchdata.h"

#include "support/simfixture.h"
#include "support/testworkdir.h"
#include "window/app/mainwindow.h"

#include <QJsonObject>
#include <QStringList>

#include <map>
#include <memory>
#include <typeindex>

// A generated option page: its options, its catalog, and the rows the baseline shows.
struct Page
{
    QJsonObject options;
    QJsonObject catalog;
    benchdata::BareRows bare;
};

// What one case keeps across its runs (its windows, say): made on the case's first run,
// outside the timing, and released with the context while the application still exists.
class CaseState
{
public:
    virtual ~CaseState() = default;
};

// Everything the cases share, built before the first case runs: a working folder whose
// options.ini lists kStartupModules modules beside a large description.json, the simulator,
// and the pages of every size the cases use.
struct BenchContext
{
    BenchContext();

    const Page &page(int rows) const { return pages.at(rows); }
    // Shows the page of rows options in window the way a user gets it: select it in the
    // page list, the module answers, the table is filled.
    void loadPage(MainWindow &window, int rows, int item);
    // The state of the case that keeps a State, made as State(context) on first use.
    template<class State> State &caseState();

    TestWorkDir workDir;
    SimFixture sim;
    QStringList moduleEntries;
    std::map<int, Page> pages;
    // Last, so that the windows go before the simulator and the folder.
    std::map<std::type_index, std::unique_ptr<CaseState>> caseStates;
};

template<class State> State &BenchContext::caseState()
{
    std::unique_ptr<CaseState> &state = caseStates[std::type_index(typeid(State))];
    if (!state)
        state = std::make_unique<State>(*this);
    return static_cast<State &>(*state);
}

// The context, built on first use.
BenchContext &context();
void releaseContext();

// A window of the configurator as the cases use it: the discovery port is left to the
// discovery case and to other programs.
std::unique_ptr<MainWindow> quietWindow();
