#pragma once

#include "core/device/choicelist.h"
#include "core/device/optionrows.h"

#include <QJsonValue>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class QObject;
class QTableWidget;
class QWidget;

// The editor of each row kind: created, read back, and checked for the user's changes side
// by side. Adding a row kind means adding it here.

// What an editor holds at one moment: the text of a line edit or a text cell, or the check
// state of a flag box or the index of a choice box.
struct EditorState
{
    QString text;
    int state = 0;

    bool operator==(const EditorState &other) const { return state == other.state && text == other.text; }
    bool operator!=(const EditorState &other) const { return !(*this == other); }
};

// How a row stands against the page it shows: as the page holds it, changed by the user, or
// holding no value a save could write (a number field without a number).
enum class RowMark { Unchanged, Changed, Invalid };

// What the fill put into one row's value column, kept so that a save reads the editor back
// without searching the table and knows whether the user changed it.
struct RowEditor
{
    RowKind kind = GroupHeader;
    QWidget *widget = nullptr; // the cell widget; null for a text cell or a header
    // What the editor held when it was made or last saved: what the page holds.
    EditorState shown;
    // What the widget holds now, kept by watchRowEditor() as it changes: a save reads
    // thousands of rows from here rather than from thousands of widgets.
    EditorState held;
    std::shared_ptr<const ChoiceList> choices; // the list a choice box shows
    // A choice whose option holds text writes text back, else a number. Saves keep that
    // type, so the fill's value decides it for good.
    bool textChoice = false;
    RowMark mark = RowMark::Unchanged; // as the table shows it now
};

// Puts the editor of kind into row's value column of table, holding value; a choice box
// shows choices. Cell widgets belong to parent.
RowEditor createRowEditor(QTableWidget *table, int row, RowKind kind, const QJsonValue &value,
                          std::shared_ptr<const ChoiceList> choices, QWidget *parent);

// Keeps the held state of the editor at row in editors current with its widget, and tells
// changed the row after each change. The connection lives as long as the widget and context;
// a widget whose row was refilled meanwhile changes nothing.
void watchRowEditor(QVector<RowEditor> *editors, int row, QObject *context,
                    const std::function<void(int row)> &changed);

// What the row's editor holds now, read once for a save: its held state, or for a text cell
// the item's text, read into *cell. Null for the kinds that never write a value back
// (headers, nested objects, values shown as JSON), and for a text cell whose item is gone.
const EditorState *rowEditorState(const RowEditor &editor, const QTableWidget *table, int row,
                                  EditorState *cell);

// Starts loading what a save will read for the rows after row: a save reads the held and
// shown text of thousands of editors, and their choice lists, all scattered over the heap.
// Asked for a few rows ahead, those reads overlap with the work on the rows between instead
// of each row waiting for its own. It changes nothing.
void prefetchRowEditors(QVector<RowEditor> &editors, int row);

// Whether the user changed the editor since it was made or last saved. A row the user did
// not change leaves the page's value exactly as the module sent it.
inline bool rowEditorChanged(const RowEditor &editor, const EditorState &now)
{
    return now != editor.shown;
}

// How the row stands when its editor holds now.
RowMark rowMark(const RowEditor &editor, const EditorState &now);

// The value the editor's state stands for. Nothing for a choice that addresses no entry of
// its list (the value shown as itself included) and for a number field holding no number.
std::optional<QJsonValue> rowEditorValue(const RowEditor &editor, const EditorState &now);
