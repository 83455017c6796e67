#include "window/app/mainwindow.h"

#include "core/device/moduleclient.h"
#include "core/device/modulereplies.h"
#include "core/device/optionrows.h"
#include "core/json/jsontext.h"
#include "window/app/messageboxes.h"
#include "window/app/uitexts.h"
#include "window/device/roweditors.h"

#include <QCoreApplication>
#include <QDebug>
#include <QPushButton>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// An option as the details name it: "period", "net/ch".
QString placeText(const Difference &place)
{
    return place.isMember ? place.optionKey + QLatin1Char('/') + place.memberKey : place.optionKey;
}

QString valueText(const QJsonValue &value)
{
    if (value.isUndefined())
        return tr(uitexts::detailsNoValue);
    return value.isString() ? value.toString() : jsonText(value);
}

QStringList conflictLines(const QList<Conflict> &conflicts)
{
    QStringList lines;
    for (const Conflict &conflict : conflicts)
        lines.append(tr(uitexts::detailsConflict)
                         .arg(placeText(conflict.change), valueText(conflict.change.a),
                              valueText(conflict.now), valueText(conflict.change.b)));
    return lines;
}

// a is what was read back, b what was written.
QStringList differenceLines(const QList<Difference> &differences)
{
    QStringList lines;
    for (const Difference &difference : differences)
        lines.append(tr(uitexts::detailsDiffers)
                         .arg(placeText(difference), valueText(difference.b), valueText(difference.a)));
    return lines;
}

} // namespace

void MainWindow::saveopt()
{
    // Only the page on screen, as received from the selected module, may be written back; and
    // one save at a time.
    if (!pageShown || saving || !numbersentered()) {
        emit saveFinished(false);
        return;
    }

    ui->pushButton->setDisabled(true);
    qDebug() << uitexts::logSaveSeparator;
    startsave(moduleAddress, {pageKey, pageValues, pagechanges(), PageSave::MergeOthers});
    markrows();
}

QList<Difference> MainWindow::pagechanges()
{
    // Only what the user changed goes onto the page as the module has it now.
    const QJsonObject loaded = pageValues.value(pageKey).toObject();
    QList<Difference> changes;
    EditorState cell;
    rowsBeforeSave.clear();
    for (int row = 0; row < rowEditors.size(); ++row) {
        prefetchRowEditors(rowEditors, row);
        RowEditor &editor = rowEditors[row];
        const EditorState *now = rowEditorState(editor, ui->tableWidget, row, &cell);
        if (!now || !rowEditorChanged(editor, *now))
            continue;
        const std::optional<QJsonValue> value = rowEditorValue(editor, *now);
        if (!value)
            continue;
        const RowPlace &place = rowPlaces.at(row);
        Difference change{pageKey, place.key, place.subKey, place.isMember, {}, *value};
        change.a = valueAt(loaded, change);
        changes.append(change);
        // While the save runs the page counts as holding what the editor shows: moving on asks
        // nothing, and changing it back is a change again.
        rowsBeforeSave.append({row, editor.shown});
        editor.shown = *now;
    }
    return changes;
}

void MainWindow::startsave(const QString &address, const PageSave &save)
{
    saving = true;
    if (saveClient && saveClient->address() != address) {
        saveClient->deleteLater();
        saveClient = nullptr;
    }
    if (!saveClient) {
        ClientSettings settings;
        settings.timeoutMs = requestTimeoutMs;
        settings.retries = 0;
        settings.logFailure = [](const QString &line) {
            qWarning().noquote() << line;
        };
        saveClient = new ModuleClient(address, settings, this);
    }
    savePage(saveClient, save, [this, address, save](const PageWriteOutcome &outcome) {
        finissaveopt(address, save, outcome);
    });
}

void MainWindow::finissaveopt(const QString &address, const PageSave &save, const PageWriteOutcome &outcome)
{
    // The user may have gone on to another page or module meanwhile: boxes then name the page.
    const bool onScreen = pageShown && moduleAddress == address && pageKey == save.pageKey;
    switch (outcome.kind) {
    case PageWriteOutcome::Confirmed:
        if (onScreen)
            showpage(outcome.readBack);
        break;
    case PageWriteOutcome::Conflicted: {
        QString text = tr(uitexts::saveConflict);
        if (!onScreen)
            text += QLatin1Char('\n') + tr(uitexts::savedPageLine).arg(save.pageKey, address);
        if (askQuestion(this, tr(uitexts::saveTitle),
                        text + QLatin1Char('\n') + tr(uitexts::saveConflictQuestion),
                        conflictLines(outcome.conflicts).join(QLatin1Char('\n')), tr(uitexts::writeAnyway),
                        tr(uitexts::cancelSave))) {
            PageSave anyway = save;
            anyway.rule = PageSave::WriteOverConflicts;
            startsave(address, anyway);
            return;
        }
        break;
    }
    case PageWriteOutcome::Differs:
        showsaveerror(address, save.pageKey, tr(uitexts::saveNotKept), differenceLines(outcome.differences));
        break;
    default:
        showsaveerror(address, save.pageKey, tr(uitexts::saveFailed),
                      {tr(uitexts::detailsReason).arg(outcome.reason)});
        break;
    }
    // Not saved: the rows the save counted as saved are edits again, while they are on screen.
    if (outcome.kind != PageWriteOutcome::Confirmed) {
        for (const auto &[row, before] : std::as_const(rowsBeforeSave))
            rowEditors[row].shown = before;
    }
    rowsBeforeSave.clear();
    saving = false;
    if (pageShown)
        ui->pushButton->setDisabled(false);
    emit saveFinished(outcome.kind == PageWriteOutcome::Confirmed);
}

void MainWindow::showsaveerror(const QString &address, const QString &key, const QString &text,
                               const QStringList &details)
{
    const bool onScreen = pageShown && moduleAddress == address && pageKey == key;
    const QStringList lines
        = QStringList{tr(uitexts::detailsModule).arg(address), tr(uitexts::detailsPage).arg(key)} + details;
    showError(this, onScreen ? text : text + QLatin1Char('\n') + tr(uitexts::savedPageLine).arg(key, address),
              QMessageBox::Warning, lines.join(QLatin1Char('\n')));
}
