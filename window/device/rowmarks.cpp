#include "window/app/mainwindow.h"

#include "core/device/optionrows.h"
#include "window/app/messageboxes.h"
#include "window/app/uitexts.h"
#include "window/device/roweditors.h"

#include <QFont>
#include <QStringList>
#include <QTableWidget>

#include <algorithm>

namespace {

// The value cell of a row the user changed, and of one that holds no value at all.
const QColor kChangedTint(255, 240, 190);
const QColor kInvalidTint(255, 205, 205);

// A row the user changed has a bold label and a tinted value; an unchanged one looks as the
// fill made it.
void showRowMark(QTableWidget *table, int row, QWidget *editor, RowMark mark)
{
    if (QTableWidgetItem *label = table->item(row, kLabelColumn)) {
        QFont font = label->font();
        font.setBold(mark != RowMark::Unchanged);
        label->setFont(font);
    }
    const QColor tint = mark == RowMark::Invalid ? kInvalidTint : kChangedTint;
    if (!editor) {
        if (QTableWidgetItem *cell = table->item(row, kValueColumn))
            cell->setData(Qt::BackgroundRole, mark == RowMark::Unchanged ? QVariant() : QVariant(tint));
        return;
    }
    if (mark == RowMark::Unchanged) {
        editor->setPalette(QPalette());
        editor->setAutoFillBackground(false);
        return;
    }
    QPalette palette = editor->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
        palette.setColor(role, tint);
    editor->setPalette(palette);
    editor->setAutoFillBackground(true);
}

} // namespace

void MainWindow::markrow(int row)
{
    // A text cell's item signals while the fill puts it in, before its row has an editor.
    if (row < 0 || row >= rowEditors.size())
        return;
    RowEditor &editor = rowEditors[row];
    EditorState cell;
    const EditorState *now = rowEditorState(editor, ui->tableWidget, row, &cell);
    const RowMark mark = now ? rowMark(editor, *now) : RowMark::Unchanged;
    if (mark == editor.mark)
        return;
    editor.mark = mark;
    showRowMark(ui->tableWidget, row, editor.widget, mark);
}

void MainWindow::markrows()
{
    for (int row = 0; row < rowEditors.size(); ++row)
        markrow(row);
}

bool MainWindow::pageedited() const
{
    return pageShown && std::any_of(rowEditors.cbegin(), rowEditors.cend(), [](const RowEditor &editor) {
               return editor.mark != RowMark::Unchanged;
           });
}

bool MainWindow::numbersentered()
{
    QStringList labels;
    for (int row = 0; row < rowEditors.size(); ++row) {
        const QTableWidgetItem *label = ui->tableWidget->item(row, kLabelColumn);
        if (rowEditors.at(row).mark == RowMark::Invalid)
            labels.append(label ? label->text() : rowKeys.value(row));
    }
    if (labels.isEmpty())
        return true;
    showError(this, tr(uitexts::noNumber).arg(labels.join(QStringLiteral(", "))));
    return false;
}
