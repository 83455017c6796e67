#include "modulesession.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QJsonDocument>
#include <QLineEdit>
#include <QNetworkReply>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

constexpr int kWaitMs = 10000;

QJsonObject json(const char *text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(text), &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("Bad JSON in the test: %s", qPrintable(error.errorString()));
    return document.object();
}

QByteArray compact(const char *text)
{
    return QJsonDocument(json(text)).toJson(QJsonDocument::Compact);
}

// "3" is the worked example of a save; "kinds" holds one row of every kind; "shared" is
// described by one "allcfg" entry.
const char *const kPages = R"({
    "3": {"en": 1, "mode": "2", "name": "home", "net": {"ch": 6, "tag": "hi"}},
    "kinds": {"en": 0, "half": 0, "port": 80, "empty": 5, "speed": 2, "note": "old",
              "grp": {"mask": {"a": 1, "b": "x"}, "sub": "s", "en": 1}},
    "shared": {"a": 1, "b": "0", "grp": {"ch": 8}}
})";
const char *const kCatalog = R"({
    "3": {"mode": {"type": 4, "data": "1=STA,2=AP"}},
    "kinds": {"half": {"type": 1}, "speed": {"type": 4, "data": "1=Slow,2=Fast"}, "note": {"type": 6}},
    "shared": {"allcfg": {"title": "Out", "type": 4, "data": "0=Off,1=On",
                          "ch": {"type": 4, "data": "7=Seven,8=Eight"}}}
})";

} // namespace

class TestSaving : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void workedExampleReachesTheModule();
    void everyRowKindWritesItsValue();
    void sharedChoiceLists();
    void urlSignificantTextArrivesIntact_data();
    void urlSignificantTextArrivesIntact();
    void refusedWithoutAPageOfTheSelectedModule();
    void failedWriteKeepsTheMergedValues();
    void overlappingSaves();
    void choiceOutsideItsListKeepsTheStoredValue();
    void foreignEditorsAreSkipped();
    void valueEditorOk();
    void valueEditorLeavesTheItem_data();
    void valueEditorLeavesTheItem();
    void valueEditorOpensOnlyOnTextCells();
    void valueEditorOnAnEmptyCell();
    void valueEditorAfterTheTableWasRefilled();

private:
    // Opens the window on the simulator (and on extra modules, listed after it).
    void openWindow(const QStringList &extraModules = {});
    bool selectModule(int index) { return session->selectModule(index); }
    bool openPage(const QString &key) { return session->openPage(key) && probe->pageShown(); }
    bool save();
    int row(const QString &rowKey) const { return probe->rowKeys().indexOf(rowKey); }
    template<typename Editor>
    Editor *editor(const QString &rowKey) const
    {
        auto *found = qobject_cast<Editor *>(probe->tableWidget()->cellWidget(row(rowKey), 1));
        if (!found)
            qFatal("No %s in the row %s", Editor::staticMetaObject.className(), qPrintable(rowKey));
        return found;
    }
    QTableWidgetItem *cell(const QString &rowKey) const { return probe->tableWidget()->item(row(rowKey), 1); }
    QByteArray lastWrite() const { return fx->sim.writes().value(fx->sim.writes().size() - 1); }

    std::unique_ptr<TestWorkDir> workDir;
    std::unique_ptr<SimFixture> fx;
    std::unique_ptr<ModuleSession> session;
    ModalWatcher *watcher = nullptr;
    MainWindowProbe *probe = nullptr;
};

void TestSaving::init()
{
    workDir = std::make_unique<TestWorkDir>();
    fx = std::make_unique<SimFixture>();
    fx->sim.setPages(json(kPages), {QStringLiteral("3"), QStringLiteral("kinds"), QStringLiteral("shared")});
}

void TestSaving::cleanup()
{
    session.reset();
    fx.reset();
    workDir.reset();
}

void TestSaving::openWindow(const QStringList &extraModules)
{
    session = std::make_unique<ModuleSession>(QStringList{fx->address()} + extraModules, QByteArray(kCatalog));
    watcher = &session->modals;
    probe = session->probe.get();
    session->window->show();
}

