#include "support/exactpages.h"
#include "support/waituntil.h"
#include "support/windowfixture.h"

#include "core/device/modulelock.h"

namespace {

// "3" is the worked example of a save; "kinds" holds one row of every kind; "shared" is
// described by one "allcfg" entry; "bare" holds no options object.
const char *const kPages = R"({
    "3": {"en": 1, "mode": "2", "name": "home", "net": {"ch": 6, "tag": "hi"}},
    "kinds": {"en": 0, "half": 0, "port": 80, "empty": 5, "speed": 2, "note": "old",
              "grp": {"mask": {"a": 1, "b": "x"}, "sub": "s", "en": 1}},
    "shared": {"a": 1, "b": "0", "grp": {"ch": 8}},
    "bare": 5
})";
const char *const kCatalog = R"({
    "3": {"mode": {"type": 4, "data": "1=STA,2=AP"}},
    "kinds": {"half": {"type": 1}, "speed": {"type": 4, "data": "1=Slow,2=Fast"}, "note": {"type": 6}},
    "shared": {"allcfg": {"title": "Out", "type": 4, "data": "0=Off,1=On",
                          "ch": {"type": 4, "data": "7=Seven,8=Eight"}}}
})";

QByteArray compact(const QByteArray &text)
{
    return compactJson(jsonObject(text));
}

} // namespace

