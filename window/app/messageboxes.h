#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the window goes through here, so that they all look alike.

// An error: modal over parent, titled "Ошибка", one Ok button and no default button; details,
// when given, behind the box's details button.
void showError(QWidget *parent, const QString &text, QMessageBox::Icon icon = QMessageBox::Warning,
               const QString &details = QString());
// A notice without parent, one Ok button.
void showInformation(const QString &title, const QString &text);
// The question before a step that would drop the page's edits: Save, Discard or Cancel, modal
// over parent; Cancel also for Escape and the window's close button.
QMessageBox::StandardButton askUnsavedEdits(QWidget *parent);
// A question modal over parent, with details: true when the user takes the accepting answer,
// false for the other one, Enter or Escape.
bool askQuestion(QWidget *parent, const QString &title, const QString &text, const QString &details,
                 const QString &acceptText, const QString &rejectText);