// Presses Save and waits until the module has answered.
bool TestSaving::save()
{
    const int before = fx->sim.writes().size();
    probe->pushButton()->click();
    return QTest::qWaitFor([&] { return fx->sim.writes().size() == before + 1 && !probe->saveReply(); },
                           kWaitMs);
}

void TestSaving::workedExampleReachesTheModule()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("3")));

    editor<QCheckBox>(QStringLiteral("en"))->setChecked(false);
    editor<QComboBox>(QStringLiteral("mode"))->setCurrentIndex(0);
    editor<QLineEdit>(QStringLiteral("name"))->setText(QStringLiteral("lab"));
    editor<QLineEdit>(QStringLiteral("net:ch"))->setText(QStringLiteral("11"));

    // The button stays disabled while the module takes its time to answer.
    fx->sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 500, 200});
    QTest::ignoreMessage(QtDebugMsg, "----------------------------");
    QTest::ignoreMessage(QtDebugMsg, "OK");
    probe->pushButton()->click();
    QVERIFY(probe->saveReply());
    QVERIFY(!probe->pushButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!probe->saveReply(), kWaitMs);
    QVERIFY(probe->pushButton()->isEnabled());

    const QByteArray expected = R"({"3":{"en":0,"mode":"1","name":"lab","net":{"ch":11,"tag":"hi"}}})";
    QCOMPARE(fx->sim.writes(), QList<QByteArray>{expected});

    // Loaded again, the page shows what was written.
    QVERIFY(openPage(QStringLiteral("kinds")));
    QVERIFY(openPage(QStringLiteral("3")));
    QCOMPARE(editor<QCheckBox>(QStringLiteral("en"))->checkState(), Qt::Unchecked);
    QCOMPARE(editor<QComboBox>(QStringLiteral("mode"))->currentText(), QStringLiteral("STA"));
    QCOMPARE(editor<QLineEdit>(QStringLiteral("name"))->text(), QStringLiteral("lab"));
    QCOMPARE(editor<QLineEdit>(QStringLiteral("net:ch"))->text(), QStringLiteral("11"));
    QCOMPARE(editor<QLineEdit>(QStringLiteral("net:tag"))->text(), QStringLiteral("hi"));
    QCOMPARE(watcher->count(), 0);
}

void TestSaving::everyRowKindWritesItsValue()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));

    editor<QCheckBox>(QStringLiteral("en"))->setChecked(true);
    QCheckBox *half = editor<QCheckBox>(QStringLiteral("half"));
    half->setTristate(true);
    half->setCheckState(Qt::PartiallyChecked);
    editor<QLineEdit>(QStringLiteral("port"))->setText(QStringLiteral("8080"));
    editor<QLineEdit>(QStringLiteral("empty"))->setText(QStringLiteral("-"));
    editor<QComboBox>(QStringLiteral("speed"))->setCurrentIndex(0);
    cell(QStringLiteral("note"))->setText(QStringLiteral("new"));
    editor<QLineEdit>(QStringLiteral("grp:mask:sub"))->setText(QStringLiteral("a:9"));
    editor<QLineEdit>(QStringLiteral("grp:sub"))->setText(QStringLiteral("t"));
    editor<QCheckBox>(QStringLiteral("grp:en"))->setChecked(false);
    QVERIFY(save());

    // The nested object is sent as received: its text is for reading only.
    QCOMPARE(lastWrite(), compact(R"({"kinds": {"empty": 0, "en": 1, "half": 1, "note": "new", "port": 8080,
        "speed": 1, "grp": {"mask": {"a": 1, "b": "x"}, "en": 0, "sub": "t"}}})"));

    // A second save sends the merged values again, untouched rows included.
    editor<QLineEdit>(QStringLiteral("port"))->setText(QStringLiteral("81"));
    QVERIFY(save());
    QCOMPARE(fx->sim.pages().value(QStringLiteral("kinds")).toObject(),
             json(R"({"empty": 0, "en": 1, "half": 1, "note": "new", "port": 81, "speed": 1,
                      "grp": {"mask": {"a": 1, "b": "x"}, "en": 0, "sub": "t"}})"));
}

