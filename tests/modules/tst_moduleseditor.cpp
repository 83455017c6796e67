#include "announcements.h"

#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <functional>
#include <memory>

// Something done to the open editor; it must end the dialog.
using EditorAction = std::function<void(QDialog *)>;
Q_DECLARE_METATYPE(EditorAction)

namespace {

const QString kAnnounced = QStringLiteral("127.0.0.7");

QTextEdit *textEdit(QDialog *dialog)
{
    return dialog->findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

void click(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(buttons && buttons->button(which));
    buttons->button(which)->click();
}

// Opens the modules editor from the window's menu, checks what it is and hands it to act;
// returns the text it opened with. Anything else modal is recorded, and closed by the watcher.
QString runEditor(MainWindow &window, ModalWatcher &watcher, const EditorAction &act)
{
    QString opened;
    watcher.setHandler([&](QWidget *widget) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        QVERIFY(dialog && dialog->objectName() == QLatin1String("DialogUI") && textEdit(dialog));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Редактор модулей"));
        QCOMPARE(dialog->size(), QSize(379, 461));
        opened = textEdit(dialog)->toPlainText();
        act(dialog);
    });
    window.menuBar()->actions().at(0)->menu()->actions().at(0)->trigger();
    watcher.setHandler(nullptr);
    return opened;
}

} // namespace

class TestModulesEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { workDir.reset(); }

    void editedWhileAModuleIsSelectedAndAnnounced_data();
    void editedWhileAModuleIsSelectedAndAnnounced();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestModulesEditor::init()
{
    QVERIFY2(discoveryPortFree(), "another program holds UDP port 32700");
    workDir = std::make_unique<TestWorkDir>();
    // A local catalog, so that no download starts with the window.
    workDir->writeFile(QStringLiteral("description.json"), "{}");
}

void TestModulesEditor::editedWhileAModuleIsSelectedAndAnnounced_data()
{
    QTest::addColumn<QString>("edit"); // a null text: no edit; rich text: pasted with formatting
    QTest::addColumn<EditorAction>("close");
    QTest::addColumn<QStringList>("modules"); // afterwards; SIM stands for the simulator's address

    const EditorAction ok = [](QDialog *dialog) {
        click(dialog, QDialogButtonBox::Ok);
    };
    const QStringList unchanged{"SIM Sim", "10.0.0.2 Boiler\nroom", kAnnounced};
    QTest::newRow("Ok without edits, an entry holding a line feed")
        << QString() << ok << QStringList{"SIM Sim", "10.0.0.2 Boiler", "room"};
    QTest::newRow("text ending with a line break") << "10.0.0.1\n" << ok << QStringList{"10.0.0.1", ""};
    QTest::newRow("all text deleted") << "" << ok << QStringList{""};
    QTest::newRow("blanks kept as typed")
        << " 10.0.0.1\n10.0.0.2 \n10.0.0.3  Boiler\n10.0.0.4 Boiler room\n\n " << ok
        << QStringList{" 10.0.0.1", "10.0.0.2 ", "10.0.0.3  Boiler", "10.0.0.4 Boiler room", "", " "};
    QTest::newRow("same address twice, a slash, Cyrillic")
        << "10.0.0.1\n10.0.0.1 Котельная\n10.0.0.5/x" << ok
        << QStringList{"10.0.0.1", "10.0.0.1 Котельная", "10.0.0.5/x"};
    QTest::newRow("pasted formatting dropped") << "<p><b>10.0.0.7</b> <i>Boiler</i></p><p>10.0.0.8</p>" << ok
                                               << QStringList{"10.0.0.7 Boiler", "10.0.0.8"};
    QTest::newRow("Cancel") << "10.0.0.9"
                            << EditorAction([](QDialog *dialog) { click(dialog, QDialogButtonBox::Cancel); })
                            << unchanged;
    QTest::newRow("Escape") << "10.0.0.9" << EditorAction([](QDialog *dialog) {
        QTest::keyClick(textEdit(dialog), Qt::Key_Escape);
    }) << unchanged;
    QTest::newRow("window closed") << "10.0.0.9" << EditorAction([](QDialog *dialog) { dialog->close(); })
                                   << unchanged;
}

// With a module selected and its pages listed, the text is edited and a module announced
// while the editor is open. Ok replaces the list, forgetting the announced module, and shows
// the prompt without any box; every other way out changes nothing.
void TestModulesEditor::editedWhileAModuleIsSelectedAndAnnounced()
{
    QFETCH(QString, edit);
    QFETCH(EditorAction, close);
    QFETCH(QStringList, modules);
    SimFixture fx;
    modules.replaceInStrings(QStringLiteral("SIM"), fx.address());
    const bool accepted = !modules.contains(kAnnounced);
    const QStringList atExit = accepted ? modules + QStringList{kAnnounced} : modules;
    storeModules(fx.address() + QStringLiteral(" Sim/10.0.0.2 Boiler\nroom"));
    ModalWatcher watcher;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        probe.comboBox()->setCurrentIndex(1);
        QTRY_VERIFY(!probe.pagesReply() && !probe.pageReply() && probe.listWidget()->count() > 0);
        const int pages = probe.listWidget()->count();

        runEditor(window, watcher, [&](QDialog *dialog) {
            if (Qt::mightBeRichText(edit))
                textEdit(dialog)->setHtml(edit);
            else if (!edit.isNull())
                textEdit(dialog)->setPlainText(edit);
            // Waited for without running the event loop: the watcher, whose call this is, could
            // not close a box that came up meanwhile.
            QVERIFY(sendFrom(kAnnounced, "U1") && probe.udpSocket().waitForReadyRead(5000));
            QVERIFY2(probe.modules().contains(kAnnounced), "discovery goes on while the editor is open");
            close(dialog);
        });
        QCOMPARE(watcher.count(), 1);
        QCOMPARE(probe.modules(), modules);
        QCOMPARE(probe.comboBox()->count(), modules.size() + 1);
        QCOMPARE(probe.comboBox()->currentIndex(), accepted ? 0 : 1);
        QCOMPARE(probe.listWidget()->count(), pages);
        QVERIFY2(!probe.pagesReply(), "the selector asks no module for its pages");
        if (accepted) {
            QVERIFY(sendFrom(kAnnounced, "U1"));
            QTRY_COMPARE(probe.modules(), atExit);
        }
        // The next opening shows the list as it is now.
        QCOMPARE(runEditor(window, watcher, [](QDialog *dialog) { dialog->reject(); }),
                 atExit.join(QLatin1Char('\n')));
    }
    QCOMPARE(storedModules(), atExit.join(QLatin1Char('/')));
}

QTEST_MAIN(TestModulesEditor)
#include "tst_moduleseditor.moc"
