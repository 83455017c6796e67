#include "device/roweditors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QTableWidget>

namespace {

QLineEdit *lineEdit(QTableWidget *table, int row, const QString &text, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    // Show where a text starts rather than where it ends when it is wider than the cell.
    edit->setCursorPosition(0);
    table->setCellWidget(row, kValueColumn, edit);
    return edit;
}

// The text of a text cell, read afresh: the value editor replaces the item. A cell without
// an item has nothing to write.
std::optional<QString> cellText(const QTableWidget *table, int row)
{
    const QTableWidgetItem *item = table->item(row, kValueColumn);
    if (!item)
        return std::nullopt;
    return item->data(Qt::DisplayRole).toString();
}

} // namespace

RowEditor createRowEditor(QTableWidget *table, int row, RowKind kind, const QJsonValue &value,
                          std::shared_ptr<const ChoiceList> choices, QWidget *parent)
{
    RowEditor editor;
    editor.kind = kind;
    switch (kind) {
    case GroupHeader:
        break;
    case TextField:
        editor.shownText = value.toString();
        editor.widget = lineEdit(table, row, editor.shownText, parent);
        break;
    case NestedField:
    case JsonField: {
        // Shown only, never written back: a line edit's worth of it is enough, and the whole
        // of a huge one would stall the window.
        const QString text = kind == NestedField ? nestedText(value.toObject()) : jsonText(value);
        editor.shownText = text.left(kLineEditTextLimit);
        QLineEdit *edit = lineEdit(table, row, editor.shownText, parent);
        edit->setReadOnly(true);
        editor.widget = edit;
        break;
    }
    case NumberField: {
        editor.shownText = QString::number(value.toInt(0));
        QLineEdit *edit = lineEdit(table, row, editor.shownText, parent);
        edit->setValidator(new QIntValidator(edit));
        editor.widget = edit;
        break;
    }
    case FlagBox: {
        auto *box = new QCheckBox(parent);
        box->setChecked(value.toInt(0) == 1);
        editor.shownState = box->checkState();
        table->setCellWidget(row, kValueColumn, box);
        editor.widget = box;
        break;
    }
    case ChoiceBox: {
        auto *box = new QComboBox(parent);
        box->addItems(choices->labels);
        box->setCurrentIndex(choiceIndex(choices->entries, value));
        editor.shownState = box->currentIndex();
        editor.choices = std::move(choices);
        table->setCellWidget(row, kValueColumn, box);
        editor.widget = box;
        break;
    }
    case TextCell:
        editor.shownText = value.toString();
        table->setItem(row, kValueColumn, new QTableWidgetItem(editor.shownText));
        break;
    }
    return editor;
}

bool rowEditorChanged(const RowEditor &editor, const QTableWidget *table, int row)
{
    switch (editor.kind) {
    case GroupHeader:
    case NestedField:
    case JsonField:
        return false;
    case TextField:
    case NumberField:
        return static_cast<const QLineEdit *>(editor.widget)->text() != editor.shownText;
    case FlagBox:
        return static_cast<const QCheckBox *>(editor.widget)->checkState() != editor.shownState;
    case ChoiceBox:
        return static_cast<const QComboBox *>(editor.widget)->currentIndex() != editor.shownState;
    case TextCell: {
        const std::optional<QString> text = cellText(table, row);
        return text && *text != editor.shownText;
    }
    }
    return false;
}

std::optional<QJsonValue> rowEditorValue(const RowEditor &editor, const QTableWidget *table, int row,
                                         const QJsonValue &stored)
{
    switch (editor.kind) {
    case GroupHeader:
    case NestedField:
    case JsonField:
        return std::nullopt;
    case TextField:
        return QJsonValue(static_cast<const QLineEdit *>(editor.widget)->text());
    case NumberField:
        return numberValue(static_cast<const QLineEdit *>(editor.widget)->text());
    case FlagBox:
        return flagValue(static_cast<const QCheckBox *>(editor.widget)->checkState());
    case ChoiceBox: {
        // The combo box holds only the labels: the entry's position in the list it was built
        // with is the one link back.
        const int index = static_cast<const QComboBox *>(editor.widget)->currentIndex();
        if (index < 0 || index >= editor.choices->entries.size())
            return std::nullopt;
        return choiceValue(editor.choices->entries.at(index).value, stored);
    }
    case TextCell:
        if (const std::optional<QString> text = cellText(table, row))
            return QJsonValue(*text);
        return std::nullopt;
    }
    return std::nullopt;
}

void rowEditorSaved(RowEditor *editor, const QTableWidget *table, int row)
{
    switch (editor->kind) {
    case TextField:
    case NumberField:
        editor->shownText = static_cast<const QLineEdit *>(editor->widget)->text();
        break;
    case FlagBox:
        editor->shownState = static_cast<const QCheckBox *>(editor->widget)->checkState();
        break;
    case ChoiceBox:
        editor->shownState = static_cast<const QComboBox *>(editor->widget)->currentIndex();
        break;
    case TextCell:
        editor->shownText = cellText(table, row).value_or(editor->shownText);
        break;
    case GroupHeader:
    case NestedField:
    case JsonField:
        break;
    }
}