void TestSaving::sharedChoiceLists()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("shared")));
    editor<QComboBox>(QStringLiteral("a"))->setCurrentIndex(0);
    editor<QComboBox>(QStringLiteral("b"))->setCurrentIndex(1);
    editor<QComboBox>(QStringLiteral("grp:ch"))->setCurrentIndex(0);
    QVERIFY(save());
    QCOMPARE(lastWrite(), compact(R"({"shared": {"a": 0, "b": "1", "grp": {"ch": 7}}})"));
}

void TestSaving::urlSignificantTextArrivesIntact_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("hash") << QStringLiteral("a#b");
    QTest::newRow("ampersand and equals") << QStringLiteral("a&write=b");
    QTest::newRow("escape-like") << QStringLiteral("%41");
    QTest::newRow("plus and blank") << QStringLiteral("a+b c");
    QTest::newRow("line break") << QStringLiteral("one\ntwo\r\n");
    QTest::newRow("non-ASCII") << QStringLiteral("Привет € 😀");
}

void TestSaving::urlSignificantTextArrivesIntact()
{
    QFETCH(QString, text);
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));
    cell(QStringLiteral("note"))->setText(text);
    QVERIFY(save());
    QCOMPARE(lastWrite(), QJsonDocument(probe->pageValues()).toJson(QJsonDocument::Compact));
    QCOMPARE(fx->sim.pages().value(QStringLiteral("kinds")).toObject().value(QStringLiteral("note")).toString(),
             text);
}

void TestSaving::refusedWithoutAPageOfTheSelectedModule()
{
    ModuleSimulator other;
    other.setPages(json(kPages));
    QVERIFY(other.start(QStringLiteral("127.0.0.1"), 0));
    openWindow({QStringLiteral("127.0.0.1:") + QString::number(other.port())});

    // Nothing on screen yet.
    probe->saveopt();
    QVERIFY(!probe->saveReply());

    // A page of the first module stays in memory after switching to the second one.
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("3")));
    QVERIFY(selectModule(2));
    QVERIFY(!probe->pushButton()->isEnabled());
    probe->saveopt();
    QVERIFY(!probe->saveReply());

    // A write still on its way when the module changes does not enable the button again.
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("3")));
    fx->sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 500, 300});
    probe->pushButton()->click();
    QVERIFY(probe->saveReply());
    QVERIFY(selectModule(2));
    QTRY_VERIFY_WITH_TIMEOUT(!probe->saveReply(), kWaitMs);
    QVERIFY(!probe->pushButton()->isEnabled());

    // A page the module answered as empty is not on screen either.
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("3")));
    fx->sim.setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::EmptyPageText, 500, 0},
                         QStringLiteral("kinds"));
    probe->listWidget()->setCurrentRow(1);
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), 1, kWaitMs);
    probe->saveopt();
    QVERIFY(!probe->saveReply());

    QCOMPARE(fx->sim.writes().size(), 1);
    QVERIFY(other.writes().isEmpty());
    other.stop();
}

void TestSaving::failedWriteKeepsTheMergedValues()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("3")));
    fx->sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::HttpStatus, 500, 0});
    editor<QLineEdit>(QStringLiteral("name"))->setText(QStringLiteral("lab"));
    QVERIFY(save());
    QVERIFY(probe->pushButton()->isEnabled());
    QCOMPARE(watcher->count(), 0);
    QCOMPARE(fx->sim.pages().value(QStringLiteral("3")).toObject().value(QStringLiteral("name")),
             QJsonValue(QStringLiteral("home")));
    QCOMPARE(probe->pageValues().value(QStringLiteral("3")).toObject().value(QStringLiteral("name")),
             QJsonValue(QStringLiteral("lab")));
}

