#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the window goes through here, so that they all look alike.

// An error: modal over parent, titled "Ошибка", one Ok button and no default button.
void showError(QWidget *parent, const QString &text, QMessageBox::Icon icon = QMessageBox::Warning);
// A notice without parent, one Ok button.
void showInformation(const QString &title, const QString &text);
// The question before a step that would drop the page's edits: Save, Discard or Cancel, modal
// over parent; Cancel also for Escape and the window's close button.
QMessageBox::StandardButton askUnsavedEdits(QWidget *parent);
