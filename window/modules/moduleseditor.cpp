#include "window/app/mainwindow.h"

#include "core/modules/moduleentry.h"
#include "window/app/textdialog.h"
#include "window/app/uitexts.h"

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
