#include "window/app/mainwindow.h"

#include "core/device/rowfilter.h"
#include "core/device/rowplan.h"
#include "window/device/roweditors.h"
#include "window/device/tableeditorguard.h"

#include <QComboBox>
#include <QLineEdit>
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
    rowsBeforeSave.clear();
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
        if (QWidget *widget = rowEditors.constLast().widget)
            tableGuard->guard(widget);
        rowPlaces.append(std::move(planned.place));
        rowTypes.append(planned.kind);
        rowKeys.append(planned.rowKey);
    }
    // New rows are all shown.
    if (!ui->filterEdit->text().trimmed().isEmpty())
        filtertable();
    table->setUpdatesEnabled(true);
}

void MainWindow::filtertable()
{
    QTableWidget *table = ui->tableWidget;
    QVector<FilterRow> rows;
    rows.reserve(rowEditors.size());
    for (int row = 0; row < rowEditors.size(); ++row) {
        FilterRow filtered;
        const RowEditor &editor = rowEditors.at(row);
        filtered.header = editor.kind == GroupHeader;
        filtered.member = rowPlaces.at(row).isMember;
        if (const QTableWidgetItem *label = table->item(row, kLabelColumn))
            filtered.label = label->text();
        filtered.key = rowKeys.at(row);
        if (auto *edit = qobject_cast<const QLineEdit *>(editor.widget))
            filtered.value = edit->text();
        else if (auto *box = qobject_cast<const QComboBox *>(editor.widget))
            filtered.value = box->currentText();
        else if (const QTableWidgetItem *cell
                 = editor.kind == TextCell ? table->item(row, kValueColumn) : nullptr)
            filtered.value = cell->text();
        rows.append(filtered);
    }
    const QVector<bool> shown = filterRows(rows, ui->filterEdit->text());
    for (int row = 0; row < shown.size(); ++row) {
        if (table->isRowHidden(row) == shown.at(row))
            table->setRowHidden(row, !shown.at(row));
    }
}
