#include "window/app/mainwindow.h"

#include "core/device/modulereplies.h"
#include "core/device/modulerequests.h"
#include "window/app/messageboxes.h"
#include "window/app/uitexts.h"

#include <QDebug>
#include <QListWidgetItem>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

void MainWindow::prinpage(QListWidgetItem *item, QListWidgetItem *pre)
{
    if (!item)
        return;
    const QString key = item->data(Qt::UserRole).toString();
    if (key.isEmpty()) {
        qWarning() << uitexts::logWarningPage;
        return;
    }
    if (!settleedits()) {
        // The page on screen stays, and so does its entry's selection.
        const QSignalBlocker blocker(ui->listWidget);
        ui->listWidget->setCurrentItem(pre);
        return;
    }
    qWarning() << uitexts::logPage << key;
    pageKey = key;
    requestpage();
}

void MainWindow::reloadpage()
{
    const QListWidgetItem *item = ui->listWidget->currentItem();
    if (!item || item->data(Qt::UserRole).toString().isEmpty() || !settleedits())
        return;
    pageKey = item->data(Qt::UserRole).toString();
    requestpage();
}

void MainWindow::requestpage()
{
    // The table keeps the previous page until the reply arrives, but it no longer shows
    // the page named by pageKey: nothing may be saved or edited meanwhile, and a reply for a
    // page that is no longer selected never reaches the table.
    pageShown = false;
    ui->pushButton->setDisabled(true);
    ui->tableWidget->setDisabled(true);
    abortReply(&pageReply);
    sendRequest(networkManager, pageUrl(moduleAddress, pageKey), &pageReply, &MainWindow::finispage);
}

void MainWindow::finispage(QNetworkReply *reply)
{
    const ReplyOutcome outcome = finishRequest(reply, &pageReply);
    // Whatever the answer, the page before is no longer the one selected: its edits were
    // settled before this page was asked for, and it must not stay with Save disabled.
    clearpage();
    if (outcome.kind != ReplyOutcome::Answered) {
        showError(this, tr(uitexts::pageLoadFailed));
        return;
    }

    const PageReply page = readPageReply(outcome.body, pageKey);
    switch (page.kind) {
    case PageReply::EmptyBody:
        return;
    case PageReply::EmptyPage:
        showError(this, tr(uitexts::emptyPage));
        return;
    case PageReply::ParserError:
        pageValues = QJsonObject();
        showError(this, tr(uitexts::jsonParserError), QMessageBox::Critical);
        qWarning().noquote() << replyText(outcome.body);
        return;
    case PageReply::Page:
        break;
    }

    qDebug() << page.values;
    showpage(page.values);
}

void MainWindow::showpage(const QJsonObject &values)
{
    pageValues = values;
    const QJsonValue options = pageValues.value(pageKey);
    filltable(options.toObject());
    // Options that are missing or not an object show no row to edit, and a save would put
    // an empty object in their place on the module.
    if (!options.isObject())
        return;
    pageShown = true;
    // A save under way enables the button when it ends.
    ui->pushButton->setDisabled(saving);
}

void MainWindow::clearpage()
{
    QTableWidget *table = ui->tableWidget;
    table->clearContents();
    table->setRowCount(0);
    rowTypes.clear();
    rowKeys.clear();
    rowEditors.clear();
    rowsBeforeSave.clear();
    rowPlaces.clear();
    pageShown = false;
    ui->pushButton->setDisabled(true);
    ui->tableWidget->setDisabled(false);
}