void TestSaving::overlappingSaves()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("3")));
    fx->sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 500, 800});
    probe->pushButton()->click();
    QNetworkReply *first = probe->saveReply();
    QSignalSpy firstFinished(first, &QNetworkReply::finished);
    QTRY_COMPARE_WITH_TIMEOUT(fx->sim.writes().size(), 1, kWaitMs);

    // Loading the page again allows a second save while the first one is still pending.
    fx->sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 500, 2500});
    QVERIFY(openPage(QStringLiteral("kinds")));
    QVERIFY(openPage(QStringLiteral("3")));
    QVERIFY(probe->pushButton()->isEnabled());
    probe->pushButton()->click();
    QNetworkReply *second = probe->saveReply();
    QVERIFY(second && second != first);

    // The first answer leaves the second save tracked and the button disabled.
    QTRY_COMPARE_WITH_TIMEOUT(firstFinished.count(), 1, kWaitMs);
    QCOMPARE(probe->saveReply(), second);
    QVERIFY(!probe->pushButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!probe->saveReply(), kWaitMs);
    QVERIFY(probe->pushButton()->isEnabled());
    QCOMPARE(fx->sim.writes().size(), 2);
}

void TestSaving::choiceOutsideItsListKeepsTheStoredValue()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("3")));

    // The catalog was replaced after the table was built: the list is now shorter.
    QComboBox *mode = editor<QComboBox>(QStringLiteral("mode"));
    mode->setCurrentIndex(1);
    probe->descriptions() = json(R"({"3": {"mode": {"type": 4, "data": "1=STA"}}})");
    editor<QLineEdit>(QStringLiteral("name"))->setText(QStringLiteral("lab"));
    QVERIFY(save());
    QCOMPARE(lastWrite(), compact(R"({"3": {"en": 1, "mode": "2", "name": "lab", "net": {"ch": 6, "tag": "hi"}}})"));

    // No current item at all.
    mode->setCurrentIndex(-1);
    QVERIFY(save());
    QCOMPARE(lastWrite(), compact(R"({"3": {"en": 1, "mode": "2", "name": "lab", "net": {"ch": 6, "tag": "hi"}}})"));
}

void TestSaving::foreignEditorsAreSkipped()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));
    probe->tableWidget()->setCellWidget(row(QStringLiteral("port")), 1, new QCheckBox);
    probe->tableWidget()->setCellWidget(row(QStringLiteral("speed")), 1, new QLineEdit(QStringLiteral("1")));
    delete probe->tableWidget()->takeItem(row(QStringLiteral("note")), 1);
    editor<QCheckBox>(QStringLiteral("en"))->setChecked(true);
    QVERIFY(save());
    const QJsonObject written = QJsonDocument::fromJson(lastWrite()).object().value(QStringLiteral("kinds")).toObject();
    QCOMPARE(written.value(QStringLiteral("port")), QJsonValue(80));
    QCOMPARE(written.value(QStringLiteral("speed")), QJsonValue(2));
    QCOMPARE(written.value(QStringLiteral("note")), QJsonValue(QStringLiteral("old")));
    QCOMPARE(written.value(QStringLiteral("en")), QJsonValue(1));
}

