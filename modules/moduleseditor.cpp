#include "app/mainwindow.h"

#include "app/textdialog.h"
#include "app/uitexts.h"
#include "modules/moduleentry.h"

#include <QDialog>
#include <QTextEdit>

void MainWindow::modulesedit()
{
    QDialog dialog;
    QTextEdit *textEdit = setupTextDialog(&dialog, "DialogUI", uitexts::modulesEditorTitle);
    textEdit->insertPlainText(modulesEditorText(modules));

    if (dialog.exec() != QDialog::Accepted)
        return;
    modules = modulesFromEditorText(textEdit->toPlainText());
    fillmodules();
}
