#include "support/waituntil.h"
#include "support/windowfixture.h"

#include <functional>

namespace {

const QString kAnnounced = QStringLiteral("127.0.0.7");

QTextEdit *textEdit(QDialog *dialog)
{
    return dialog->findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

// Opens the modules editor from the window's menu and hands it to act, which must end it;
// returns the text it opened with. Anything else modal is recorded, and closed by the watcher.
QString runEditor(WindowFixture &f, const std::function<void(QDialog *)> &act)
{
    QString opened;
    f.modals.setHandler([&](QWidget *widget) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        QVERIFY(dialog && dialog->objectName() == QLatin1String("DialogUI") && textEdit(dialog));
        opened = textEdit(dialog)->toPlainText();
        act(dialog);
    });
    QTest::qVerify(f.trigger("Редактор модулей"), "trigger", "a menu item opens the editor", __FILE__,
                   __LINE__);
    f.modals.setHandler(nullptr);
    return opened;
}

} // namespace

class TestModulesEditor : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY2(discoveryPortFree(), "another program holds UDP port 32700"); }

    void editedWhileAModuleIsSelectedAndAnnounced_data()
    {
        QTest::addColumn<QString>("edit"); // a null text: no edit
        QTest::addColumn<bool>("ok"); // else Cancel
        QTest::addColumn<QStringList>("modules"); // afterwards; SIM stands for the simulator's address
        QTest::newRow("Ok without edits, an entry holding a line feed")
            << QString() << true << QStringList{"SIM Sim", "10.0.0.2 Boiler", "room"};
        QTest::newRow("edited") << "10.0.0.1 Boiler\n" << true << QStringList{"10.0.0.1 Boiler", ""};
        QTest::newRow("Cancel") << "10.0.0.9" << false
                                << QStringList{"SIM Sim", "10.0.0.2 Boiler\nroom", kAnnounced};
    }
    // With a module selected and its pages listed, the text is edited and a module announced
    // while the editor is open. Ok replaces the list, forgetting the announced module, and shows
    // the prompt without any box; Cancel changes nothing.
    void editedWhileAModuleIsSelectedAndAnnounced()
    {
        QFETCH(QString, edit);
        QFETCH(bool, ok);
        QFETCH(QStringList, modules);
        WindowFixture f;
        modules.replaceInStrings("SIM", f.address());
        const QStringList atExit = ok ? modules + QStringList{kAnnounced} : modules;
        f.open({f.address() + " Sim", "10.0.0.2 Boiler\nroom"});
        QVERIFY(f.selectModule(1));
        const int pages = f.pageKeys().size();

        runEditor(f, [&](QDialog *dialog) {
            if (!edit.isNull())
                textEdit(dialog)->setPlainText(edit);
            // Waited for without running the event loop: the watcher, whose call this is, could
            // not close a box that came up meanwhile.
            QVERIFY(sendFrom(kAnnounced, "U1") && f.probe->udpSocket().waitForReadyRead(kWaitMs));
            QVERIFY2(f.probe->modules().contains(kAnnounced), "discovery goes on while the editor is open");
            dialog->findChild<QDialogButtonBox *>()
                ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                ->click();
        });
        QCOMPARE(f.modals.count(), 1);
        QCOMPARE(f.probe->modules(), modules);
        QCOMPARE(f.probe->comboBox()->count(), modules.size() + 1);
        QCOMPARE(f.probe->comboBox()->currentIndex(), ok ? 0 : 1);
        // With no module selected, the pages of the one before go too.
        QCOMPARE(f.pageKeys().size(), ok ? 0 : pages);
        QVERIFY2(!f.probe->pagesReply(), "the selector asks no module for its pages");
        if (ok) {
            QVERIFY(sendFrom(kAnnounced, "U1"));
            WAIT_COMPARE(f.probe->modules(), atExit);
        }
        // The next opening shows the list as it is now.
        QCOMPARE(runEditor(f, [](QDialog *dialog) { dialog->reject(); }), atExit.join('\n'));
    }
};

QTEST_MAIN(TestModulesEditor)
#include "tst_moduleseditor.moc"
