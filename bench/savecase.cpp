// Save: the whole save of a 5,000-option page (reading the editors back, merging,
// serialising, logging, building the request), against serialising the object it sends;
// reading the editors alone beside it.

#include "benchcontext.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTableWidget>

namespace {

// The window whose 5,000-option page is saved, and the object its save sent.
struct SaveWindow : CaseState
{
    explicit SaveWindow(BenchContext &c)
        : window(quietWindow())
    {
        c.loadPage(*window, kSaveRows, 0);
        // Saves go to a closed port: they fail at once, after all the work of a save is done
        // (the simulator would refuse a request line of this length anyway).
        MainWindowProbe(*window).moduleAddress() = QStringLiteral("127.0.0.1:1");
        // The round trip's page is the one the simulator serves.
        c.sim.sim.setPages(QJsonObject{{benchdata::kPageKey, c.page(kRoundTripRows).options}});
    }

    std::unique_ptr<MainWindow> window;
    QJsonObject savedDocument;
};

void saveProduct(benchmark::State &state)
{
    SaveWindow &saving = context().caseState<SaveWindow>();
    MainWindowProbe probe(*saving.window);
    // The window reports each failed save in a box; it is closed as it comes, between the
    // timed saves. Only while this case runs, so that its polls disturb no other case.
    ModalWatcher failedSaveBoxes;
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        waitFor([&] { return !probe.saveReply(); });
        settle();
        costs.record(measure([&] { probe.saveopt(); }));
        if (!probe.saveReply()) {
            state.SkipWithError("the window refused to save");
            break;
        }
    }
    waitFor([&] { return !probe.saveReply(); });
    saving.savedDocument = probe.pageValues();
}

void saveBaseline(benchmark::State &state)
{
    SaveWindow &saving = context().caseState<SaveWindow>();
    // The object a save sends: the page as received with the table's values merged in.
    const QJsonObject document = saving.savedDocument.isEmpty() ? MainWindowProbe(*saving.window).pageValues()
                                                                : saving.savedDocument;
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        QByteArray text;
        costs.record(measure([&] { text = QJsonDocument(document).toJson(QJsonDocument::Compact); }));
        benchmark::DoNotOptimize(text);
    }
}

// The least a save must do besides serialising: read every editor of the table once.
void saveReadBack(benchmark::State &state)
{
    QTableWidget *table = MainWindowProbe(*context().caseState<SaveWindow>().window).tableWidget();
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        int characters = 0;
        costs.record(measure([&] {
            for (int row = 0; row < table->rowCount(); ++row) {
                QWidget *editor = table->cellWidget(row, 1);
                if (auto *edit = qobject_cast<QLineEdit *>(editor))
                    characters += edit->text().size();
                else if (auto *box = qobject_cast<QComboBox *>(editor))
                    characters += box->currentIndex();
                else if (auto *flag = qobject_cast<QCheckBox *>(editor))
                    characters += flag->checkState();
                else if (const QTableWidgetItem *item = table->item(row, 1))
                    characters += item->text().size();
            }
        }));
        benchmark::DoNotOptimize(characters);
    }
}

} // namespace

void registerSaveCase()
{
    registerPair("save", saveProduct, saveBaseline, timedIn(0.3));
    timedIn(0.3)(benchmark::RegisterBenchmark("save/readback", saveReadBack));
}
