#pragma once

#include "benchdata.h"

#include <QMainWindow>
#include <QStringList>

class QComboBox;
class QTableWidget;

// The baseline window: a plain QMainWindow with the configurator's widget tree (selector,
// option table, page list, Save button, menus) and nothing behind it.
class BareWindow : public QMainWindow
{
public:
    // selectorEntries become the selector's items after its prompt item.
    explicit BareWindow(const QStringList &selectorEntries = {});

    QTableWidget *table() const { return tableWidget; }

    // The rows of a page as plain items and plain line edits, the least the toolkit needs.
    void fill(const benchdata::BareRows &rows);
    void clear();

private:
    QTableWidget *tableWidget = nullptr;
    QComboBox *comboBox = nullptr;
};
