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

    // The rebuilt selector shows no module, so the selected one's page goes with it.
    if (dialog.exec() != QDialog::Accepted || !settleedits())
        return;
    modules = modulesFromEditorText(textEdit->toPlainText());
    fillmodules();
    forgetmodule();
}