void TestSaving::valueEditorOk()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));
    QTableWidget *table = probe->tableWidget();
    const QTableWidgetItem *before = cell(QStringLiteral("note"));

    QString seeded;
    QSize size, maximumSize;
    watcher->setHandler([&](QWidget *widget) {
        size = widget->size();
        maximumSize = widget->maximumSize();
        auto *dialog = qobject_cast<QDialog *>(widget);
        auto *textEdit = widget->findChild<QTextEdit *>(QStringLiteral("textEdit"));
        auto *buttonBox = widget->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        if (!dialog || !textEdit || !buttonBox || !widget->findChild<QGridLayout *>(QStringLiteral("gridLayout")))
            return;
        seeded = textEdit->toPlainText();
        QTest::keyClicks(textEdit, QStringLiteral(" first"));
        QTest::keyClick(textEdit, Qt::Key_Return);
        QTest::keyClicks(textEdit, QStringLiteral("second"));
        buttonBox->button(QDialogButtonBox::Ok)->click();
    });
    table->setCurrentCell(row(QStringLiteral("note")), 1);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Return);

    QCOMPARE(watcher->count(), 1);
    const ModalRecord &record = watcher->last();
    QCOMPARE(record.objectName, QStringLiteral("ValueUI"));
    QCOMPARE(record.title, QStringLiteral("Многострочный редактор"));
    QVERIFY(!record.hasParent);
    QCOMPARE(size, QSize(379, 461));
    QCOMPARE(maximumSize, QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QCOMPARE(seeded, QStringLiteral("old"));
    QVERIFY(cell(QStringLiteral("note")) != before);
    QCOMPARE(cell(QStringLiteral("note"))->text(), QStringLiteral("old first\nsecond"));

    // The line break reaches the module escaped inside a JSON string.
    QVERIFY(save());
    QVERIFY(lastWrite().contains(R"("note":"old first\nsecond")"));
}

void TestSaving::valueEditorLeavesTheItem_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("Cancel") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window closed") << 2;
}

void TestSaving::valueEditorLeavesTheItem()
{
    QFETCH(int, way);
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));
    const QTableWidgetItem *before = cell(QStringLiteral("note"));

    watcher->setHandler([&](QWidget *dialog) {
        auto *textEdit = dialog->findChild<QTextEdit *>(QStringLiteral("textEdit"));
        if (textEdit)
            QTest::keyClicks(textEdit, QStringLiteral("junk"));
        if (way == 0)
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        else if (way == 1)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
    });
    probe->clicktable(row(QStringLiteral("note")), 1);
    QCOMPARE(watcher->count(), 1);
    QCOMPARE(cell(QStringLiteral("note")), before);
    QCOMPARE(before->text(), QStringLiteral("old"));
}

void TestSaving::valueEditorOpensOnlyOnTextCells()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));
    probe->clicktable(row(QStringLiteral("note")), 0);
    probe->clicktable(row(QStringLiteral("port")), 1);
    probe->clicktable(row(QStringLiteral("grp")), 1);
    probe->clicktable(probe->rowTypes().size(), 1);
    probe->clicktable(-1, 1);
    QCOMPARE(watcher->count(), 0);
}

void TestSaving::valueEditorOnAnEmptyCell()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));
    delete probe->tableWidget()->takeItem(row(QStringLiteral("note")), 1);

    QString seeded = QStringLiteral("unset");
    watcher->setHandler([&](QWidget *dialog) {
        seeded = dialog->findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText();
        qobject_cast<QDialog *>(dialog)->accept();
    });
    probe->clicktable(row(QStringLiteral("note")), 1);
    QCOMPARE(seeded, QString());
    QVERIFY(cell(QStringLiteral("note")));
    QCOMPARE(cell(QStringLiteral("note"))->text(), QString());
}

void TestSaving::valueEditorAfterTheTableWasRefilled()
{
    openWindow();
    QVERIFY(selectModule(1));
    QVERIFY(openPage(QStringLiteral("kinds")));
    const int noteRow = row(QStringLiteral("note"));

    // The page is loaded afresh while the dialog is open: the text typed for the old table
    // must not land in the new one.
    bool reloaded = false;
    watcher->setHandler([&](QWidget *dialog) {
        reloaded = openPage(QStringLiteral("3")) && openPage(QStringLiteral("kinds"));
        QTest::keyClicks(dialog->findChild<QTextEdit *>(QStringLiteral("textEdit")), QStringLiteral("lost"));
        qobject_cast<QDialog *>(dialog)->accept();
    });
    probe->clicktable(noteRow, 1);
    QVERIFY(reloaded);
    QCOMPARE(row(QStringLiteral("note")), noteRow);
    QCOMPARE(cell(QStringLiteral("note"))->text(), QStringLiteral("old"));
}

QTEST_MAIN(TestSaving)
#include "tst_saving.moc"
