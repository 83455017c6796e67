#include "app/mainwindow.h"

#include "descriptions/catalog.h"
#include "device/choicelist.h"
#include "device/optionrows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>
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

// Builds the editors of one fill.
class RowBuilder
{
public:
    RowBuilder(QTableWidget *table, QWidget *editorParent)
        : table(table)
        , editorParent(editorParent)
    { }

    void label(int row, const QString &text, bool header)
    {
        auto *item = new QTableWidgetItem(text);
        if (header) {
            table->setSpan(row, kLabelColumn, 1, 2);
            item->setTextAlignment(Qt::AlignHCenter);
        }
        table->setItem(row, kLabelColumn, item);
    }

    // Puts the editor of kind into the value column of row; entry is the row's
    // description entry (for choice lists).
    void editor(int row, RowKind kind, const QJsonValue &value, const QJsonObject &entry)
    {
        switch (kind) {
        case GroupHeader:
            break;
        case TextField:
            lineEdit(row, value.toString());
            break;
        case NestedField:
            // Shown only, never written back: a line edit's worth of it is enough, and
            // the whole of a huge one would stall the window.
            lineEdit(row, nestedText(value.toObject()).left(kLineEditTextLimit));
            break;
        case NumberField: {
            QLineEdit *edit = lineEdit(row, QString::number(value.toInt(0)));
            edit->setValidator(new QIntValidator(edit));
            break;
        }
        case FlagBox: {
            auto *box = new QCheckBox(editorParent);
            box->setChecked(value.toInt(0) == 1);
            table->setCellWidget(row, kValueColumn, box);
            break;
        }
        case ChoiceBox:
            choiceBox(row, value, catalog::choiceData(entry));
            break;
        case TextCell:
            table->setItem(row, kValueColumn, new QTableWidgetItem(value.toString()));
            break;
        }
    }

private:
    QLineEdit *lineEdit(int row, const QString &text)
    {
        auto *edit = new QLineEdit(text, editorParent);
        // Show where a text starts rather than where it ends when it is wider than the cell.
        edit->setCursorPosition(0);
        table->setCellWidget(row, kValueColumn, edit);
        return edit;
    }

    void choiceBox(int row, const QJsonValue &value, const QString &data)
    {
        const std::shared_ptr<const ChoiceList> list = choiceLists.list(data);
        auto *box = new QComboBox(editorParent);
        box->addItems(list->labels);
        box->setCurrentIndex(choiceIndex(list->entries, value));
        table->setCellWidget(row, kValueColumn, box);
    }

    QTableWidget *table;
    QWidget *editorParent;
    ChoiceListCache choiceLists;
};

} // namespace

void MainWindow::filltable(const QJsonObject &options)
{
    QTableWidget *table = ui->tableWidget;
    rowTypes.clear();
    rowKeys.clear();

    const QJsonObject pageDescriptions = catalog::pageDescriptions(descriptions, pageKey);
    const bool allcfg = catalog::allcfgInForce(pageDescriptions);

    const int rowCount = rowCountFor(options);
    rowTypes.reserve(rowCount);
    rowKeys.reserve(rowCount);
    table->setUpdatesEnabled(false);
    table->setRowCount(rowCount);

    RowBuilder rows(table, this);
    int row = 0;
    int position = 0;
    for (auto it = options.constBegin(); it != options.constEnd(); ++it, ++position) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const QJsonObject entry = catalog::optionEntry(pageDescriptions, allcfg, key);
        const QJsonObject group = value.toObject();

        if (group.isEmpty()) {
            const RowKind kind = optionRowKind(value, catalog::editorKind(entry), key);
            rows.label(row, catalog::optionLabel(entry, allcfg, key, position), false);
            rows.editor(row, kind, value, entry);
            rowTypes.append(kind);
            rowKeys.append(key);
            ++row;
            continue;
        }

        rows.label(row, catalog::optionLabel(entry, allcfg, key, position), true);
        rowTypes.append(GroupHeader);
        rowKeys.append(key);
        ++row;
        for (auto member = group.constBegin(); member != group.constEnd(); ++member) {
            const QString subKey = member.key();
            const QJsonValue memberValue = member.value();
            const QJsonObject memberEntry = catalog::memberEntry(entry, subKey);
            const RowKind kind = memberRowKind(memberValue, catalog::editorKind(memberEntry), subKey);
            rows.label(row, catalog::memberLabel(memberEntry, subKey), false);
            rows.editor(row, kind, memberValue, memberEntry);
            rowTypes.append(kind);
            rowKeys.append(kind == NestedField ? nestedRowKey(key, subKey) : memberRowKey(key, subKey));
            ++row;
        }
    }
    table->setUpdatesEnabled(true);
}
