#include "announcements.h"

#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTextEdit>
#include <QtTest>

#include <functional>
#include <memory>

// Something done to the open editor; it must end the dialog.
using EditorAction = std::function<void(QDialog *)>;
Q_DECLARE_METATYPE(EditorAction)

namespace {

QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 1; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

QStringList listTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QTextEdit *textEdit(QDialog *dialog)
{
    return dialog->findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

void click(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(which)->click();
}

// Runs the modules editor and hands the open dialog to act; message boxes are recorded
// and closed.
void runEditor(MainWindowProbe &probe, ModalWatcher &watcher, const EditorAction &act)
{
    watcher.setHandler([&](QWidget *widget) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        if (dialog && widget->objectName() == QLatin1String("DialogUI"))
            act(dialog);
        else if (auto *box = qobject_cast<QMessageBox *>(widget))
            box->buttons().first()->click();
    });
    probe.modulesedit();
    watcher.setHandler(nullptr);
}

int editorsOpened(const ModalWatcher &watcher)
{
    int dialogs = 0;
    for (const ModalRecord &record : watcher.records)
        dialogs += record.objectName == QLatin1String("DialogUI");
    return dialogs;
}

int messageBoxes(const ModalWatcher &watcher)
{
    int boxes = 0;
    for (const ModalRecord &record : watcher.records)
        boxes += record.className == QLatin1String("QMessageBox");
    return boxes;
}

} // namespace

class TestModulesEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { workDir.reset(); }

    void dialogFromTheMenu();
    void okReplacesTheList_data();
    void okReplacesTheList();
    void okAfterASelectionShowsThePromptWithoutABox();
    void closingWithoutOkChangesNothing_data();
    void closingWithoutOkChangesNothing();
    void moduleAnnouncedWhileOpen_data();
    void moduleAnnouncedWhileOpen();

private:
    void storeModules(const QString &value) const
    {
        QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("global/modules"), value);
    }
    QString storedModules() const
    {
        const QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        return settings.value(QStringLiteral("global/modules")).toString();
    }
    // Selects the module at index and waits until its page list has come in.
    static void selectModule(MainWindowProbe &probe, int index)
    {
        probe.comboBox()->setCurrentIndex(index);
        QTRY_VERIFY(!probe.pagesReply() && !probe.pageReply() && probe.comboBox()->isEnabled());
    }

    std::unique_ptr<TestWorkDir> workDir;
};

void TestModulesEditor::init()
{
    QVERIFY2(discoveryPortFree(), "another program holds UDP port 32700");
    workDir = std::make_unique<TestWorkDir>();
    // A local catalog, so that no download starts with the window.
    workDir->writeFile(QStringLiteral("description.json"), "{}");
}

void TestModulesEditor::dialogFromTheMenu()
{
    storeModules(QStringLiteral("10.0.0.1/10.0.0.2 Boiler/"));
    MainWindow window;
    MainWindowProbe probe(window);
    QAction *action = nullptr;
    for (QAction *candidate : window.findChildren<QAction *>()) {
        if (candidate->text() == QStringLiteral("Редактор модулей"))
            action = candidate;
    }
    QVERIFY(action);

    struct Seen
    {
        QPointer<QDialog> dialog;
        QSize size, maximumSize;
        QString title, text, layoutName;
        bool parented = true, modal = false, cursorAtEnd = false;
        int textRow = -1, textColumn = -1, textRowSpan = 0, textColumnSpan = 0;
        int boxRow = -1, boxColumn = -1, boxRowSpan = 0, boxColumnSpan = 0;
        Qt::Orientation orientation = Qt::Vertical;
        QDialogButtonBox::StandardButtons buttons;
    } seen;
    ModalWatcher watcher;
    watcher.setHandler([&seen](QWidget *widget) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        if (!dialog)
            return;
        seen.dialog = dialog;
        seen.size = dialog->size();
        seen.maximumSize = dialog->maximumSize();
        seen.title = dialog->windowTitle();
        seen.parented = dialog->parentWidget() != nullptr;
        seen.modal = dialog->windowModality() == Qt::ApplicationModal;
        auto *layout = qobject_cast<QGridLayout *>(dialog->layout());
        auto *editor = textEdit(dialog);
        auto *buttonBox = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        if (!layout || !editor || !buttonBox)
            return;
        seen.layoutName = layout->objectName();
        seen.text = editor->toPlainText();
        seen.cursorAtEnd = editor->textCursor().atEnd();
        layout->getItemPosition(layout->indexOf(editor), &seen.textRow, &seen.textColumn, &seen.textRowSpan,
                                &seen.textColumnSpan);
        layout->getItemPosition(layout->indexOf(buttonBox), &seen.boxRow, &seen.boxColumn, &seen.boxRowSpan,
                                &seen.boxColumnSpan);
        seen.orientation = buttonBox->orientation();
        seen.buttons = buttonBox->standardButtons();
        click(dialog, QDialogButtonBox::Cancel);
    });
    action->trigger();

    QCOMPARE(watcher.count(), 1);
    QCOMPARE(watcher.last().className, QStringLiteral("QDialog"));
    QCOMPARE(watcher.last().objectName, QStringLiteral("DialogUI"));
    QCOMPARE(seen.title, QStringLiteral("Редактор модулей"));
    QCOMPARE(seen.size, QSize(379, 461));
    QCOMPARE(seen.maximumSize, QSize(16777215, 16777215));
    QVERIFY(!seen.parented);
    QVERIFY(seen.modal);
    QCOMPARE(seen.layoutName, QStringLiteral("gridLayout"));
    QCOMPARE(seen.text, QStringLiteral("10.0.0.1\n10.0.0.2 Boiler\n"));
    QVERIFY(seen.cursorAtEnd);
    QCOMPARE(QList<int>({seen.textRow, seen.textColumn, seen.textRowSpan, seen.textColumnSpan}),
             QList<int>({0, 0, 1, 1}));
    QCOMPARE(QList<int>({seen.boxRow, seen.boxColumn, seen.boxRowSpan, seen.boxColumnSpan}),
             QList<int>({1, 0, 1, 1}));
    QCOMPARE(seen.orientation, Qt::Horizontal);
    QCOMPARE(seen.buttons, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QVERIFY2(!seen.dialog, "the dialog is gone once the editor returns");
}

