#include "app/mainwindow.h"

#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "device/modulerequests.h"
#include "device/modulereplies.h"

#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QNetworkReply>

#include <utility>

namespace {

// One entry per page key, titled from the catalog where it has a title.
void listPages(QListWidget *list, const QJsonObject &titles, const QStringList &keys)
{
    for (const QString &key : keys) {
        auto *item = new QListWidgetItem(nullptr, QListWidgetItem::Type);
        const QString title = catalog::pageTitle(titles, key);
        item->setText(title.isEmpty() ? key : title);
        item->setData(Qt::UserRole, key);
        list->insertItem(list->count(), item);
    }
}

} // namespace

void MainWindow::prinpages(int i)
{
    // 0 is the prompt entry; -1 comes while the selector is being refilled.
    if (i <= 0)
        return;
    ui->comboBox->setDisabled(true);
    ui->listWidget->clear();
    clearpage();
    // Nothing still on its way from the previous module may reach the new one's table.
    if (QNetworkReply *stale = std::exchange(pageReply, nullptr))
        stale->abort();
    if (QNetworkReply *stale = std::exchange(pagesReply, nullptr))
        stale->abort();

    moduleAddress = ui->comboBox->currentData().toString();
    QNetworkReply *reply = pagesNetworkManager.get(moduleRequest(pageListUrl(moduleAddress)));
    pagesReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finisprinpages(reply); });
}

void MainWindow::finisprinpages(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != pagesReply)
        return;
    pagesReply = nullptr;

    if (reply->error() != QNetworkReply::NoError) {
        QMessageBox::warning(this, tr(uitexts::errorTitle), tr(uitexts::connectFailed), QMessageBox::Ok);
        ui->comboBox->setDisabled(false);
        return;
    }

    const PageListReply pages = readPageListReply(reply->readAll());
    switch (pages.kind) {
    case PageListReply::Pages:
        listPages(ui->listWidget, catalog::pageTitles(descriptions), pages.keys);
        break;
    case PageListReply::NoApiOptions:
        QMessageBox::warning(this, tr(uitexts::errorTitle), tr(uitexts::noApiOptions), QMessageBox::Ok);
        break;
    case PageListReply::Unrecognised:
        QMessageBox::warning(this, tr(uitexts::errorTitle), tr(uitexts::unknownError), QMessageBox::Ok);
        break;
    }
    ui->comboBox->setDisabled(false);
}
