#include "window/app/mainwindow.h"

#include "core/device/optionrows.h"
#include "window/app/textdialog.h"
#include "window/app/uitexts.h"

#include <QDialog>
#include <QPersistentModelIndex>
#include <QTableWidget>
#include <QTextEdit>

void MainWindow::clicktable(int i, int x)
{
    if (i < 0 || i >= rowTypes.size())
        return;
    if (rowTypes.at(i) != TextCell) {
        // From the keyboard, Enter on a row goes into its editor.
        if (QWidget *editor = ui->tableWidget->cellWidget(i, kValueColumn))
            editor->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Only the value cell of a multi-line text option opens the editor.
    if (x != kValueColumn)
        return;

    QDialog dialog;
    QTextEdit *textEdit = setupTextDialog(&dialog, "ValueUI", uitexts::valueEditorTitle);

    // The cell may hold no item at all: the editor then starts empty.
    if (const QTableWidgetItem *item = ui->tableWidget->item(i, kValueColumn))
        textEdit->insertPlainText(item->data(Qt::DisplayRole).toString());
    // The editor's plain text turns line breaks into LF and no-break spaces into blanks: only
    // a text the user changed may replace the cell's.
    const QString seeded = textEdit->toPlainText();

    // Replies are handled while the dialog is open; one may empty the table meanwhile, and
    // the edited text must then not land in a row of another page.
    const QPersistentModelIndex cell(ui->tableWidget->model()->index(i, kValueColumn));
    if (dialog.exec() != QDialog::Accepted || !cell.isValid() || textEdit->toPlainText() == seeded)
        return;
    // A new item replaces the old one, which the table deletes.
    ui->tableWidget->setItem(cell.row(), kValueColumn, new QTableWidgetItem(textEdit->toPlainText()));
}