class TestSaving : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;
    MainWindowProbe *probe = nullptr;

    // Opens the window on the simulator, listed as two modules (a write sent to the second one
    // counts too), selects the first one and shows its page pageKey, if any.
    bool open(const QString &pageKey)
    {
        f->open({f->address(), f->address() + " again"}, kCatalog);
        probe = f->probe.get();
        return pageKey.isEmpty() || (f->selectModule(1) && openPage(pageKey));
    }
    bool openPage(const QString &pageKey) { return f->openPage(pageKey) && probe->pageShown(); }
    // Presses Save and waits until the module has answered.
    bool save()
    {
        const int before = f->sim.writes().size();
        probe->pushButton()->click();
        return waitUntil([&] { return f->sim.writes().size() == before + 1 && !probe->saving(); });
    }
    // Each edit is "rowKey=value": a check box takes the value as its Qt::CheckState, a choice
    // box as its index, a line edit or a text cell as its text.
    void applyEdits(const QStringList &edits)
    {
        for (const QString &edit : edits) {
            const int row = probe->rowKeys().indexOf(edit.section('=', 0, 0));
            const QString value = edit.section('=', 1);
            QWidget *widget = probe->tableWidget()->cellWidget(row, 1);
            if (auto *box = qobject_cast<QCheckBox *>(widget))
                box->setCheckState(Qt::CheckState(value.toInt()));
            else if (auto *choice = qobject_cast<QComboBox *>(widget))
                choice->setCurrentIndex(value.toInt());
            else if (auto *line = qobject_cast<QLineEdit *>(widget))
                line->setText(value);
            else
                probe->tableWidget()->item(row, 1)->setText(value);
        }
    }
    void setWriteDelay(int ms)
    {
        f->sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 500, ms});
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->sim.setPages(jsonObject(kPages), {"3", "kinds", "shared", "bare"});
    }
    void cleanup() { f.reset(); }

    void workedExampleReachesTheModule()
    {
        QVERIFY(open("3"));
        applyEdits({"en=0", "mode=0", "name=lab", "net:ch=11"});
        // The button stays disabled while the module takes its time to answer.
        setWriteDelay(200);
        QTest::ignoreMessage(QtDebugMsg, "----------------------------");
        QSignalSpy finished(f->window.get(), &MainWindow::saveFinished);
        probe->pushButton()->click();
        QVERIFY(probe->saving() && !probe->pushButton()->isEnabled());
        WAIT_VERIFY(!probe->saving());
        QVERIFY(probe->pushButton()->isEnabled());
        QCOMPARE(f->sim.writes(),
                 QList<QByteArray>{R"({"3":{"en":0,"mode":"1","name":"lab","net":{"ch":11,"tag":"hi"}}})"});
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toBool(), true);

        // The table shows the page as read back.
        QCOMPARE(f->rows(),
                 (QStringList{"en|2|en|flag:0", "mode|4|mode|choice:STA|AP@0", "name|1|name|text:lab",
                              "net|0|net|header", "ch|3|net:ch|number:11", "tag|1|net:tag|text:hi"}));
        QCOMPARE(f->modals.count(), 0);
    }

    // Numbers no editor holds go back as the module sent them, untouched and beside an edit.
    void exactNumbers_data() { addExactPageRows(); }
    void exactNumbers()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, kept);
        f->sim.setPages({{"1", jsonObject(sent)}}, {"1"});
        QVERIFY(open("1"));
        QVERIFY(save());
        applyEdits({"name=m"});
        QVERIFY(save());
        const QByteArray page = "{\"1\":" + kept + "}";
        QCOMPARE(f->sim.writes(), (QList<QByteArray>{page, withNameChanged(page)}));
    }

    void writtenValues_data();
    void writtenValues()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, edits);
        QFETCH(QByteArray, descriptions);
        QFETCH(QByteArray, written);
        QVERIFY(open(page));
        applyEdits(edits);
        if (!descriptions.isEmpty()) {
            f->sim.setCatalog(descriptions);
            QVERIFY(f->trigger("Обновить описания"));
            WAIT_VERIFY(!probe->descriptionReply());
            QCOMPARE(probe->descriptions(), jsonObject(descriptions));
        }
        QVERIFY(save());
        QCOMPARE(f->sim.writes().value(f->sim.writes().size() - 1), written);
    }

    // Whatever a page holds, a row the user did not change sends its value back exactly as the
    // module sent it: no editor's reading of the value may stand in for it.
    void untouchedRowsGoBackAsSent_data();
    void untouchedRowsGoBackAsSent()
    {
        QFETCH(QByteArray, options);
        QFETCH(QByteArray, catalog);
        QFETCH(QStringList, steps);
        f->sim.setPages(jsonObject(R"({"p": )" + options + "}"));
        f->open({f->address()}, R"({"p": )" + catalog + "}");
        probe = f->probe.get();
        QVERIFY(f->selectModule() && openPage("p"));
        for (const QString &step : steps) {
            if (step == "save") {
                QVERIFY(save());
            } else if (step.startsWith("Ok:")) {
                f->modals.setHandler([](QWidget *dialog) {
                    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
                });
                probe->clicktable(probe->rowKeys().indexOf(step.mid(3)), 1);
                QCOMPARE(f->modals.count(), 1);
            } else {
                applyEdits({step});
            }
        }
        QVERIFY(save());
        QCOMPARE(jsonObject(f->sim.writes().constLast()), jsonObject(R"({"p": )" + options + "}"));
    }

    // Save is allowed only while the table shows the selected page as the selected module sent it.
    void onlyWhileAPageOfTheSelectedModuleIsOnScreen()
    {
        QVERIFY(open({}));
        QPushButton *button = probe->pushButton();
        QVERIFY2(!button->isEnabled(), "nothing on screen at start-up");
        QVERIFY(f->selectModule(1));
        QVERIFY2(!button->isEnabled(), "a page list is no page");
        QVERIFY(openPage("3"));
        QVERIFY(button->isEnabled());
        const QStringList requests = f->sim.requests();
        const QStringList rows = f->rows();

        // An entry without a page key sends nothing and leaves the page on screen.
        probe->listWidget()->addItem(QStringLiteral("no key"));
        QTest::ignoreMessage(QtWarningMsg, "Warning page");
        probe->listWidget()->setCurrentRow(probe->listWidget()->count() - 1);
        QCOMPARE(f->sim.requests(), requests);
        QCOMPARE(f->rows(), rows);
        QVERIFY(button->isEnabled());

        // While the next page is on its way the table still shows the previous one.
        f->sim.setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::None, 0, 300}, "kinds");
        QVERIFY(f->requestPage("kinds"));
        QVERIFY(!button->isEnabled());
        QCOMPARE(f->rows(), rows);
        WAIT_VERIFY(button->isEnabled());

        // A page whose options are not an object shows no rows and cannot be saved: a save would
        // replace the module's value with an empty object.
        QVERIFY(f->openPage("bare"));
        QCOMPARE(f->rows(), QStringList());
        QVERIFY(!button->isEnabled());
        probe->saveopt();
        QVERIFY(!probe->saving());

        // A page of the first module stays in memory after switching to the second one.
        QVERIFY(openPage("3") && f->selectModule(2));
        probe->saveopt();
        QVERIFY(!probe->saving());

        // A write still on its way when the module changes does not enable the button again.
        QVERIFY(f->selectModule(1) && openPage("3"));
        setWriteDelay(300);
        button->click();
        QVERIFY(probe->saving());
        QVERIFY(f->selectModule(2));
        WAIT_VERIFY(!probe->saving());
        QVERIFY(!button->isEnabled());
        QCOMPARE(f->sim.writes().size(), 1);
        QCOMPARE(f->modals.count(), 0);
    }

    // One save at a time: a page loaded while one is under way cannot be saved until it ends.
    void oneSaveAtATime()
    {
        QVERIFY(open("3"));
        setWriteDelay(300);
        probe->pushButton()->click();
        QVERIFY(openPage("kinds") && openPage("3"));
        QVERIFY(probe->saving() && !probe->pushButton()->isEnabled());
        probe->saveopt();
        WAIT_VERIFY(!probe->saving());
        QVERIFY(probe->pushButton()->isEnabled());
        QCOMPARE(f->sim.writes().size(), 1);
    }

    // Nothing the module changed since the page was loaded is undone, and nothing counts as
    // saved that was not read back.
    void safeSaves_data();
    void safeSaves()
    {
        QFETCH(QByteArray, meanwhile);
        QFETCH(int, pageFault);
        QFETCH(int, writeFault);
        QFETCH(QString, moveTo);
        QFETCH(bool, locked);
        QFETCH(QString, answer);
        QFETCH(QString, box);
        QFETCH(QStringList, details);
        QFETCH(bool, confirmed);
        QFETCH(QByteArray, module);
        QFETCH(QStringList, rows);
        QVERIFY(open("3"));
        applyEdits({"name=lab"});
        QJsonObject pages = f->sim.pages();
        QJsonObject page = pages.value("3").toObject();
        const QJsonObject changes = jsonObject(meanwhile);
        for (auto change = changes.begin(); change != changes.end(); ++change)
            page.insert(change.key(), change.value());
        pages.insert("3", page);
        f->sim.setPages(pages, {"3", "kinds", "shared", "bare"});
        f->sim.setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault(pageFault)}, "3");
        f->sim.setBehaviour(ModuleSimulator::Endpoint::Write,
                            {ModuleSimulator::Fault(writeFault), 414, moveTo.isEmpty() ? 0 : 300});
        // Another writer on this machine that holds the module's lock and shows no sign of life.
        QString error;
        QLockFile otherWriter(ModuleLock::fileName(f->address(), ModuleLock::folder(&error)));
        if (locked) {
            QVERIFY(otherWriter.tryLock(0));
            probe->requestTimeoutMs() = 300;
        }
        bool enabledDuringBox = false;
        f->modals.setHandler([&](QWidget *widget) {
            auto *message = qobject_cast<QMessageBox *>(widget);
            enabledDuringBox = probe->pushButton()->isEnabled();
            if (answer == "Escape")
                QTest::keyClick(message, Qt::Key_Escape);
            for (QAbstractButton *button : message->buttons()) {
                if (answer.isEmpty() || button->text() == answer)
                    return button->click();
            }
        });
        QSignalSpy finished(f->window.get(), &MainWindow::saveFinished);
        QTest::ignoreMessage(QtDebugMsg, "----------------------------");
        probe->pushButton()->click();
        if (!moveTo.isEmpty())
            QVERIFY(openPage(moveTo));
        WAIT_COMPARE(finished.count(), 1);

        QCOMPARE(finished.first().first().toBool(), confirmed);
        QCOMPARE(f->modals.count(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            QCOMPARE(f->modals.last().text, box.arg(f->address()));
            for (const QString &line : details)
                QVERIFY2(f->modals.last().details.contains(line.arg(f->address())),
                         qPrintable(f->modals.last().details));
            QVERIFY2(!enabledDuringBox, "Save stays disabled until the save has ended");
        }
        QCOMPARE(f->sim.pages().value("3").toObject(), jsonObject(module));
        for (const QString &row : rows)
            QVERIFY2(f->rows().contains(row), qPrintable(f->rows().join(", ")));
        QVERIFY(probe->pushButton()->isEnabled());
    }

    // A number field without a number stops the save before anything is sent, names its row
    // and stays marked; rows are unmarked once their values are saved.
    void noNumberIsNoValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("lone minus") << "-";
    }
    void noNumberIsNoValue()
    {
        QFETCH(QString, text);
        QVERIFY(open("3"));
        const auto mark = [this](const char *rowKey) {
            return probe->rowEditors().at(probe->rowKeys().indexOf(rowKey)).mark;
        };
        applyEdits({"name=lab", "net:ch=" + text});
        QVERIFY(mark("name") == RowMark::Changed && mark("en") == RowMark::Unchanged);
        QSignalSpy finished(f->window.get(), &MainWindow::saveFinished);
        probe->pushButton()->click();
        QCOMPARE(f->boxes(), QStringList{"Не введено число, страница не сохранена: ch"});
        QCOMPARE(finished.value(0), QVariantList{false});
        QVERIFY(mark("net:ch") == RowMark::Invalid);
        QVERIFY(f->sim.writes().isEmpty());

        applyEdits({"net:ch=7"});
        QVERIFY(save());
        QCOMPARE(f->sim.writes().constLast(),
                 compact(R"({"3": {"en": 1, "mode": "2", "name": "lab", "net": {"ch": 7, "tag": "hi"}}})"));
        QVERIFY(mark("name") == RowMark::Unchanged && mark("net:ch") == RowMark::Unchanged);
    }

    // What the user types reaches the module. An editor left over from an earlier fill of the
    // table (the table deletes it later) changes nothing.
    void typedEditsAndLeftoverEditors()
    {
        QVERIFY(open("3"));
        const auto editor = [this](const char *rowKey) {
            return probe->tableWidget()->cellWidget(probe->rowKeys().indexOf(rowKey), 1);
        };
        const QPointer<QWidget> leftover = editor("net:tag");
        probe->filltable(probe->pageValues().value("3").toObject());
        QVERIFY(leftover && leftover != editor("net:tag"));
        static_cast<QLineEdit *>(leftover.data())->setText("stale");

        QTest::keyClick(editor("name"), Qt::Key_End);
        QTest::keyClicks(editor("name"), "!");
        QTest::keyClick(editor("en"), Qt::Key_Space);
        QTest::keyClick(editor("mode"), Qt::Key_Up);
        QVERIFY(save());
        QCOMPARE(f->sim.writes().constLast(),
                 compact(R"({"3": {"en": 0, "mode": "1", "name": "home!", "net": {"ch": 6, "tag": "hi"}}})"));
    }
};

