#include "window/app/mainwindow.h"

#include "core/descriptions/catalog.h"
#include "core/device/modulereplies.h"
#include "core/device/modulerequests.h"
#include "window/app/messageboxes.h"
#include "window/app/uitexts.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>

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
    if (!settleedits()) {
        const QSignalBlocker blocker(ui->comboBox);
        ui->comboBox->setCurrentIndex(moduleIndex);
        return;
    }
    forgetmodule();
    moduleIndex = i;
    ui->comboBox->setDisabled(true);
    moduleAddress = ui->comboBox->currentData().toString();
    sendRequest(pagesNetworkManager, pageListUrl(moduleAddress), &pagesReply, &MainWindow::finisprinpages);
}

void MainWindow::forgetmodule()
{
    // Nothing still on its way from the previous module may reach what comes next.
    abortReply(&pageReply);
    abortReply(&pagesReply);
    ui->listWidget->clear();
    clearpage();
    moduleIndex = 0;
    ui->comboBox->setDisabled(false);
}

void MainWindow::finisprinpages(QNetworkReply *reply)
{
    const ReplyOutcome outcome = finishRequest(reply, &pagesReply);
    if (outcome.kind != ReplyOutcome::Answered) {
        showError(this, tr(uitexts::connectFailed));
    } else {
        const PageListReply pages = readPageListReply(outcome.body);
        switch (pages.kind) {
        case PageListReply::Pages:
            listPages(ui->listWidget, catalog::pageTitles(descriptions), pages.keys);
            break;
        case PageListReply::NoApiOptions:
            showError(this, tr(uitexts::noApiOptions));
            break;
        case PageListReply::Unrecognised:
            showError(this, tr(uitexts::unknownError));
            break;
        }
    }
    ui->comboBox->setDisabled(false);
}
