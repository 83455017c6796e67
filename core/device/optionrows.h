#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <Qt>

// The rows of the option table: what kind of row an option becomes and how rows are keyed.
// Decisions only; the widgets are built by MainWindow::filltable().

// The option table's columns: the row label, and the value's editor.
inline constexpr int kLabelColumn = 0;
inline constexpr int kValueColumn = 1;

// Kind of a table row, as stored in MainWindow::rowTypes.
enum RowKind {
    GroupHeader = 0, // header of an option group; its label spans both columns
    TextField, // QLineEdit holding a text value
    FlagBox, // QCheckBox: checked means 1
    NumberField, // QLineEdit with a QIntValidator
    ChoiceBox, // QComboBox over a choice list
    NestedField, // QLineEdit holding a nested object as name:value pairs
    TextCell, // QTableWidgetItem, edited in the multi-line value editor
    JsonField, // read-only QLineEdit holding a value no editor can hold, as compact JSON
};

// Longest text a line edit is given. A line edit lays out its whole text at once (seconds
// and hundreds of megabytes for a value of megabytes) and by default keeps no more than
// this; a longer text value goes into a text cell, edited in the multi-line value editor
// and saved as a string all the same.
inline constexpr int kLineEditTextLimit = 32767;

// Whether an option's value is a group of options (an object with members).
bool isOptionGroup(const QJsonValue &value);

// Row kind of a top-level option that is not a group, from its value, the editor kind of
// its description entry and its key. A value that is neither text nor an integer in the
// range of int (a fraction, a larger number, true, false, null, an array, an empty object)
// has no editor that could show it as it is, and is shown as JSON, never written back.
RowKind optionRowKind(const QJsonValue &value, int editorKind, const QString &key);
// Row kind of a member of an option group.
RowKind memberRowKind(const QJsonValue &value, int editorKind, const QString &subKey);

// Text of a nested object: name:value pairs joined by ",", numbers in decimal.
QString nestedText(const QJsonObject &nested);

// Row keys: "option", "group:sub", and "group:sub:sub" for a nested object.
QString memberRowKey(const QString &groupKey, const QString &subKey);
QString nestedRowKey(const QString &groupKey, const QString &subKey);

// Where a row's value sits in the page object: the keys the row was built from, kept as
// they are (a key may hold ":" itself, so the row key cannot be split back into them).
struct RowPlace
{
    QString key; // the option key, or the group key of a member
    QString subKey; // the sub key of a member; empty for a top-level option
    bool isMember = false;
    // Where the fill found the option in its page, and the member in its group: a merge into
    // that page goes straight there instead of comparing keys. -1 when not known.
    int position = -1;
    int memberPosition = -1;
};

// What the editors write back. A check box writes 1 for every state but unchecked (so
// partially checked too), else 0: a number, never a JSON boolean, because the table shows
// "checked" for the integer 1.
QJsonValue flagValue(Qt::CheckState state);
// A number field writes its text as a base-10 int; 0 for an empty, partial or too large text.
QJsonValue numberValue(const QString &text);
// Whether a number field's text is a value at all: a base-10 int. An empty field, a lone sign
// or a number beyond int is none, and a save must not turn it into 0.
bool isNumberText(const QString &text);
