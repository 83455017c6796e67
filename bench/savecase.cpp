// Save: the whole save of a 5,000-option page (finding what the user changed, merging it,
// serialising, logging, building the request), against serialising the object it sends.
// Once untouched, once with every row edited.

#include "benchcontext.h"
#include "cases.h"
#include "costs.h"
#include "eventloop.h"

#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "window/app/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTableWidget>

namespace {

// The window whose 5,000-option page is saved, and the object its last save sent.
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

QString toggled(const QString &text)
{
    return text.endsWith(QLatin1Char('~')) ? text.chopped(1) : text + QLatin1Char('~');
}

// Changes every editable row, each time to another value than it holds.
void editEveryRow(MainWindowProbe &probe)
{
    QTableWidget *table = probe.tableWidget();
    const QVector<RowEditor> &editors = probe.rowEditors();
    for (int row = 0; row < editors.size(); ++row) {
        const RowEditor &editor = editors.at(row);
        switch (editor.kind) {
        case TextField: {
            auto *edit = static_cast<QLineEdit *>(editor.widget);
            edit->setText(toggled(edit->text()));
            break;
        }
        case NumberField: {
            auto *edit = static_cast<QLineEdit *>(editor.widget);
            edit->setText(QString::number(edit->text().toInt() ^ 1));
            break;
        }
        case FlagBox: {
            auto *box = static_cast<QCheckBox *>(editor.widget);
            box->setChecked(!box->isChecked());
            break;
        }
        case ChoiceBox: {
            auto *box = static_cast<QComboBox *>(editor.widget);
            if (box->count() > 1)
                box->setCurrentIndex(box->currentIndex() == 0 ? 1 : 0);
            break;
        }
        case TextCell:
            table->item(row, 1)->setText(toggled(table->item(row, 1)->text()));
            break;
        case GroupHeader:
        case NestedField:
        case JsonField:
            break;
        }
    }
}

void saveProduct(benchmark::State &state, bool edited)
{
    SaveWindow &saving = context().caseState<SaveWindow>();
    MainWindowProbe probe(*saving.window);
    // The window reports each failed save in a box; it is closed as it comes, between the
    // timed saves. Only while this case runs, so that its polls disturb no other case.
    ModalWatcher failedSaveBoxes;
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        waitFor([&] { return !probe.saving(); });
        if (edited)
            editEveryRow(probe);
        settle();
        costs.record(measure([&] { probe.saveopt(); }));
        if (!probe.saving()) {
            state.SkipWithError("the window refused to save");
            break;
        }
    }
    waitFor([&] { return !probe.saving(); });
    // A copy of its own: one sharing the window's page would make every later save copy the
    // whole page before its first change, which a window alone never does.
    saving.savedDocument
        = QJsonDocument::fromJson(QJsonDocument(probe.pageValues()).toJson(QJsonDocument::Compact)).object();
}

// The baseline does the same untimed work between its runs as the product: with every row
// edited, the edits leave the caches as cold for the one as for the other.
void saveBaseline(benchmark::State &state, bool edited)
{
    SaveWindow &saving = context().caseState<SaveWindow>();
    MainWindowProbe probe(*saving.window);
    // The object the last save sent: the page as received with the edited values merged in.
    const QJsonObject document = saving.savedDocument.isEmpty() ? probe.pageValues() : saving.savedDocument;
    CostRecorder costs(state, CostRecorder::ByProcessorTime);
    for (auto _ : state) {
        if (edited)
            editEveryRow(probe);
        settle();
        QByteArray text;
        costs.record(measure([&] { text = QJsonDocument(document).toJson(QJsonDocument::Compact); }));
        benchmark::DoNotOptimize(text);
    }
}

} // namespace

void registerSaveCase()
{
    registerPair(
        "save/untouched", [](benchmark::State &state) { saveProduct(state, false); },
        [](benchmark::State &state) { saveBaseline(state, false); }, timedIn(0.3));
    registerPair(
        "save/edited", [](benchmark::State &state) { saveProduct(state, true); },
        [](benchmark::State &state) { saveBaseline(state, true); }, timedIn(0.3));
}
