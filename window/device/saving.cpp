#include "window/app/mainwindow.h"

#include "core/device/modulereplies.h"
#include "core/device/modulerequests.h"
#include "core/device/optionrows.h"
#include "core/device/pagemerge.h"
#include "core/json/jsontext.h"
#include "window/app/messageboxes.h"
#include "window/app/uitexts.h"
#include "window/device/roweditors.h"

#include <QDebug>
#include <QPushButton>

void MainWindow::saveopt()
{
    // Only the page on screen, as received from the selected module, may be written back.
    if (!pageShown || !numbersentered()) {
        emit saveFinished(false);
        return;
    }

    ui->pushButton->setDisabled(true);
    qDebug() << uitexts::logSaveSeparator;

    // Only what the user changed is written over the page as the module sent it. The page is
    // taken out of pageValues while it is merged, so that it is changed in place, not copied.
    PageMerge page(pageValues.take(pageKey).toObject());
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
        page.store(rowPlaces.at(row), *value);
        // The page holds what the editor shows now: changing it back is a change again.
        rowsBeforeSave.append({row, editor.shown});
        editor.shown = *now;
    }
    pageValues.insert(pageKey, page.result());

    const QByteArray document = compactJson(pageValues);
    // The log line the toolkit writes for the object ("QJsonObject(" + its compact JSON + ")"),
    // made from the text already serialised: a large page is not serialised twice.
    qDebug().nospace().noquote() << "QJsonObject(" << QString::fromUtf8(document) << ')';
    sendRequest(networkManager, writeUrl(moduleAddress, document), &saveReply, &MainWindow::finissaveopt);
}

void MainWindow::finissaveopt(QNetworkReply *reply)
{
    // The edits stay in the table and in pageValues: pressing Save again retries.
    const ReplyOutcome outcome = finishRequest(reply, &saveReply);
    const bool confirmed = outcome.kind == ReplyOutcome::Answered;
    if (confirmed) {
        qDebug().noquote() << replyText(outcome.body);
    } else {
        for (const auto &[row, before] : std::as_const(rowsBeforeSave))
            rowEditors[row].shown = before;
        showError(this, tr(uitexts::saveFailed));
    }
    rowsBeforeSave.clear();
    // A later save may have replaced this one: its reply stays tracked and the button stays
    // disabled until that one is answered too.
    if (pageShown && !saveReply)
        ui->pushButton->setDisabled(false);
    emit saveFinished(confirmed);
}
