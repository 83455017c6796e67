#include "core/modules/modulelistfile.h"
#include "support/waituntil.h"
#include "support/windowfixture.h"

// The window's shell: quitting from its File menu ends the event loop, and the window
// saves the module list as it goes; no step drops the page's edits unasked.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void editsAreNeverDroppedUnasked_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("answer");
        for (const char *step : {"page", "module", "modules editor", "reload", "quit"}) {
            QTest::addRow("%s, Save", step) << step << int(QMessageBox::Save);
            QTest::addRow("%s, Discard", step) << step << int(QMessageBox::Discard);
            QTest::addRow("%s, Cancel", step) << step << int(QMessageBox::Cancel);
        }
    }
    // Each step that would drop an edit asks first. Save goes on once the module has the edit,
    // Discard goes on without it, Cancel leaves everything as it was.
    void editsAreNeverDroppedUnasked()
    {
        QFETCH(QString, step);
        QFETCH(int, answer);
        WindowFixture f;
        f.open({f.address() + " first", f.address() + " second"});
        QVERIFY(f.selectModule(1) && f.openPage("1"));
        auto *port = qobject_cast<QLineEdit *>(
            f.probe->tableWidget()->cellWidget(f.probe->rowKeys().indexOf("port"), 1));
        QVERIFY(port);
        port->setText("8080");
        f.modals.setHandler([answer](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                box->button(QMessageBox::StandardButton(answer))->click();
            else // the modules editor
                modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        const int pageRequests = f.sim.requests().count("/jsonoptions?select=1");

        bool closed = false;
        if (step == "page")
            QVERIFY(f.requestPage("2"));
        else if (step == "module")
            f.probe->comboBox()->setCurrentIndex(2);
        else if (step == "quit")
            closed = f.window->close();
        else
            QVERIFY(f.trigger(step == "reload" ? "Обновить страницу" : "Редактор модулей"));

        QCOMPARE(f.boxes().filter("Настройки страницы изменены. Сохранить их на модуле?").size(), 1);
        QCOMPARE(f.sim.writes().size(), answer == QMessageBox::Save ? 1 : 0);
        if (answer == QMessageBox::Save)
            QCOMPARE(jsonObject(f.sim.writes().constFirst()).value("1").toObject().value("port"),
                     QJsonValue(8080));
        const bool wentOn = answer != QMessageBox::Cancel;
        const QListWidgetItem *page = f.probe->listWidget()->currentItem();
        QCOMPARE(page ? page->data(Qt::UserRole).toString() : QString(),
                 !wentOn || step == "reload" || step == "quit" ? "1"
                     : step == "page"                          ? "2"
                                                               : "");
        QCOMPARE(f.probe->comboBox()->currentIndex(),
                 !wentOn                        ? 1
                     : step == "module"         ? 2
                     : step == "modules editor" ? 0
                                                : 1);
        // A save reads the page again before its write and back after it.
        WAIT_COMPARE(f.sim.requests().count("/jsonoptions?select=1"),
                     pageRequests + (wentOn && step == "reload") + 2 * (answer == QMessageBox::Save));
        QCOMPARE(closed, wentOn && step == "quit");
        if (!wentOn)
            QVERIFY(port->text() == "8080" && f.probe->pushButton()->isEnabled());
    }

    void quitEndsTheLoopAndTheModuleListIsSaved()
    {
        WindowFixture f;
        f.open({"10.0.0.7 Lab"});
        f.probe->modules() << "10.0.0.8";
        QTimer::singleShot(0, f.window.get(), [&] { QVERIFY(f.trigger("Выход")); });
        // Bounded: a quit that does not happen must fail the test, not hang it.
        QTimer guard;
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
        guard.start(kWaitMs);
        QCOMPARE(QApplication::exec(), 0);
        f.closeWindow();
        QCOMPARE(readModuleList(kModuleListFileName), (QStringList{"10.0.0.7 Lab", "10.0.0.8"}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
