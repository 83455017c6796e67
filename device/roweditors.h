#pragma once

#include "device/choicelist.h"
#include "device/optionrows.h"

#include <QJsonValue>
#include <QString>

#include <memory>
#include <optional>

class QTableWidget;
class QWidget;

// The editor of each row kind: created, read back, and checked for the user's changes side
// by side. Adding a row kind means adding it here.

// What the fill put into one row's value column, kept so that a save reads the editor back
// without searching the table and knows whether the user changed it.
struct RowEditor
{
    RowKind kind = GroupHeader;
    QWidget *widget = nullptr; // the cell widget; null for a text cell or a header
    QString shownText; // the text of a line edit or a text cell
    int shownState = 0; // the check state of a flag box, the index of a choice box
    std::shared_ptr<const ChoiceList> choices; // the list a choice box shows
};

// Puts the editor of kind into row's value column of table, holding value; a choice box
// shows choices. Cell widgets belong to parent.
RowEditor createRowEditor(QTableWidget *table, int row, RowKind kind, const QJsonValue &value,
                          std::shared_ptr<const ChoiceList> choices, QWidget *parent);

// Whether the user changed the row's editor since it was created or last saved: its text,
// check state, index or cell text differs from what the page held then. A row the user did
// not change leaves the page's value exactly as the module sent it.
bool rowEditorChanged(const RowEditor &editor, const QTableWidget *table, int row);
// After the row's value went into the page: the editor's state now stands for it, so that
// changing it back to what the fill showed counts as a change again.
void rowEditorSaved(RowEditor *editor, const QTableWidget *table, int row);

// The value the row's editor stands for now; stored is the value the page holds at the
// row's place (a choice keeps its JSON type). Nothing for kinds that carry no value of their
// own (headers, nested objects, values shown as JSON), and for a choice that addresses no
// entry of its list.
std::optional<QJsonValue> rowEditorValue(const RowEditor &editor, const QTableWidget *table, int row,
                                         const QJsonValue &stored);
