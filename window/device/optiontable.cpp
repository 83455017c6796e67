#include "window/app/mainwindow.h"

#include "core/device/rowplan.h"
#include "window/device/roweditors.h"

#include <QTableWidget>

namespace {

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

    RowPlan plan = planRows(descriptions, pageKey, options);
    const int rowCount = plan.size();
    rowTypes.reserve(rowCount);
    rowKeys.reserve(rowCount);
    rowEditors.reserve(rowCount);
    rowPlaces.reserve(rowCount);
    table->setUpdatesEnabled(false);
    table->setRowCount(rowCount);

    // Each row's label and editor; its place and list go over to the row lists.
    for (int row = 0; row < rowCount; ++row) {
        PlannedRow &planned = plan[row];
        setLabel(table, row, planned.label, planned.kind == GroupHeader);
        rowEditors.append(
            createRowEditor(table, row, planned.kind, planned.value, std::move(planned.choices), this));
        watchRowEditor(&rowEditors, row, this, [this](int changed) { markrow(changed); });
        rowPlaces.append(std::move(planned.place));
        rowTypes.append(planned.kind);
        rowKeys.append(planned.rowKey);
    }
    table->setUpdatesEnabled(true);
}
