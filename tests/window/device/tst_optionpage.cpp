#include "support/waituntil.h"
#include "support/windowfixture.h"

Q_DECLARE_METATYPE(ModuleSimulator::Fault)

namespace {

using Fault = ModuleSimulator::Fault;
using Endpoint = ModuleSimulator::Endpoint;

} // namespace

// Selecting a page: the request, what each kind of answer does to the table, replies that
// come too late, and the table itself: labels, row kinds, row keys and editors of every kind.
class TestOptionPage : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<ModuleSimulator::Fault>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text"); // of the one box; empty: no box
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("valuesKept"); // pageValues still holds the previous page
        const int warning = QMessageBox::Warning;
        QTest::newRow("empty-page text") << Fault::EmptyPageText << 0 << "Пустая страница" << warning << true;
        QTest::newRow("not JSON") << Fault::InvalidJson << 0 << "Ошибка парсера json!"
                                  << int(QMessageBox::Critical) << false;
        QTest::newRow("HTTP error") << Fault::HttpStatus << 500 << "Не удалось загрузить страницу" << warning
                                    << true;
        QTest::newRow("empty body") << Fault::HttpStatus << 200 << QString() << 0 << true;
    }
    void answers()
    {
        QFETCH(ModuleSimulator::Fault, fault);
        QFETCH(int, status);
        QFETCH(QString, text);
        QFETCH(int, icon);
        QFETCH(bool, valuesKept);
        WindowFixture f;
        f.open({f.address()});
        QVERIFY(f.selectModule() && f.openPage("2"));
        const QJsonObject values = f.probe->pageValues();

        f.sim.setBehaviour(Endpoint::Page, {fault, status, 0}, "3");
        if (fault == Fault::InvalidJson)
            QTest::ignoreMessage(QtWarningMsg, ModuleSimulator::invalidJsonText().constData());
        QVERIFY(f.openPage("3"));
        QCOMPARE(f.boxes(), text.isEmpty() ? QStringList() : QStringList{text});
        if (!text.isEmpty())
            QCOMPARE(int(f.modals.last().icon), icon);
        // Whatever the answer, the page before is no longer on screen.
        QCOMPARE(f.rows(), QStringList());
        QCOMPARE(f.probe->pageValues(), valuesKept ? values : QJsonObject());
        QCOMPARE(f.probe->pageKey(), QStringLiteral("3"));
        QVERIFY2(!f.probe->pushButton()->isEnabled(), "the table does not show page 3");
    }

    // Replies that come too late never reach the table: pages picked quickly in a row, and a
    // page still on its way when another module is picked.
    void staleRepliesNeverReachTheTable()
    {
        WindowFixture f;
        f.open({f.address() + " first", f.address() + " second"});
        QVERIFY(f.selectModule(1));
        // Each page answered faster than the one picked before it.
        f.sim.setBehaviour(Endpoint::Page, {Fault::None, 0, 600}, "1");
        f.sim.setBehaviour(Endpoint::Page, {Fault::None, 0, 300}, "3");
        QList<QPointer<QNetworkReply>> older;
        for (const char *key : {"1", "3"}) {
            QVERIFY(f.requestPage(key));
            older.append(f.probe->pageReply());
        }
        QVERIFY(f.openPage("2"));
        const QStringList rows = f.rows();
        QCOMPARE(rows.value(0), QStringLiteral("1|3|1|number:1")); // page 2
        // Whatever becomes of the older replies, they are released and the table stays.
        for (const QPointer<QNetworkReply> &reply : older)
            WAIT_VERIFY(reply.isNull());
        QCOMPARE(f.rows(), rows);
        QVERIFY(f.probe->pushButton()->isEnabled());

        // The other module empties the table at once, and the slow page never fills it.
        QVERIFY(f.requestPage("3"));
        QPointer<QNetworkReply> slowPage = f.probe->pageReply();
        f.sim.setBehaviour(Endpoint::PageList, {Fault::None, 0, 500});
        f.probe->comboBox()->setCurrentIndex(2);
        QCOMPARE(f.rows(), QStringList());
        QCOMPARE(f.pageKeys(), QStringList());
        QVERIFY(!f.probe->comboBox()->isEnabled() && !f.probe->pushButton()->isEnabled());
        WAIT_VERIFY(slowPage.isNull() && f.probe->comboBox()->isEnabled());
        QCOMPARE(f.rows(), QStringList());
        QVERIFY(!f.probe->pushButton()->isEnabled());
        QCOMPARE(f.pageKeys().size(), 5);
        QCOMPARE(f.modals.count(), 0);
    }

    // The filter hides what doesn't match, keeps headers with their members, and changes nothing
    // a save writes.
    void filterHidesRowsOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown"); // row keys
        QTest::newRow("a label, in any case") << "порт" << QStringList{"mqtt", "mqtt:port"};
        QTest::newRow("a key or a value, blanks around")
            << " port " << QStringList{"mqtt", "mqtt:port", "net", "net:dns:sub"};
        QTest::newRow("a header shows its group")
            << "mqtt" << QStringList{"mqtt", "mqtt:host", "mqtt:port", "mqtt:tls", "mqtt:user"};
        QTest::newRow("values") << "192.168.4" << QStringList{"net", "net:dns:sub", "net:ip"};
        QTest::newRow("nothing") << "none such" << QStringList();
    }
    void filterHidesRowsOnly()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        QFile catalog(QStringLiteral(QUILLNET_SIM_DATA_DIR "/catalog.json"));
        QVERIFY(catalog.open(QIODevice::ReadOnly));
        WindowFixture f;
        f.open({f.address()}, catalog.readAll());
        QVERIFY(f.selectModule() && f.openPage("3"));
        const QStringList all = f.probe->rowKeys();
        const auto visible = [&] {
            QStringList keys;
            for (int row = 0; row < all.size(); ++row) {
                if (!f.probe->tableWidget()->isRowHidden(row))
                    keys.append(all.at(row));
            }
            return keys;
        };
        auto *filter = f.window->findChild<QLineEdit *>(QStringLiteral("filterEdit"));
        filter->setText(text);
        QCOMPARE(visible(), shown);
        // A page loaded again is filtered alike.
        QVERIFY(f.openPage("3"));
        QCOMPARE(visible(), shown);
        f.probe->pushButton()->click();
        WAIT_COMPARE(f.sim.writes().size(), 1);
        QCOMPARE(jsonObject(f.sim.writes().constFirst()), (QJsonObject{{"3", f.sim.pages().value("3")}}));
        filter->clear();
        QCOMPARE(visible(), all);
    }

    // The wheel over a choice list scrolls the table, and changes the choice only once it has
    // focus; Tab leaves the table.
    void wheelChangesAChoiceOnlyWithFocus()
    {
        QJsonObject options;
        QJsonObject descriptions;
        for (int i = 0; i < 40; ++i) {
            const QString key = QStringLiteral("c%1").arg(i, 2, 10, QLatin1Char('0'));
            options.insert(key, 1);
            descriptions.insert(key, QJsonObject{{"type", 4}, {"data", "0=Off,1=On,2=Auto"}});
        }
        WindowFixture f;
        f.sim.setPages(QJsonObject{{"p", options}});
        f.open({f.address()}, compactJson({{"p", descriptions}}));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QVERIFY(f.selectModule() && f.openPage("p"));
        auto *box = qobject_cast<QComboBox *>(f.probe->tableWidget()->cellWidget(0, 1));
        const auto turn = [box] {
            QWheelEvent down(QPointF(5, 5), QPointF(box->mapToGlobal(QPoint(5, 5))), QPoint(),
                             QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(box, &down);
        };
        turn();
        QCOMPARE(box->currentIndex(), 1);
        QVERIFY(f.probe->tableWidget()->verticalScrollBar()->value() > 0);
        box->setFocus();
        WAIT_VERIFY(box->hasFocus());
        turn();
        QCOMPARE(box->currentIndex(), 2);

        // Tab leaves the table for Save, and goes on from there to the selector.
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(f.probe->pushButton()->hasFocus());
        QTest::keyClick(f.probe->pushButton(), Qt::Key_Tab);
        QVERIFY(f.probe->comboBox()->hasFocus());
    }

    void rows_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QByteArray>("descriptions"); // of the page
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("en is a flag by key, checked only for 1")
            << QByteArray(R"({"en":true,"g":{"en":2,"En":1}})") << QByteArray("{}")
            << QStringList{"en|7|en|shown:true", "g|0|g|header", "En|3|g:En|number:1", "en|2|g:en|flag:0"};
        QTest::newRow("values no editor holds as they are, a title")
            << QByteArray(R"({"arr":[1,"a"],"big":3000000000,"e":{},"frac":1.5,"n":null,"neg":-7})")
            << QByteArray(R"({"neg":{"title":"Below"}})")
            << QStringList{
                   "arr|7|arr|shown:[1,\"a\"]", "big|7|big|shown:3000000000", "e|7|e|shown:{}",
                   "frac|7|frac|shown:1.5",     "n|7|n|shown:null",           "Below|3|neg|number:-7"};
        QTest::newRow("allcfg: digit keys add the key, others the place, groups counted")
            << QByteArray(R"({"1":0,"g":{"s":1},"mode":0})")
            << QByteArray(R"({"allcfg":{"title":"Port","s":{"title":"S","type":1}}})")
            << QStringList{"Port1|3|1|number:0", "Port2|0|g|header", "S|2|g:s|flag:1",
                           "Port3|3|mode|number:0"};
        QTest::newRow("group with nested objects")
            << QByteArray(R"({"net":{"ip":"10.0.0.1","mask":{"b":"x","a":1},"none":{}},"z":2})")
            << QByteArray(R"({"net":{"title":"Network","ip":{"title":"IP"},"mask":{"title":"","type":4}}})")
            << QStringList{"Network|0|net|header", "IP|1|net:ip|text:10.0.0.1",
                           "mask|5|net:mask:sub|shown:a:1,b:x",
                           "none|5|net:none:sub|shown:", "z|3|z|number:2"};
        QTest::newRow("choice boxes, for numbers and text, before the en flag, outside the list")
            << QByteArray(R"({"n":2,"s":"b","en":1,"o":9,"t":"x"})")
            << QByteArray(
                   R"({"n":{"type":4,"data":"0=Off,1=On,2=Auto"},"s":{"type":4,"data":"a=Alpha,b=Beta"},)"
                   R"("en":{"title":"On","type":4,"data":"0=No,1=Yes"},"o":{"type":4,"data":"1=STA,2=AP"},)"
                   R"("t":{"type":4,"data":"a=Alpha"}})")
            << QStringList{"On|4|en|choice:No|Yes@1", "n|4|n|choice:Off|On|Auto@2", "o|4|o|choice:STA|AP|9@2",
                           "s|4|s|choice:Alpha|Beta@1", "t|4|t|choice:Alpha|x@1"};
        QTest::newRow("text cells only for top-level text")
            << QByteArray(R"({"n":5,"s":"line1\nline2","g":{"s":"t"}})")
            << QByteArray(R"({"n":{"type":6},"s":{"type":6},"g":{"s":{"type":6}}})")
            << QStringList{"g|0|g|header", "s|1|g:s|text:t", "n|3|n|number:5", "s|6|s|cell:line1\nline2"};
    }
    void rows()
    {
        QFETCH(QByteArray, options);
        QFETCH(QByteArray, descriptions);
        QFETCH(QStringList, rows);
        // Keys travel percent-encoded, whatever they hold.
        const QString key = QStringLiteral("a b&c#d+e%f=gя");
        WindowFixture f;
        f.sim.setPages(QJsonObject{{key, jsonObject(options)}});
        f.open({f.address()}, compactJson({{key, jsonObject(descriptions)}}));
        QVERIFY(f.selectModule());
        QTest::ignoreMessage(QtWarningMsg, qPrintable("page: \"" + key + '"'));
        QVERIFY(f.openPage(key));
        QCOMPARE(f.sim.requests().last(),
                 QStringLiteral("/jsonoptions?select=a%20b%26c%23d%2Be%25f%3Dg%D1%8F"));
        QCOMPARE(f.rows(), rows);
        QCOMPARE(f.modals.count(), 0);
    }
};

QTEST_MAIN(TestOptionPage)
#include "tst_optionpage.moc"
