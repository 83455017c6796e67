#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The option table's model: what kind of row an option becomes, how rows are keyed, and
// how a choice list maps between the values a module stores and the labels a combo box
// shows. Decisions only; the widgets are built by MainWindow::filltable().

// Kind of a table row, as stored in MainWindow::rowTypes.
// The option table's columns: the row label, and the value's editor.
inline constexpr int kLabelColumn = 0;
inline constexpr int kValueColumn = 1;

enum RowKind {
    GroupHeader = 0, // header of an option group; its label spans both columns
    TextField, // QLineEdit holding a text value
    FlagBox, // QCheckBox: checked means 1
    NumberField, // QLineEdit with a QIntValidator
    ChoiceBox, // QComboBox over a choice list
    NestedField, // QLineEdit holding a nested object as name:value pairs
    TextCell, // QTableWidgetItem, edited in the multi-line value editor
};

// Longest text a line edit is given. A line edit lays out its whole text at once (seconds
// and hundreds of megabytes for a value of megabytes) and by default keeps no more than
// this; a longer text value goes into a text cell, edited in the multi-line value editor
// and saved as a string all the same.
inline constexpr int kLineEditTextLimit = 32767;

// Whether an option's value is a group of options (an object with members).
bool isOptionGroup(const QJsonValue &value);

// Row kind of a top-level option that is not a group, from its value, the editor kind of
// its description entry and its key.
RowKind optionRowKind(const QJsonValue &value, int editorKind, const QString &key);
// Row kind of a member of an option group.
RowKind memberRowKind(const QJsonValue &value, int editorKind, const QString &subKey);

// One entry of a choice list "value=label,value=label,...".
struct ChoiceEntry
{
    QString value; // the part before the first "="; the whole entry when it has none
    QString label; // the part after it; the whole entry when it has none
};

// The entries of a choice list in order, empty entries included: a combo box gets exactly
// one item per entry, and its current index maps back to the entry at that position.
QList<ChoiceEntry> choiceEntries(const QString &choiceData);
QStringList choiceLabels(const QList<ChoiceEntry> &entries);
// Index of the entry that holds the option's value: a string value is compared with the
// value parts as text, any other value as an integer with the value parts read as decimal
// integers. The last match wins; without a match, 0.
int choiceIndex(const QList<ChoiceEntry> &entries, const QJsonValue &value);
// The value part of the entry at index, as choiceEntries() would give it, read without
// splitting the whole list; nothing when the list has no entry there.
std::optional<QString> choiceValueAt(const QString &choiceData, int index);

// Text of a nested object: name:value pairs joined by ",", numbers in decimal.
QString nestedText(const QJsonObject &nested);

// Row keys: "option", "group:sub", and "group:sub:sub" for a nested object.
QString memberRowKey(const QString &groupKey, const QString &subKey);
QString nestedRowKey(const QString &groupKey, const QString &subKey);

struct RowKeyParts
{
    QString key; // the option key, or the group key of a member
    QString subKey; // the sub key of a member; empty for a top-level option
    bool isMember = false;
};
// Splits a row key at ":": one part is a top-level option; otherwise the first part is the
// group key and the second the sub key (further parts are ignored).
RowKeyParts splitRowKey(const QString &rowKey);
