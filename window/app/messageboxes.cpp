#include "window/app/messageboxes.h"

#include "window/app/uitexts.h"

#include <QCoreApplication>
#include <QPushButton>

void showError(QWidget *parent, const QString &text, QMessageBox::Icon icon, const QString &details)
{
    QMessageBox box(icon, QCoreApplication::translate("MainWindow", uitexts::errorTitle), text,
                    QMessageBox::Ok, parent);
    box.setDetailedText(details);
    box.exec();
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

bool askQuestion(QWidget *parent, const QString &title, const QString &text, const QString &details,
                 const QString &acceptText, const QString &rejectText)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton *accept = box.addButton(acceptText, QMessageBox::AcceptRole);
    QPushButton *reject = box.addButton(rejectText, QMessageBox::RejectRole);
    // Nothing is written by a key pressed in passing: Enter and Escape both cancel.
    box.setDefaultButton(reject);
    box.setEscapeButton(reject);
    box.setDetailedText(details);
    box.exec();
    return box.clickedButton() == accept;
}
