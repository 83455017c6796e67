#pragma once

class QDialog;
class QTextEdit;

// Lays out one of the window's two text dialogs (the modules editor, "DialogUI", and the
// multi-line value editor, "ValueUI") on a plain dialog: a text editor over Ok and Cancel in
// a grid layout, 379 by 461 pixels, titled through the translation call in the dialog's own
// context. Returns the text editor, which belongs to the dialog.
QTextEdit *setupTextDialog(QDialog *dialog, const char *context, const char *title);
