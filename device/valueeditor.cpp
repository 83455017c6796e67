#include "app/mainwindow.h"

#include "app/uitexts.h"
#include "device/rowmodel.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPersistentModelIndex>
#include <QTableWidget>
#include <QTextEdit>

namespace {

constexpr int kValueColumn = 1;
constexpr int kEditorWidth = 379;
constexpr int kEditorHeight = 461;

} // namespace

void MainWindow::clicktable(int i, int x)
{
    // Only the value cell of a multi-line text option opens the editor.
    if (i < 0 || i >= rowTypes.size() || rowTypes.at(i) != TextCell || x != kValueColumn)
        return;

    QDialog dialog;
    dialog.setObjectName(QStringLiteral("ValueUI"));
    dialog.resize(kEditorWidth, kEditorHeight);
    dialog.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    auto *gridLayout = new QGridLayout(&dialog);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));

    auto *buttonBox = new QDialogButtonBox(&dialog);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    gridLayout->addWidget(buttonBox, 1, 0, 1, 1);

    auto *textEdit = new QTextEdit(&dialog);
    textEdit->setObjectName(QStringLiteral("textEdit"));
    gridLayout->addWidget(textEdit, 0, 0, 1, 1);

    dialog.setWindowTitle(QCoreApplication::translate("ValueUI", uitexts::valueEditorTitle));

    QObject::connect(buttonBox, SIGNAL(accepted()), &dialog, SLOT(accept()));
    QObject::connect(buttonBox, SIGNAL(rejected()), &dialog, SLOT(reject()));
    QMetaObject::connectSlotsByName(&dialog);

    // The cell may hold no item at all: the editor then starts empty.
    if (const QTableWidgetItem *item = ui->tableWidget->item(i, kValueColumn))
        textEdit->insertPlainText(item->data(Qt::DisplayRole).toString());

    // Replies are handled while the dialog is open; one may empty the table meanwhile, and
    // the edited text must then not land in a row of another page.
    const QPersistentModelIndex cell(ui->tableWidget->model()->index(i, kValueColumn));
    if (dialog.exec() != QDialog::Accepted || !cell.isValid())
        return;
    // A new item replaces the old one, which the table deletes.
    ui->tableWidget->setItem(cell.row(), kValueColumn, new QTableWidgetItem(textEdit->toPlainText()));
}