// Defined outside the class: moc misreads a raw string literal holding "\r\n" in a class
// body, and would find no slots at all.
void TestSaving::writtenValues_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("edits"); // as applyEdits() takes them
    QTest::addColumn<QByteArray>("descriptions"); // replace the catalog after the table was built
    QTest::addColumn<QByteArray>("written");

    // The nested object is sent as received: its text is for reading only. Text with "#",
    // "&", "=", "%41", "+", blanks, line breaks and non-ASCII arrives as it was typed.
    QTest::newRow("every row kind")
        << "kinds" << QStringList{"en=2",
                                  "half=1",
                                  "port=010",
                                  "speed=0",
                                  "note=a#b&write=c%41+d e\r\nПривет 😀",
                                  "grp:mask:sub=a:9",
                                  "grp:sub=t",
                                  "grp:en=0"}
        << QByteArray()
        << compact(R"({"kinds": {"empty": 5, "en": 1, "half": 1, "note": "a#b&write=c%41+d e\r\nПривет 😀",
                   "port": 10, "speed": 1, "grp": {"mask": {"a": 1, "b": "x"}, "en": 0, "sub": "t"}}})");
    QTest::newRow("allcfg choice lists") << "shared" << QStringList{"a=0", "b=1", "grp:ch=0"} << QByteArray()
                                         << compact(R"({"shared": {"a": 0, "b": "1", "grp": {"ch": 7}}})");
    // A choice maps back through the list it was built with, whatever the catalog says now; one
    // that addresses no entry of it leaves the stored value.
    QTest::newRow("catalog reordered after the fill")
        << "3" << QStringList{"mode=0"} << QByteArray(R"({"3": {"mode": {"type": 4, "data": "2=AP,1=STA"}}})")
        << compact(R"({"3": {"en": 1, "mode": "1", "name": "home", "net": {"ch": 6, "tag": "hi"}}})");
    QTest::newRow("no current choice")
        << "3" << QStringList{"mode=-1", "name=lab"} << QByteArray()
        << compact(R"({"3": {"en": 1, "mode": "2", "name": "lab", "net": {"ch": 6, "tag": "hi"}}})");
}

