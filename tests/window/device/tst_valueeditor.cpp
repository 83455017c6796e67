#include "support/windowfixture.h"

// The multi-line editor of a text cell: opened from the cell's value column alone, seeded
// with its text, and writing back into it only on Ok, and only while the cell is still there.
class TestValueEditor : public QObject
{
    Q_OBJECT

private slots:
    void editsTheCell_data()
    {
        QTest::addColumn<bool>("ok"); // else Cancel
        QTest::addColumn<bool>("byKeys"); // Ok given by Ctrl+Enter in the text, not the button
        QTest::addColumn<bool>("reload"); // the page is loaded afresh while the editor is open
        QTest::addColumn<QString>("text"); // of the cell afterwards
        QTest::newRow("Ok") << true << false << false << "old first\nsecond";
        QTest::newRow("Ctrl+Enter") << true << true << false << "old first\nsecond";
        QTest::newRow("Cancel") << false << false << false << "old";
        // The text typed for the old table must not land in the new one.
        QTest::newRow("Ok after the page was loaded afresh") << true << false << true << "old";
    }
    void editsTheCell()
    {
        QFETCH(bool, ok);
        QFETCH(bool, byKeys);
        QFETCH(bool, reload);
        QFETCH(QString, text);
        WindowFixture f;
        f.sim.setPages(jsonObject(R"({"p": {"port": 80, "grp": {"a": 1}, "note": "old"}, "q": {"x": 1}})"));
        f.open({f.address()}, R"({"p": {"note": {"type": 6}}})");
        f.window->show();
        QVERIFY(f.selectModule() && f.openPage("p"));
        QTableWidget *table = f.probe->tableWidget();
        const QStringList keys = f.probe->rowKeys();
        const int note = keys.indexOf("note");
        for (const int row :
             {keys.indexOf("port"), keys.indexOf("grp"), keys.indexOf("grp:a"), table->rowCount(), -1})
            f.probe->clicktable(row, 1);
        f.probe->clicktable(note, 0);
        QCOMPARE(f.modals.count(), 0);

        QString seeded;
        bool reloaded = !reload;
        f.modals.setHandler([&](QWidget *dialog) {
            if (reload)
                reloaded = f.openPage("q") && f.openPage("p");
            auto *textEdit = dialog->findChild<QTextEdit *>("textEdit");
            seeded = textEdit->toPlainText();
            QTest::keyClicks(textEdit, " first");
            QTest::keyClick(textEdit, Qt::Key_Return);
            QTest::keyClicks(textEdit, "second");
            if (byKeys) {
                // Shortcuts go to the active window, and offscreen the dialog may not be active
                // yet when it is handed over; a person types into the window shown active.
                QApplication::setActiveWindow(dialog);
                QTest::keyClick(textEdit, Qt::Key_Return, Qt::ControlModifier);
                return;
            }
            dialog->findChild<QDialogButtonBox *>()
                ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                ->click();
        });
        table->setCurrentCell(note, 1);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Return);
        QVERIFY(reloaded);
        QCOMPARE(f.modals.count(), 1);
        QCOMPARE(seeded, QStringLiteral("old"));
        QCOMPARE(table->item(note, 1)->text(), text);
    }
};

QTEST_MAIN(TestValueEditor)
#include "tst_valueeditor.moc"
