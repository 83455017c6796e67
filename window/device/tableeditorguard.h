#pragma once

#include <QObject>

class QTableWidget;
class QWidget;

// Keeps the option table's editors from taking what is meant for the table. The wheel turned
// over an editor without focus scrolls the table rather than changing a choice in passing,
// and Tab leaves the table rather than walking its editors, so that Save is one key away.
class TableEditorGuard : public QObject
{
public:
    // Tab moves on to after, Shift+Tab back to before.
    TableEditorGuard(QTableWidget *guarded, QWidget *after, QWidget *before);

    // Guards an editor of the table, or the table itself.
    void guard(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableWidget *table;
    QWidget *next;
    QWidget *previous;
};
