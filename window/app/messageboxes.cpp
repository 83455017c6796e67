#include "window/app/messageboxes.h"

#include "window/app/uitexts.h"

#include <QCoreApplication>

void showError(QWidget *parent, const QString &text, QMessageBox::Icon icon)
{
    const QString title = QCoreApplication::translate("MainWindow", uitexts::errorTitle);
    if (icon == QMessageBox::Critical)
        QMessageBox::critical(parent, title, text, QMessageBox::Ok);
    else
        QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void showInformation(const QString &title, const QString &text)
{
    QMessageBox::information(nullptr, title, text, QMessageBox::Ok);
}

QMessageBox::StandardButton askUnsavedEdits(QWidget *parent)
{
    return QMessageBox::question(
        parent, QCoreApplication::translate("MainWindow", uitexts::unsavedEditsTitle),
        QCoreApplication::translate("MainWindow", uitexts::unsavedEdits),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
}
