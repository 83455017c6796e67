#include "app/mainwindow.h"

#include "app/uitexts.h"
#include "device/modulerequests.h"
#include "device/modulereplies.h"

#include <QDebug>
#include <QListWidgetItem>
#include <QMessageBox>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTableWidget>

#include <utility>

void MainWindow::prinpage(QListWidgetItem *item, QListWidgetItem *)
{
    if (!item)
        return;
    const QString key = item->data(Qt::UserRole).toString();
    if (key.isEmpty()) {
        qWarning() << uitexts::logWarningPage;
        return;
    }
    qWarning() << uitexts::logPage << key;
    pageKey = key;

    // The table keeps the previous page until the reply arrives, but it no longer shows
    // the page named by pageKey: nothing may be saved meanwhile.
    pageShown = false;
    ui->pushButton->setDisabled(true);
    if (QNetworkReply *stale = std::exchange(pageReply, nullptr))
        stale->abort();

    QNetworkReply *reply = networkManager.get(moduleRequest(pageUrl(moduleAddress, pageKey)));
    pageReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finispage(reply); });
}

void MainWindow::finispage(QNetworkReply *reply)
{
    reply->deleteLater();
    // A reply for a page that is no longer selected never reaches the table.
    if (reply != pageReply)
        return;
    pageReply = nullptr;

    if (reply->error() != QNetworkReply::NoError) {
        QMessageBox::warning(this, tr(uitexts::errorTitle), tr(uitexts::pageLoadFailed), QMessageBox::Ok);
        return;
    }

    const QByteArray body = reply->readAll();
    clearpage();
    const PageReply page = readPageReply(body, pageKey);
    switch (page.kind) {
    case PageReply::EmptyBody:
        return;
    case PageReply::EmptyPage:
        QMessageBox::warning(this, tr(uitexts::errorTitle), tr(uitexts::emptyPage), QMessageBox::Ok);
        return;
    case PageReply::ParserError:
        pageValues = QJsonObject();
        QMessageBox::critical(this, tr(uitexts::errorTitle), tr(uitexts::jsonParserError), QMessageBox::Ok);
        qWarning().noquote() << replyText(body);
        return;
    case PageReply::Page:
        break;
    }

    pageValues = page.values;
    qDebug() << pageValues;
    filltable(pageValues.value(pageKey).toObject());
    pageShown = true;
    ui->pushButton->setDisabled(false);
}

void MainWindow::clearpage()
{
    QTableWidget *table = ui->tableWidget;
    table->clearContents();
    table->setRowCount(0);
    rowTypes.clear();
    rowKeys.clear();
    pageShown = false;
    ui->pushButton->setDisabled(true);
}
