#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/testworkdir.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWorkDir> workDir;

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void widgetTree()
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QCOMPARE(window.objectName(), "MainWindow");
        QCOMPARE(window.windowTitle(), "Quillnet Configurator");
        QCOMPARE(window.size(), QSize(511, 454));
        QCOMPARE(window.maximumSize(), QSize(2000, QWIDGETSIZE_MAX));

        auto *layout = window.findChild<QGridLayout *>("gridLayout");
        QVERIFY(layout);
        QCOMPARE(layout->spacing(), 6);
        QCOMPARE(layout->contentsMargins(), QMargins(11, 11, 11, 11));
        QCOMPARE(window.centralWidget()->objectName(), "centralWidget");
        const auto place = [layout](QWidget *widget) {
            int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
            layout->getItemPosition(layout->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
            return QList<int>{row, column, rowSpan, columnSpan};
        };
        QCOMPARE(place(probe.comboBox()), (QList<int>{0, 0, 1, 2}));
        QCOMPARE(place(probe.tableWidget()), (QList<int>{0, 2, 2, 1}));
        QCOMPARE(place(probe.listWidget()), (QList<int>{1, 0, 2, 2}));
        QCOMPARE(place(probe.pushButton()), (QList<int>{2, 2, 1, 1}));
        QCOMPARE(probe.listWidget()->maximumWidth(), 220);
        QCOMPARE(probe.pushButton()->text(), "Сохранить");
        QVERIFY2(!probe.pushButton()->isEnabled(), "nothing can be saved before a page is on screen");

        QTableWidget *table = probe.tableWidget();
        QCOMPARE(table->columnCount(), 2);
        QVERIFY(table->showGrid());
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(table->horizontalHeaderItem(0)->text(), "  Настройки  ");
        QCOMPARE(table->horizontalHeaderItem(1)->text(), "Значение");
        QVERIFY(table->horizontalHeader()->stretchLastSection());

        // The page list never grows past its limit, whatever the window's width.
        window.show();
        window.resize(1900, 600);
        QTRY_COMPARE(window.width(), 1900);
        QVERIFY(probe.listWidget()->width() <= 220);
        QVERIFY(probe.tableWidget()->width() > 1000);
    }

    void menus()
    {
        MainWindow window;
        const QList<QAction *> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus.at(0)->text(), "Файл");
        QCOMPARE(menus.at(1)->text(), "Справка");
        // Each item as "text|shortcut"; the separator has neither.
        const auto items = [](QAction *menu) {
            QStringList texts;
            for (QAction *action : menu->menu()->actions())
                texts << action->text() + '|' + action->shortcut().toString(QKeySequence::PortableText);
            return texts;
        };
        QCOMPARE(items(menus.at(0)),
                 (QStringList{"Редактор модулей|", "Обновить описания|", "|", "Выход|Ctrl+Q"}));
        QVERIFY(menus.at(0)->menu()->actions().at(2)->isSeparator());
        QCOMPARE(items(menus.at(1)), QStringList{"О программе|"});
    }

    void aboutBoxShowsThreeLines()
    {
        MainWindow window;
        ModalWatcher watcher;
        window.menuBar()->actions().at(1)->menu()->actions().at(0)->trigger();
        QCOMPARE(watcher.count(), 1);
        const ModalRecord &box = watcher.last();
        QCOMPARE(box.title, "О программе");
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY2(!box.hasParent, "the About box is not tied to the window");
        const QRegularExpression form(
            "^Программа конфигуратор модулей Quillnet<br> Версия 0\\.0\\.7 Beta<br>Дата сборки "
            "\\d\\d:\\d\\d:\\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 1-3]\\d \\d{4}$");
        QVERIFY2(form.match(box.text).hasMatch(), qPrintable(box.text));
    }

    void quitEndsTheLoopAndSavesModules_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("modules"); // null: as read from an empty folder
        QTest::newRow("menu Выход") << "menu" << QStringLiteral("10.0.0.7 Lab");
        QTest::newRow("Ctrl+Q in an empty folder") << "shortcut" << QString();
        QTest::newRow("window closed") << "close" << QStringLiteral("10.0.0.7 Lab");
    }
    void quitEndsTheLoopAndSavesModules()
    {
        QFETCH(QString, how);
        QFETCH(QString, modules);
        int exitCode = -1;
        {
            MainWindow window;
            if (!modules.isNull())
                MainWindowProbe(window).modules() = QStringList{modules};
            window.show();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTimer::singleShot(0, &window, [&] {
                if (how == "menu")
                    window.menuBar()->actions().at(0)->menu()->actions().at(3)->trigger();
                else if (how == "shortcut")
                    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
                else
                    window.close();
            });
            // Bounded: a quit that does not happen must fail the test, not hang it.
            QTimer guard;
            connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
            guard.start(10000);
            exitCode = QApplication::exec();
        }
        QCOMPARE(exitCode, 0);
        const QSettings settings(workDir->filePath("options.ini"), QSettings::IniFormat);
        QCOMPARE(settings.childGroups(), QStringList{"global"});
        QVERIFY(settings.contains("global/modules"));
        QCOMPARE(settings.value("global/modules").toString(), modules);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