void TestSaving::safeSaves_data()
{
    QTest::addColumn<QByteArray>("meanwhile"); // options of page 3 changed on the module after loading
    QTest::addColumn<int>("pageFault"); // of page 3, from the re-read on
    QTest::addColumn<int>("writeFault");
    QTest::addColumn<QString>("moveTo"); // a page opened while the save is under way
    QTest::addColumn<bool>("locked"); // another writer holds the module's lock throughout
    QTest::addColumn<QString>("answer"); // the button a box is answered with, or Escape
    QTest::addColumn<QString>("box"); // its text, %1 the module's address; empty: no box
    QTest::addColumn<QStringList>("details"); // lines of its details
    QTest::addColumn<bool>("confirmed"); // as saveFinished() tells
    QTest::addColumn<QByteArray>("module"); // page 3 on the module afterwards
    QTest::addColumn<QStringList>("rows"); // rows on screen afterwards

    using F = ModuleSimulator::Fault;
    const int ok = int(F::None);
    const QByteArray kept = R"({"en": 0, "mode": "2", "name": "lab", "net": {"ch": 6, "tag": "hi"}})";
    const QByteArray untouched = R"({"en": 1, "mode": "2", "name": "home", "net": {"ch": 6, "tag": "hi"}})";
    const QString question = "Параметры изменились на модуле\nЗаписать ваши значения поверх? Остальные "
                             "изменения модуля останутся.";
    const QStringList where{"Модуль: %1", "Страница: 3"};
    QTest::newRow("another option changed on the module is kept, and shown")
        << QByteArray(R"({"en": 0})") << ok << ok << "" << false << ""
        << "" << QStringList() << true << kept << QStringList{"en|2|en|flag:0", "name|1|name|text:lab"};
    QTest::newRow("changed on both sides, cancelled with Escape: nothing written, the edit stays")
        << QByteArray(R"({"name": "away"})") << ok << ok << "" << false << "Escape" << question
        << QStringList{"name: было home, на модуле теперь away, ваше lab"} << false
        << QByteArray(R"({"en": 1, "mode": "2", "name": "away", "net": {"ch": 6, "tag": "hi"}})")
        << QStringList{"name|1|name|text:lab"};
    QTest::newRow("changed on both sides, written anyway: the module's other change kept")
        << QByteArray(R"({"name": "away", "en": 0})") << ok << ok << "" << false << "Записать" << question
        << QStringList() << true << kept << QStringList{"en|2|en|flag:0", "name|1|name|text:lab"};
    QTest::newRow("answered and not kept")
        << QByteArray() << ok << int(F::PlainError404) << "" << false << ""
        << "Модуль не сохранил изменения"
        << QStringList(where + QStringList{"name: записано lab, на модуле home"}) << false << untouched
        << QStringList{"name|1|name|text:lab"};
    QTest::newRow("the page cannot be read again")
        << QByteArray() << int(F::HttpStatus) << ok << "" << false << ""
        << "Не удалось сохранить страницу"
        << QStringList(where
                       + QStringList{"Причина: reading again before the write: page \"3\": the module "
                                     "answered with HTTP status 500"})
        << false << untouched << QStringList{"name|1|name|text:lab"};
    QTest::newRow("read again, not JSON")
        << QByteArray() << int(F::InvalidJson) << ok << "" << false << ""
        << "Не удалось сохранить страницу" << QStringList{"not a JSON object"} << false << untouched
        << QStringList();
    QTest::newRow("the write refused, told after the user moved on")
        << QByteArray() << ok << int(F::HttpStatus) << "kinds" << false << ""
        << "Не удалось сохранить страницу\nСтраница 3 модуля %1"
        << QStringList(where + QStringList{"HTTP status 414"}) << false << untouched
        << QStringList{"port|3|port|number:80"};
    // Another writer changes the page right after each read: the read-back names its change.
    QTest::newRow("changed between the re-read and the write")
        << QByteArray() << int(F::ChangeBetween) << ok << "" << false << ""
        << "Модуль не сохранил изменения"
        << QStringList(where + QStringList{"between-1: записано нет, на модуле 1"}) << false
        << QByteArray(R"({"en": 1, "mode": "2", "name": "lab", "net": {"ch": 6, "tag": "hi"},
                          "between-1": 1, "between-2": 2})")
        << QStringList{"name|1|name|text:lab"};
    QTest::newRow("the module's lock held by a writer that shows no sign of life")
        << QByteArray() << ok << ok << "" << true << ""
        << "Не удалось сохранить страницу" << QStringList(where + QStringList{"no sign of life"}) << false
        << untouched << QStringList{"name|1|name|text:lab"};
}

