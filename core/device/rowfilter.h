#pragma once

#include <QString>
#include <QVector>

// Finding an option on a large page: which rows of the option table a filter text leaves
// shown. Hiding rows changes no value; a save writes the same with or without a filter.

// What one row offers to a filter.
struct FilterRow
{
    bool header = false; // a group's header
    bool member = false; // a member of the group whose header came last
    QString label;
    QString key; // the row key
    QString value; // the value as the editor shows it; empty for a header or a check box
};

// Per row, whether it stays shown. A row is shown when its label, key or value holds the
// text, ignoring case and the blanks around the text; a header stays while any of its
// members is shown, and a header that holds the text shows its whole group. An empty text
// shows every row.
QVector<bool> filterRows(const QVector<FilterRow> &rows, const QString &text);
