#include "window/app/mainwindow.h"

#include "core/device/modulerequests.h"
#include "core/device/optionrows.h"
#include "window/app/messageboxes.h"
#include "window/app/uitexts.h"
#include "window/device/boundedtextdelegate.h"
#include "window/device/tableeditorguard.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkReply>
#include <QPushButton>
#include <QTableWidget>

namespace {

constexpr int kWindowWidth = 511;
constexpr int kWindowHeight = 454;
constexpr int kWindowMaxWidth = 2000;
constexpr int kLayoutSpacing = 6;
constexpr int kLayoutMargin = 11;
constexpr int kPageListMaxWidth = 220;
constexpr int kTableColumns = 2;

// Fixed when the program is built: "hh:mm:ss Mmm dd yyyy".
constexpr const char *kBuildTime = __TIME__ " " __DATE__;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui>())
{
    setupUi();

    connect(ui->pushButton, SIGNAL(clicked()), this, SLOT(saveopt()));
    connect(ui->comboBox, SIGNAL(currentIndexChanged(int)), this, SLOT(prinpages(int)));
    // Signatures stay in the toolkit's normalised form.
    // clang-format off
    connect(ui->tableWidget, SIGNAL(cellActivated(int,int)), this, SLOT(clicktable(int,int)));
    // clang-format on
    // A text cell changes by its item, in place or from the value editor.
    connect(ui->tableWidget, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (item->column() == kValueColumn)
            markrow(item->row());
    });
    // A save decides anew which rows differ from what the page holds.
    connect(this, &MainWindow::saveFinished, this, &MainWindow::markrows);

    loadmodules();
    fillmodules();
    bindudp();
    setupMenus();
    readdescription();

    // clang-format off
    connect(ui->listWidget, SIGNAL(currentItemChanged(QListWidgetItem*,QListWidgetItem*)), this,
            SLOT(prinpage(QListWidgetItem*,QListWidgetItem*)));
    // clang-format on
    setupTable();
}

MainWindow::~MainWindow()
{
    savemodules();
}

void MainWindow::setupUi()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("MainWindow"));
    resize(kWindowWidth, kWindowHeight);
    setMaximumSize(kWindowMaxWidth, QWIDGETSIZE_MAX);

    ui->centralWidget = new QWidget(this);
    ui->centralWidget->setObjectName(QStringLiteral("centralWidget"));
    ui->gridLayout = new QGridLayout(ui->centralWidget);
    ui->gridLayout->setSpacing(kLayoutSpacing);
    ui->gridLayout->setContentsMargins(kLayoutMargin, kLayoutMargin, kLayoutMargin, kLayoutMargin);
    ui->gridLayout->setObjectName(QStringLiteral("gridLayout"));

    ui->tableWidget = new QTableWidget(ui->centralWidget);
    ui->tableWidget->setColumnCount(kTableColumns);
    ui->tableWidget->setObjectName(QStringLiteral("tableWidget"));
    ui->gridLayout->addWidget(ui->tableWidget, 1, 2, 1, 1);

    ui->filterEdit = new QLineEdit(ui->centralWidget);
    ui->filterEdit->setObjectName(QStringLiteral("filterEdit"));
    ui->filterEdit->setPlaceholderText(tr(uitexts::filterPlaceholder));
    ui->filterEdit->setClearButtonEnabled(true);
    ui->gridLayout->addWidget(ui->filterEdit, 0, 2, 1, 1);

    ui->listWidget = new QListWidget(ui->centralWidget);
    ui->listWidget->setObjectName(QStringLiteral("listWidget"));
    ui->listWidget->setMaximumWidth(kPageListMaxWidth);
    // Page keys come from the module, of any length.
    ui->listWidget->setItemDelegate(new BoundedTextDelegate(ui->listWidget));
    ui->gridLayout->addWidget(ui->listWidget, 1, 0, 2, 2);

    ui->pushButton = new QPushButton(ui->centralWidget);
    ui->pushButton->setObjectName(QStringLiteral("pushButton"));
    ui->gridLayout->addWidget(ui->pushButton, 2, 2, 1, 1);

    ui->comboBox = new QComboBox(ui->centralWidget);
    ui->comboBox->setObjectName(QStringLiteral("comboBox"));
    ui->gridLayout->addWidget(ui->comboBox, 0, 0, 1, 2);

    setCentralWidget(ui->centralWidget);
    setWindowTitle(QCoreApplication::translate("MainWindow", uitexts::windowTitle));
    ui->pushButton->setText(QCoreApplication::translate("MainWindow", uitexts::saveButton));
    // Nothing can be saved before a page of a module is on screen.
    ui->pushButton->setDisabled(true);
}

