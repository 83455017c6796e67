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