void TestSaving::untouchedRowsGoBackAsSent_data()
{
    QTest::addColumn<QByteArray>("options"); // the page's options as the module sends them
    QTest::addColumn<QByteArray>("catalog"); // the page's entry in the catalog
    QTest::addColumn<QStringList>("steps"); // before the save: an edit, "save", or "Ok:rowKey"
                                            // (Ok in the value editor of that row, nothing typed)

    QTest::newRow("values no editor holds")
        << QByteArray(R"({"half": 4.5, "huge": 1e21, "wide": 3000000000, "low": -2147483649, "yes": true,
                         "no": false, "none": null, "list": [1, "x"], "empty": {},
                         "grp": {"half": 0.5, "list": [], "yes": true}})")
        << QByteArray("{}") << QStringList();
    QTest::newRow("flags neither 0 nor 1")
        << QByteArray(R"({"two": 2, "minus": -1, "text": "1"})")
        << QByteArray(R"({"two": {"type": 1}, "minus": {"type": 1}, "text": {"type": 1}})") << QStringList();
    QTest::newRow("choices outside their lists")
        << QByteArray(R"({"mode": "9", "number": 7, "blank": "", "grp": {"ch": 3}})")
        << QByteArray(R"({"mode": {"type": 4, "data": "1=STA,2=AP"}, "number": {"type": 4, "data": "1=One"},
                         "blank": {"type": 4, "data": "1=One"}, "grp": {"ch": {"type": 4, "data": "1=One"}}})")
        << QStringList{"mode=0", "mode=2"};
    QTest::newRow("keys holding a colon")
        << QByteArray(R"({"a": 5, "a:b": "x", "g": {"x": 2, "x:y": 1}, "g:x": {"y": 4}})") << QByteArray("{}")
        << QStringList();
    QTest::newRow("line breaks and no-break spaces, Ok without typing")
        << QByteArray("{\"note\": \"a\\r\\nb\\u00a0c\\td\", \"line\": \"x\\u00a0y\"}")
        << QByteArray(R"({"note": {"type": 6}})") << QStringList{"Ok:note"};
    // The save before sets what "unchanged" means: going back to the module's first value is a
    // change and goes out.
    QTest::newRow("changed back after a save")
        << QByteArray(R"({"port": 80, "en": 1, "mode": "2", "name": "home"})")
        << QByteArray(R"({"en": {"type": 1}, "mode": {"type": 4, "data": "1=STA,2=AP"}})")
        << QStringList{"port=81", "en=0", "mode=0", "name=lab", "save",
                       "port=80", "en=2", "mode=1", "name=home"};
}

QTEST_MAIN(TestSaving)
#include "tst_saving.moc"
