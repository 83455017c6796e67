#include "app/mainwindow.h"

#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "device/modulerequests.h"
#include "device/choicelist.h"
#include "device/modulereplies.h"
#include "device/optionrows.h"
#include "device/pagemerge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QJsonDocument>
#include <QLineEdit>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTableWidget>

namespace {

// What a save needs to know of the page besides its rows.
struct SaveContext
{
    QJsonObject pageDescriptions;
    bool allcfg = false;
};

template<typename Editor> Editor *valueEditor(const QTableWidget *table, int row)
{
    return qobject_cast<Editor *>(table->cellWidget(row, kValueColumn));
}

// The value that row stands for, or nothing: for rows that carry no value of their own
// (group headers, nested objects), for a value cell that does not hold the editor of its
// kind, and for a choice that addresses no entry of its list.
std::optional<QJsonValue> rowValue(const QTableWidget *table, int row, int kind, const RowPlace &place,
                                   PageMerge &page, const SaveContext &context)
{
    switch (kind) {
    case TextField:
        if (auto *edit = valueEditor<QLineEdit>(table, row))
            return QJsonValue(edit->text());
        break;
    case FlagBox:
        if (auto *box = valueEditor<QCheckBox>(table, row))
            return flagValue(box->checkState());
        break;
    case NumberField:
        if (auto *edit = valueEditor<QLineEdit>(table, row))
            return numberValue(edit->text());
        break;
    case ChoiceBox:
        if (auto *box = valueEditor<QComboBox>(table, row)) {
            return choiceValue(choiceData(context.pageDescriptions, context.allcfg, place), box->currentIndex(),
                               page.stored(place));
        }
        break;
    case TextCell:
        if (const QTableWidgetItem *item = table->item(row, kValueColumn))
            return QJsonValue(item->data(Qt::DisplayRole).toString());
        break;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace

void MainWindow::saveopt()
{
    // Only the page on screen, as received from the selected module, may be written back.
    if (!pageShown)
        return;

    ui->pushButton->setDisabled(true);
    qDebug() << uitexts::logSaveSeparator;

    PageMerge page(pageValues.value(pageKey).toObject());
    SaveContext context;
    context.pageDescriptions = catalog::pageDescriptions(descriptions, pageKey);
    context.allcfg = catalog::allcfgInForce(context.pageDescriptions);
    for (int row = 0; row < rowTypes.size() && row < rowKeys.size(); ++row) {
        const RowPlace place = splitRowKey(rowKeys.at(row));
        const std::optional<QJsonValue> value
            = rowValue(ui->tableWidget, row, rowTypes.at(row), place, page, context);
        if (value)
            page.store(place, *value);
    }
    pageValues.insert(pageKey, page.result());

    const QByteArray document = QJsonDocument(pageValues).toJson(QJsonDocument::Compact);
    // The log line the toolkit writes for the object ("QJsonObject(" + its compact JSON + ")"),
    // made from the text already serialised: a large page is not serialised twice.
    qDebug().nospace().noquote() << "QJsonObject(" << QString::fromUtf8(document) << ')';
    QNetworkReply *reply = networkManager.get(moduleRequest(writeUrl(moduleAddress, document)));
    saveReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finissaveopt(reply); });
}

void MainWindow::finissaveopt(QNetworkReply *reply)
{
    if (reply->error() == QNetworkReply::NoError) {
        qDebug().noquote() << replyText(reply->readAll());
    }
    reply->deleteLater();
    // A later save may have replaced this one: its reply stays tracked and the button stays
    // disabled until that one is answered too.
    if (saveReply == reply)
        saveReply = nullptr;
    if (pageShown && !saveReply)
        ui->pushButton->setDisabled(false);
}
