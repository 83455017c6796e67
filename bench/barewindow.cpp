#include "barewindow.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>

BareWindow::BareWindow(const QStringList &selectorEntries)
{
    resize(511, 454);
    setMaximumSize(2000, QWIDGETSIZE_MAX);
    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    grid->setSpacing(6);
    grid->setContentsMargins(11, 11, 11, 11);
    tableWidget = new QTableWidget(central);
    tableWidget->setColumnCount(2);
    grid->addWidget(tableWidget, 0, 2, 2, 1);
    auto *list = new QListWidget(central);
    list->setMaximumWidth(220);
    grid->addWidget(list, 1, 0, 2, 2);
    auto *button = new QPushButton(QStringLiteral("Сохранить"), central);
    grid->addWidget(button, 2, 2, 1, 1);
    comboBox = new QComboBox(central);
    grid->addWidget(comboBox, 0, 0, 1, 2);
    setCentralWidget(central);
    setWindowTitle(QStringLiteral("Quillnet Configurator"));

    comboBox->addItem(QStringLiteral("Выберете модуль"));
    for (const QString &entry : selectorEntries)
        comboBox->addItem(entry, entry);

    QMenu *file = menuBar()->addMenu(QStringLiteral("Файл"));
    QMenu *help = menuBar()->addMenu(QStringLiteral("Справка"));
    file->addAction(new QAction(QStringLiteral("Редактор модулей"), this));
    file->addAction(new QAction(QStringLiteral("Обновить описания"), this));
    file->addSeparator();
    auto *exit = new QAction(QStringLiteral("Выход"), this);
    exit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    file->addAction(exit);
    help->addAction(new QAction(QStringLiteral("О программе"), this));

    tableWidget->setShowGrid(true);
    tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableWidget->setHorizontalHeaderLabels({QStringLiteral("  Настройки  "), QStringLiteral("Значение")});
    tableWidget->horizontalHeader()->setStretchLastSection(true);
}

void BareWindow::fill(const benchdata::BareRows &rows)
{
    const int count = int(rows.labels.size());
    tableWidget->setUpdatesEnabled(false);
    tableWidget->setRowCount(count);
    for (int row = 0; row < count; ++row) {
        tableWidget->setItem(row, 0, new QTableWidgetItem(rows.labels[size_t(row)]));
        tableWidget->setCellWidget(row, 1, new QLineEdit(rows.texts[size_t(row)]));
    }
    tableWidget->setUpdatesEnabled(true);
}

void BareWindow::clear()
{
    tableWidget->clearContents();
    tableWidget->setRowCount(0);
}
