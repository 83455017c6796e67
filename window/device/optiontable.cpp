#include "window/app/mainwindow.h"

#include "core/descriptions/catalog.h"
#include "core/device/choicelist.h"
#include "core/device/optionrows.h"
#include "window/device/roweditors.h"

#include <QTableWidget>

namespace {

// Rows an options object needs: one per option, plus one per member of each group.
int rowCountFor(const QJsonObject &options)
{
    int rows = options.size();
    for (auto it = options.constBegin(); it != options.constEnd(); ++it)
        rows += it.value().toObject().size();
    return rows;
}

void setLabel(QTableWidget *table, int row, const QString &text, bool header)
{
    auto *item = new QTableWidgetItem(text);
    if (header) {
        table->setSpan(row, kLabelColumn, 1, 2);
        item->setTextAlignment(Qt::AlignHCenter);
    }
    table->setItem(row, kLabelColumn, item);
}

} // namespace

void MainWindow::filltable(const QJsonObject &options)
{
    QTableWidget *table = ui->tableWidget;
    rowTypes.clear();
    rowKeys.clear();
    rowEditors.clear();
    rowPlaces.clear();

    const QJsonObject pageDescriptions = catalog::pageDescriptions(descriptions, pageKey);
    const bool allcfg = catalog::allcfgInForce(pageDescriptions);

    const int rowCount = rowCountFor(options);
    rowTypes.reserve(rowCount);
    rowKeys.reserve(rowCount);
    rowEditors.reserve(rowCount);
    rowPlaces.reserve(rowCount);
    table->setUpdatesEnabled(false);
    table->setRowCount(rowCount);

    ChoiceListCache choiceLists;
    // Appends the row at the end of the lists, with its label and its editor.
    const auto addRow = [&](RowKind kind, const RowPlace &place, const QString &rowKey, const QString &label,
                            const QJsonValue &value, const QJsonObject &entry) {
        const int row = rowTypes.size();
        setLabel(table, row, label, kind == GroupHeader);
        std::shared_ptr<const ChoiceList> choices;
        if (kind == ChoiceBox)
            choices = choiceLists.list(catalog::choiceData(entry));
        rowEditors.append(createRowEditor(table, row, kind, value, std::move(choices), this));
        watchRowEditor(&rowEditors, row, this);
        rowPlaces.append(place);
        rowTypes.append(kind);
        rowKeys.append(rowKey);
    };

    int position = 0;
    for (auto it = options.constBegin(); it != options.constEnd(); ++it, ++position) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const QJsonObject entry = catalog::optionEntry(pageDescriptions, allcfg, key);
        const QString label = catalog::optionLabel(entry, allcfg, key, position);
        const QJsonObject group = value.toObject();
        if (group.isEmpty()) {
            addRow(optionRowKind(value, catalog::editorKind(entry), key), {key, {}, false, position}, key,
                   label, value, entry);
            continue;
        }
        addRow(GroupHeader, {key, {}, false, position}, key, label, value, entry);
        int memberPosition = 0;
        for (auto member = group.constBegin(); member != group.constEnd(); ++member, ++memberPosition) {
            const QString subKey = member.key();
            const QJsonObject memberEntry = catalog::memberEntry(entry, subKey);
            const RowKind kind = memberRowKind(member.value(), catalog::editorKind(memberEntry), subKey);
            addRow(kind, {key, subKey, true, position, memberPosition},
                   kind == NestedField ? nestedRowKey(key, subKey) : memberRowKey(key, subKey),
                   catalog::memberLabel(memberEntry, subKey), member.value(), memberEntry);
        }
    }
    table->setUpdatesEnabled(true);
}
