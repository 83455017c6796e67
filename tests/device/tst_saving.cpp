#include "modulesession.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QLineEdit>
#include <QNetworkReply>
#include <QTextEdit>
#include <QtTest>

namespace {

constexpr int kWaitMs = 10000;

QJsonObject json(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}
QByteArray compact(const QByteArray &text)
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
    void cleanup() { s.reset(), fx.reset(), workDir.reset(); }

    void workedExampleReachesTheModule();
    void writtenValues_data();
    void writtenValues();
    void refusedWithoutAPageOfTheSelectedModule();
    void overlappingSaves();
    void foreignEditorsAreSkipped();
    void valueEditorOk();
    void valueEditorLeavesTheItem_data();
    void valueEditorLeavesTheItem();

private:
    bool open(const QString &pageKey);
    bool openPage(const QString &pageKey) { return s->openPage(pageKey) && s->probe->pageShown(); }
    bool save();
    void applyEdits(const QStringList &edits);
    int row(const QString &rowKey) const { return s->probe->rowKeys().indexOf(rowKey); }
    QTableWidgetItem *cell(const QString &rowKey) const
    {
        return s->probe->tableWidget()->item(row(rowKey), 1);
    }
    QByteArray lastWrite() const { return fx->sim.writes().value(fx->sim.writes().size() - 1); }
    void setWriteDelay(int ms)
    {
        fx->sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 500, ms});
    }

    std::unique_ptr<TestWorkDir> workDir;
    std::unique_ptr<SimFixture> fx;
    std::unique_ptr<ModuleSession> s;
    MainWindowProbe *probe = nullptr;
};

void TestSaving::init()
{
    workDir = std::make_unique<TestWorkDir>();
    fx = std::make_unique<SimFixture>();
    fx->sim.setPages(json(kPages), {"3", "kinds", "shared"});
}

// Opens the window on the simulator, listed as two modules (a write sent to the second one
// counts too), selects the first one and shows its page pageKey, if any.
bool TestSaving::open(const QString &pageKey)
{
    s = std::make_unique<ModuleSession>(QStringList{fx->address(), fx->address() + " again"},
                                        QByteArray(kCatalog));
    probe = s->probe.get();
    s->window->show();
    return pageKey.isEmpty() || (s->selectModule(1) && openPage(pageKey));
}

// Presses Save and waits until the module has answered.
bool TestSaving::save()
{
    const int before = fx->sim.writes().size();
    probe->pushButton()->click();
    return QTest::qWaitFor([&] { return fx->sim.writes().size() == before + 1 && !probe->saveReply(); },
                           kWaitMs);
}

// Each edit is "rowKey=value": a check box takes the value as its Qt::CheckState, a choice
// box as its index, a line edit or a text cell as its text.
void TestSaving::applyEdits(const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QString key = edit.section('=', 0, 0), value = edit.section('=', 1);
        QWidget *widget = probe->tableWidget()->cellWidget(row(key), 1);
        if (auto *box = qobject_cast<QCheckBox *>(widget))
            box->setCheckState(Qt::CheckState(value.toInt()));
        else if (auto *choice = qobject_cast<QComboBox *>(widget))
            choice->setCurrentIndex(value.toInt());
        else if (auto *line = qobject_cast<QLineEdit *>(widget))
            line->setText(value);
        else
            cell(key)->setText(value);
    }
}

void TestSaving::workedExampleReachesTheModule()
{
    QVERIFY(open("3"));
    applyEdits({"en=0", "mode=0", "name=lab", "net:ch=11"});
    // The button stays disabled while the module takes its time to answer.
    setWriteDelay(200);
    QTest::ignoreMessage(QtDebugMsg, "----------------------------");
    QTest::ignoreMessage(QtDebugMsg, "OK");
    probe->pushButton()->click();
    QVERIFY(probe->saveReply() && !probe->pushButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!probe->saveReply(), kWaitMs);
    QVERIFY(probe->pushButton()->isEnabled());
    QCOMPARE(fx->sim.writes(),
             QList<QByteArray>{R"({"3":{"en":0,"mode":"1","name":"lab","net":{"ch":11,"tag":"hi"}}})"});

    // Loaded again, the page shows what was written.
    QVERIFY(openPage("kinds") && openPage("3"));
    QCOMPARE(s->rows(),
             (QStringList{"en|2|en|flag:0", "mode|4|mode|choice:STA|AP@0", "name|1|name|text:lab",
                          "net|0|net|header", "ch|3|net:ch|number:11", "tag|1|net:tag|text:hi"}));
    QCOMPARE(s->modals.count(), 0);
}

void TestSaving::writtenValues_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("edits"); // as applyEdits() takes them
    QTest::addColumn<QByteArray>("descriptions"); // replace the catalog after the table was built
    QTest::addColumn<QByteArray>("written");

    // The nested object is sent as received: its text is for reading only. Text with "#",
    // "&", "=", "%41", "+", blanks, line breaks and non-ASCII arrives as it was typed.
    QTest::newRow("every row kind")
        << "kinds"
        << QStringList{"en=2",
                       "half=1",
                       "port=010",
                       "empty=-",
                       "speed=0",
                       "note=a#b&write=c%41+d e\r\nПривет 😀",
                       "grp:mask:sub=a:9",
                       "grp:sub=t",
                       "grp:en=0"}
        << QByteArray()
        << compact(R"({"kinds": {"empty": 0, "en": 1, "half": 1, "note": "a#b&write=c%41+d e\r\nПривет 😀",
                   "port": 10, "speed": 1, "grp": {"mask": {"a": 1, "b": "x"}, "en": 0, "sub": "t"}}})");
    QTest::newRow("allcfg choice lists") << "shared" << QStringList{"a=0", "b=1", "grp:ch=0"} << QByteArray()
                                         << compact(R"({"shared": {"a": 0, "b": "1", "grp": {"ch": 7}}})");
    // A choice whose index addresses no entry of its list leaves the stored value.
    const QByteArray unchanged
        = compact(R"({"3": {"en": 1, "mode": "2", "name": "lab", "net": {"ch": 6, "tag": "hi"}}})");
    QTest::newRow("choice list shortened")
        << "3" << QStringList{"mode=1", "name=lab"}
        << QByteArray(R"({"3": {"mode": {"type": 4, "data": "1=STA"}}})") << unchanged;
    QTest::newRow("no current choice")
        << "3" << QStringList{"mode=-1", "name=lab"} << QByteArray() << unchanged;
}