void TestModulesEditor::okReplacesTheList_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("edit");     // a null text: no edit
    QTest::addColumn<bool>("asHtml");      // pasted with formatting
    QTest::addColumn<QStringList>("modules");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("addresses");

    const QString stored = QStringLiteral("10.0.0.1/10.0.0.2 Boiler");
    QTest::newRow("Ok without edits") << stored << QString() << false << QStringList{"10.0.0.1", "10.0.0.2 Boiler"}
                                      << QStringList{"10.0.0.1", "Boiler"} << QStringList{"10.0.0.1", "10.0.0.2"};
    QTest::newRow("Ok without edits, entry holding a line feed")
        << QStringLiteral("a\nb/c") << QString() << false << QStringList{"a", "b", "c"}
        << QStringList{"a", "b", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("text ending with a line break")
        << stored << QStringLiteral("10.0.0.1\n") << false << QStringList{"10.0.0.1", ""}
        << QStringList{"10.0.0.1", ""} << QStringList{"10.0.0.1", ""};
    QTest::newRow("all text deleted") << stored << QStringLiteral("") << false << QStringList{""}
                                      << QStringList{""} << QStringList{""};
    QTest::newRow("blanks kept as typed")
        << stored << QStringLiteral(" 10.0.0.1\n10.0.0.2 \n10.0.0.3  Boiler\n10.0.0.4 Boiler room\n\n ") << false
        << QStringList{" 10.0.0.1", "10.0.0.2 ", "10.0.0.3  Boiler", "10.0.0.4 Boiler room", "", " "}
        << QStringList{"10.0.0.1", "10.0.0.2 ", "10.0.0.3  Boiler", "Boiler", "", " "}
        << QStringList{"", "10.0.0.2 ", "10.0.0.3  Boiler", "10.0.0.4", "", " "};
    QTest::newRow("same address twice, a slash, Cyrillic")
        << QString() << QStringLiteral("10.0.0.1\n10.0.0.1 Котельная\n10.0.0.5/x") << false
        << QStringList{"10.0.0.1", "10.0.0.1 Котельная", "10.0.0.5/x"}
        << QStringList{"10.0.0.1", "Котельная", "10.0.0.5/x"} << QStringList{"10.0.0.1", "10.0.0.1", "10.0.0.5/x"};
    QTest::newRow("pasted formatting dropped")
        << stored << QStringLiteral("<p><b>10.0.0.7</b> <i>Boiler</i></p><p>10.0.0.8</p>") << true
        << QStringList{"10.0.0.7 Boiler", "10.0.0.8"} << QStringList{"Boiler", "10.0.0.8"}
        << QStringList{"10.0.0.7", "10.0.0.8"};
}

void TestModulesEditor::okReplacesTheList()
{
    QFETCH(QString, stored);
    QFETCH(QString, edit);
    QFETCH(bool, asHtml);
    QFETCH(QStringList, modules);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, addresses);
    if (!stored.isNull())
        storeModules(stored);
    ModalWatcher watcher;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        runEditor(probe, watcher, [&](QDialog *dialog) {
            if (asHtml)
                textEdit(dialog)->setHtml(edit);
            else if (!edit.isNull())
                textEdit(dialog)->setPlainText(edit);
            click(dialog, QDialogButtonBox::Ok);
        });
        QCOMPARE(editorsOpened(watcher), 1);
        QCOMPARE(probe.modules(), modules);
        QCOMPARE(itemTexts(probe.comboBox()), texts);
        QCOMPARE(selectorAddresses(probe.comboBox()), addresses);
        QCOMPARE(probe.comboBox()->currentIndex(), 0);
        QCOMPARE(probe.comboBox()->itemText(0), QStringLiteral("Выберете модуль"));
        QVERIFY2(!probe.pagesReply(), "refilling the selector asks no module for its pages");
    }
    QCOMPARE(messageBoxes(watcher), 0);
    QCOMPARE(storedModules(), modules.join(QLatin1Char('/')));
}

