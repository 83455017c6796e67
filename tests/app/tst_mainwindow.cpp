#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/testworkdir.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void widgetTree();
    void optionTableSetUp();
    void menus();
    void aboutBoxShowsThreeLines();
    void quitEndsTheLoopAndSavesModules_data();
    void quitEndsTheLoopAndSavesModules();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestMainWindow::widgetTree()
{
    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillnet Configurator"));
    QCOMPARE(window.size(), QSize(511, 454));
    QCOMPARE(window.maximumSize(), QSize(2000, QWIDGETSIZE_MAX));

    auto *layout = window.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
    QVERIFY(layout);
    QCOMPARE(layout->spacing(), 6);
    QCOMPARE(layout->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(window.centralWidget()->objectName(), QStringLiteral("centralWidget"));

    struct Place { QWidget *widget; int row, column, rowSpan, columnSpan; };
    const Place places[] = {
        {probe.comboBox(), 0, 0, 1, 2},
        {probe.tableWidget(), 0, 2, 2, 1},
        {probe.listWidget(), 1, 0, 2, 2},
        {probe.pushButton(), 2, 2, 1, 1},
    };
    for (const Place &place : places) {
        QVERIFY(place.widget);
        int row, column, rowSpan, columnSpan;
        layout->getItemPosition(layout->indexOf(place.widget), &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(QList<int>({row, column, rowSpan, columnSpan}),
                 QList<int>({place.row, place.column, place.rowSpan, place.columnSpan}));
    }
    QCOMPARE(probe.listWidget()->maximumWidth(), 220);
    QCOMPARE(probe.listWidget()->maximumHeight(), QWIDGETSIZE_MAX);
    QCOMPARE(probe.pushButton()->text(), QStringLiteral("Сохранить"));
    QVERIFY2(!probe.pushButton()->isEnabled(), "nothing can be saved before a page is on screen");
    QVERIFY(probe.comboBox()->isEnabled());

    // The page list never grows past its limit, whatever the window's width.
    window.show();
    window.resize(1900, 600);
    QTRY_COMPARE(window.width(), 1900);
    QVERIFY(probe.listWidget()->width() <= 220);
    QVERIFY(probe.tableWidget()->width() > 1000);
}

void TestMainWindow::optionTableSetUp()
{
    MainWindow window;
    QTableWidget *table = MainWindowProbe(window).tableWidget();
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(table->columnCount(), 2);
    QVERIFY(table->showGrid());
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("  Настройки  "));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Значение"));
    QVERIFY(table->horizontalHeader()->stretchLastSection());
}

void TestMainWindow::menus()
{
    MainWindow window;
    const QList<QAction *> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus.at(0)->text(), QStringLiteral("Файл"));
    QCOMPARE(menus.at(1)->text(), QStringLiteral("Справка"));

    const QList<QAction *> file = menus.at(0)->menu()->actions();
    QCOMPARE(file.size(), 4);
    QCOMPARE(file.at(0)->text(), QStringLiteral("Редактор модулей"));
    QCOMPARE(file.at(1)->text(), QStringLiteral("Обновить описания"));
    QVERIFY(file.at(2)->isSeparator());
    QCOMPARE(file.at(3)->text(), QStringLiteral("Выход"));
    QCOMPARE(file.at(3)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (QAction *action : {file.at(0), file.at(1)})
        QVERIFY(action->shortcut().isEmpty());

    const QList<QAction *> help = menus.at(1)->menu()->actions();
    QCOMPARE(help.size(), 1);
    QCOMPARE(help.at(0)->text(), QStringLiteral("О программе"));
    QCOMPARE(help.at(0)->parent(), &window);
}

void TestMainWindow::aboutBoxShowsThreeLines()
{
    MainWindow window;
    ModalWatcher watcher;
    window.menuBar()->actions().at(1)->menu()->actions().at(0)->trigger();
    QCOMPARE(watcher.count(), 1);
    const ModalRecord &box = watcher.last();
    QCOMPARE(box.title, QStringLiteral("О программе"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY2(!box.hasParent, "the About box is not tied to the window");
    const QRegularExpression form(QStringLiteral(
        "^Программа конфигуратор модулей Quillnet<br> Версия 0\\.0\\.7 Beta<br>Дата сборки "
        "\\d\\d:\\d\\d:\\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 1-3]\\d \\d{4}$"));
    QVERIFY2(form.match(box.text).hasMatch(), qPrintable(box.text));
    QCOMPARE(box.text.count(QStringLiteral("<br>")), 2);
}

void TestMainWindow::quitEndsTheLoopAndSavesModules_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("menu Выход") << "menu";
    QTest::newRow("Ctrl+Q") << "shortcut";
    QTest::newRow("window closed") << "close";
}

void TestMainWindow::quitEndsTheLoopAndSavesModules()
{
    QFETCH(QString, how);
    int exitCode = -1;
    {
        MainWindow window;
        MainWindowProbe(window).modules() = QStringList{QStringLiteral("10.0.0.7 Lab")};
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTimer::singleShot(0, &window, [&] {
            if (how == QLatin1String("menu"))
                window.menuBar()->actions().at(0)->menu()->actions().at(3)->trigger();
            else if (how == QLatin1String("shortcut"))
                QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
            else
                window.close();
        });
        // Bounded: a quit that does not happen must fail the test, not hang it.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
        guard.start(10000);
        exitCode = QApplication::exec();
    }
    QCOMPARE(exitCode, 0);
    const QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("global/modules")).toString(), QStringLiteral("10.0.0.7 Lab"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