void TestSaving::writtenValues()
{
    QFETCH(QString, page);
    QFETCH(QStringList, edits);
    QFETCH(QByteArray, descriptions);
    QFETCH(QByteArray, written);
    QVERIFY(open(page));
    applyEdits(edits);
    if (!descriptions.isEmpty())
        probe->descriptions() = json(descriptions);
    QVERIFY(save());
    QCOMPARE(lastWrite(), written);
}

void TestSaving::refusedWithoutAPageOfTheSelectedModule()
{
    QVERIFY(open({}));

    // Nothing on screen yet.
    probe->saveopt();
    QVERIFY(!probe->saveReply());

    // A page of the first module stays in memory after switching to the second one.
    QVERIFY(s->selectModule(1) && openPage("3"));
    QVERIFY(s->selectModule(2));
    probe->saveopt();
    QVERIFY(!probe->saveReply());

    // A write still on its way when the module changes does not enable the button again.
    QVERIFY(s->selectModule(1) && openPage("3"));
    setWriteDelay(300);
    probe->pushButton()->click();
    QVERIFY(probe->saveReply());
    QVERIFY(s->selectModule(2));
    QTRY_VERIFY_WITH_TIMEOUT(!probe->saveReply(), kWaitMs);
    QVERIFY(!probe->pushButton()->isEnabled());
    QCOMPARE(fx->sim.writes().size(), 1);
}

void TestSaving::overlappingSaves()
{
    QVERIFY(open("3"));
    setWriteDelay(800);
    probe->pushButton()->click();
    QNetworkReply *first = probe->saveReply();
    QSignalSpy firstFinished(first, &QNetworkReply::finished);
    QTRY_COMPARE_WITH_TIMEOUT(fx->sim.writes().size(), 1, kWaitMs);

    // Loading the page again allows a second save while the first one is still pending.
    setWriteDelay(2500);
    QVERIFY(openPage("kinds") && openPage("3"));
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

void TestSaving::foreignEditorsAreSkipped()
{
    QVERIFY(open("kinds"));
    probe->tableWidget()->setCellWidget(row("port"), 1, new QCheckBox);
    probe->tableWidget()->setCellWidget(row("speed"), 1, new QLineEdit("1"));
    delete probe->tableWidget()->takeItem(row("note"), 1);
    applyEdits({"en=2"});
    QVERIFY(save());
    QCOMPARE(lastWrite(), compact(R"({"kinds": {"empty": 5, "en": 1, "half": 0, "note": "old", "port": 80,
        "speed": 2, "grp": {"mask": {"a": 1, "b": "x"}, "en": 1, "sub": "s"}}})"));
}

void TestSaving::valueEditorOk()
{
    QVERIFY(open("kinds"));
    // Only the value cells of text rows open it.
    for (const int rowIndex : {row("port"), row("grp"), probe->rowTypes().size(), -1})
        probe->clicktable(rowIndex, 1);
    probe->clicktable(row("note"), 0);
    QCOMPARE(s->modals.count(), 0);

    QString seeded;
    s->modals.setHandler([&](QWidget *dialog) {
        auto *textEdit = dialog->findChild<QTextEdit *>("textEdit");
        seeded = textEdit->toPlainText();
        QTest::keyClicks(textEdit, " first");
        QTest::keyClick(textEdit, Qt::Key_Return);
        QTest::keyClicks(textEdit, "second");
        dialog->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    probe->tableWidget()->setCurrentCell(row("note"), 1);
    probe->tableWidget()->setFocus();
    QTest::keyClick(probe->tableWidget(), Qt::Key_Return);
    QCOMPARE(s->modals.count(), 1);
    QCOMPARE(s->modals.last().objectName, QStringLiteral("ValueUI"));
    QCOMPARE(s->modals.last().title, QStringLiteral("Многострочный редактор"));
    QCOMPARE(seeded, QStringLiteral("old"));
    QCOMPARE(cell("note")->text(), QStringLiteral("old first\nsecond"));
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
    // The text typed for the old table must not land in the new one.
    QTest::newRow("Ok after the page was loaded afresh") << 3;
}

void TestSaving::valueEditorLeavesTheItem()
{
    QFETCH(int, way);
    QVERIFY(open("kinds"));
    bool reloaded = way != 3;
    s->modals.setHandler([&](QWidget *widget) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        if (way == 3)
            reloaded = openPage("3") && openPage("kinds");
        QTest::keyClicks(dialog->findChild<QTextEdit *>("textEdit"), "junk");
        if (way == 0)
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        else if (way == 1)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (way == 2)
            dialog->close();
        else
            dialog->accept();
    });
    probe->clicktable(row("note"), 1);
    QVERIFY(reloaded);
    QCOMPARE(s->modals.count(), 1);
    QCOMPARE(cell("note")->text(), QStringLiteral("old"));
}

QTEST_MAIN(TestSaving)
#include "tst_saving.moc"