void TestModulesEditor::okAfterASelectionShowsThePromptWithoutABox()
{
    SimFixture fx;
    storeModules(fx.address() + QStringLiteral(" Sim/10.0.0.2"));
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);
    selectModule(probe, 1);
    if (QTest::currentTestFailed())
        return;
    const QString address = probe.moduleAddress();
    const QStringList pages = listTexts(probe.listWidget());

    runEditor(probe, watcher, [](QDialog *dialog) { click(dialog, QDialogButtonBox::Ok); });

    QCOMPARE(probe.comboBox()->currentIndex(), 0);
    QCOMPARE(probe.comboBox()->count(), 3);
    QVERIFY2(!probe.pagesReply(), "losing the selection asks no module for its pages");
    QCOMPARE(probe.moduleAddress(), address);
    QCOMPARE(listTexts(probe.listWidget()), pages);
    QCOMPARE(messageBoxes(watcher), 0);
}

void TestModulesEditor::closingWithoutOkChangesNothing_data()
{
    QTest::addColumn<EditorAction>("close");
    QTest::newRow("Cancel") << EditorAction(
        [](QDialog *dialog) { click(dialog, QDialogButtonBox::Cancel); });
    QTest::newRow("Escape") << EditorAction(
        [](QDialog *dialog) { QTest::keyClick(textEdit(dialog), Qt::Key_Escape); });
    QTest::newRow("window closed") << EditorAction([](QDialog *dialog) { dialog->close(); });
}

void TestModulesEditor::closingWithoutOkChangesNothing()
{
    QFETCH(EditorAction, close);
    SimFixture fx;
    const QStringList stored{fx.address() + QStringLiteral(" Sim"), QStringLiteral("10.0.0.2")};
    storeModules(stored.join(QLatin1Char('/')));
    ModalWatcher watcher;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        selectModule(probe, 1);
        if (QTest::currentTestFailed())
            return;
        const QStringList pages = listTexts(probe.listWidget());

        runEditor(probe, watcher, [&](QDialog *dialog) {
            textEdit(dialog)->setPlainText(QStringLiteral("10.0.0.9 Changed"));
            close(dialog);
        });

        QCOMPARE(editorsOpened(watcher), 1);
        QCOMPARE(probe.modules(), stored);
        QCOMPARE(itemTexts(probe.comboBox()), (QStringList{"Sim", "10.0.0.2"}));
        QCOMPARE(probe.comboBox()->currentIndex(), 1);
        QCOMPARE(listTexts(probe.listWidget()), pages);
    }
    QCOMPARE(messageBoxes(watcher), 0);
    QCOMPARE(storedModules(), stored.join(QLatin1Char('/')));
}

void TestModulesEditor::moduleAnnouncedWhileOpen_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("then Ok") << true;
    QTest::newRow("then Cancel") << false;
}

void TestModulesEditor::moduleAnnouncedWhileOpen()
{
    QFETCH(bool, accept);
    const QString announced = QStringLiteral("127.0.0.7");
    storeModules(QStringLiteral("10.0.0.1"));
    ModalWatcher watcher;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        ModuleSender module(announced);
        bool seenWhileOpen = false;
        runEditor(probe, watcher, [&](QDialog *dialog) {
            textEdit(dialog)->setPlainText(QStringLiteral("10.0.0.1\n10.0.0.2"));
            QVERIFY(module.announce());
            QTRY_VERIFY(selectorHas(probe.comboBox(), announced));
            seenWhileOpen = probe.modules().contains(announced);
            click(dialog, accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
        });
        QVERIFY2(seenWhileOpen, "discovery goes on while the editor is open");

        if (accept) {
            QCOMPARE(probe.modules(), (QStringList{"10.0.0.1", "10.0.0.2"}));
            QCOMPARE(selectorAddresses(probe.comboBox()), (QStringList{"10.0.0.1", "10.0.0.2"}));
            // Forgotten with the old list: the next announcement brings it back.
            QVERIFY(module.announce());
            QTRY_VERIFY(selectorHas(probe.comboBox(), announced));
            QCOMPARE(probe.modules(), (QStringList{"10.0.0.1", "10.0.0.2", announced}));
        } else {
            QCOMPARE(probe.modules(), (QStringList{"10.0.0.1", announced}));
            QCOMPARE(selectorAddresses(probe.comboBox()), (QStringList{"10.0.0.1", announced}));
        }

        // The next opening shows the list as it is now.
        QString text;
        runEditor(probe, watcher, [&](QDialog *dialog) {
            text = textEdit(dialog)->toPlainText();
            click(dialog, QDialogButtonBox::Cancel);
        });
        QCOMPARE(text, probe.modules().join(QLatin1Char('\n')));
    }
    QCOMPARE(messageBoxes(watcher), 0);
    QCOMPARE(storedModules(), accept ? QStringLiteral("10.0.0.1/10.0.0.2/127.0.0.7")
                                     : QStringLiteral("10.0.0.1/127.0.0.7"));
}

QTEST_MAIN(TestModulesEditor)
#include "tst_moduleseditor.moc"