void MainWindow::setupMenus()
{
    QMenu *fileMenu = menuBar()->addMenu(tr(uitexts::fileMenu));
    QMenu *helpMenu = menuBar()->addMenu(tr(uitexts::helpMenu));

    auto *saveAction = new QAction(tr(uitexts::saveAction), this);
    saveAction->setShortcut(QKeySequence::Save);
    auto *reloadAction = new QAction(tr(uitexts::reloadAction), this);
    reloadAction->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(uitexts::reloadShortcuts)));
    auto *modulesEditorAction = new QAction(tr(uitexts::modulesEditorAction), this);
    auto *updateDescriptionsAction = new QAction(tr(uitexts::updateDescriptionsAction), this);
    auto *exitAction = new QAction(tr(uitexts::exitAction), this);
    exitAction->setShortcut(QKeySequence(QString::fromLatin1(uitexts::exitShortcut)));
    auto *aboutAction = new QAction(tr(uitexts::aboutAction), this);

    // The button, not the slot: a disabled button saves nothing.
    connect(saveAction, &QAction::triggered, ui->pushButton, &QPushButton::click);
    connect(reloadAction, SIGNAL(triggered()), this, SLOT(reloadpage()));
    connect(updateDescriptionsAction, SIGNAL(triggered()), this, SLOT(loaddescription()));
    connect(exitAction, SIGNAL(triggered()), this, SLOT(quit()));
    connect(aboutAction, SIGNAL(triggered()), this, SLOT(about()));
    connect(modulesEditorAction, SIGNAL(triggered()), this, SLOT(modulesedit()));

    fileMenu->addAction(saveAction);
    fileMenu->addAction(reloadAction);
    fileMenu->addSeparator();
    fileMenu->addAction(modulesEditorAction);
    fileMenu->addAction(updateDescriptionsAction);
    fileMenu->addSeparator();
    fileMenu->addAction(exitAction);
    helpMenu->addAction(aboutAction);
}

void MainWindow::setupTable()
{
    QTableWidget *table = ui->tableWidget;
    table->clearContents();
    table->setRowCount(0);
    table->setColumnCount(kTableColumns);
    table->setShowGrid(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setHorizontalHeaderLabels({tr(uitexts::settingsHeader), tr(uitexts::valueHeader)});
    table->horizontalHeader()->setStretchLastSection(true);
    // Option values and keys come from the module, of any length.
    table->setItemDelegate(new BoundedTextDelegate(table));
    // Tab goes from the table to Save; Enter on a row goes into its editor (clicktable).
    table->setTabKeyNavigation(false);
    tableGuard = new TableEditorGuard(table, ui->pushButton, ui->filterEdit);
    tableGuard->guard(table);
    setTabOrder(ui->comboBox, ui->listWidget);
    setTabOrder(ui->listWidget, ui->filterEdit);
    setTabOrder(ui->filterEdit, table);
    setTabOrder(table, ui->pushButton);
    connect(ui->filterEdit, &QLineEdit::textChanged, this, &MainWindow::filtertable);
}

void MainWindow::sendRequest(QNetworkAccessManager &manager, const QUrl &url, QNetworkReply **tracked,
                             void (MainWindow::*finish)(QNetworkReply *))
{
    QNetworkReply *reply = manager.get(moduleRequest(url, requestTimeoutMs));
    *tracked = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, finish] { (this->*finish)(reply); });
}

ReplyOutcome MainWindow::finishRequest(QNetworkReply *reply, QNetworkReply **tracked)
{
    ReplyOutcome outcome = finishReply(reply, tracked);
    if (outcome.kind != ReplyOutcome::Answered)
        qWarning().noquote() << failureLine(outcome);
    return outcome;
}

void MainWindow::prinpageInt(int)
{ }

void MainWindow::config()
{ }

void MainWindow::quit()
{
    if (settleedits())
        QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (settleedits())
        event->accept();
    else
        event->ignore();
}

void MainWindow::about()
{
    showInformation(tr(uitexts::aboutTitle), tr(uitexts::aboutText) + QString::fromLatin1(kBuildTime));
}
