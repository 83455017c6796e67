#include "modulesession.h"

#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QJsonDocument>
#include <QPointer>
#include <QtTest>

Q_DECLARE_METATYPE(ModuleSimulator::Fault)

namespace {

using Fault = ModuleSimulator::Fault;
using Behaviour = ModuleSimulator::Behaviour;
using Endpoint = ModuleSimulator::Endpoint;

QJsonObject json(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

const QString kPortsFirstRow = QStringLiteral("Порт 1|4|1|choice:Выкл|Вкл@1");

} // namespace

// Selecting a page: the request, what each kind of answer does to the table, the rule that
// Save is allowed only while the table shows the selected page of the selected module, and
// the table itself: labels, row kinds, row keys and editors of every kind of row.
class TestOptionPage : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void requestCarriesTheKey_data();
    void requestCarriesTheKey();
    void answers_data();
    void answers();
    void olderRepliesNeverReachTheTable();
    void saveFollowsThePageOnScreen();
    void rows_data();
    void rows();
    void samplePages_data();
    void samplePages();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestOptionPage::requestCarriesTheKey_data()
{
    QTest::addColumn<QString>("pageKey");
    QTest::addColumn<QString>("target");

    QTest::newRow("number") << "3"
                            << "/jsonoptions?select=3";
    QTest::newRow("query characters") << "a b&c#d+e%f=g"
                                      << "/jsonoptions?select=a%20b%26c%23d%2Be%25f%3Dg";
    QTest::newRow("Cyrillic") << QStringLiteral("сеть") << "/jsonoptions?select=%D1%81%D0%B5%D1%82%D1%8C";
}

void TestOptionPage::requestCarriesTheKey()
{
    QFETCH(QString, pageKey);
    QFETCH(QString, target);

    SimFixture fx;
    fx.sim.setPages(QJsonObject{{pageKey, QJsonObject{{"v", 7}}}});
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule());
    QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("page: \"%1\"").arg(pageKey)));
    QVERIFY(session.openPage(pageKey));
    QCOMPARE(fx.sim.requests().last(), target);
    // The module recognised the key: the page arrived and fills the table.
    QCOMPARE(session.rows(), QStringList{"v|3|v|number:7"});
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionPage::answers_data()
{
    QTest::addColumn<ModuleSimulator::Fault>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text"); // of the one box; empty: no box
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("tableKept"); // the previous page stays on screen
    QTest::addColumn<bool>("valuesKept"); // pageValues still holds the previous page

    const QString emptyPage = QStringLiteral("Пустая страница");
    const int warning = QMessageBox::Warning;
    QTest::newRow("empty-page text") << Fault::EmptyPageText << 0 << emptyPage << warning << false << true;
    QTest::newRow("null page") << Fault::NullPage << 0 << emptyPage << warning << false << true;
    QTest::newRow("not JSON") << Fault::InvalidJson << 0 << QStringLiteral("Ошибка парсера json!")
                              << int(QMessageBox::Critical) << false << false;
    QTest::newRow("HTTP error") << Fault::HttpStatus << 500 << QStringLiteral("Не удалось загрузить страницу")
                                << warning << true << true;
    QTest::newRow("empty body") << Fault::HttpStatus << 200 << QString() << 0 << false << true;
}

void TestOptionPage::answers()
{
    QFETCH(ModuleSimulator::Fault, fault);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(bool, tableKept);
    QFETCH(bool, valuesKept);
    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule() && session.openPage("2"));
    const QStringList rows = session.rows();
    const QJsonObject values = session.probe->pageValues();

    fx.sim.setBehaviour(Endpoint::Page, Behaviour{fault, status, 0}, "3");
    if (fault == Fault::InvalidJson)
        QTest::ignoreMessage(QtWarningMsg, ModuleSimulator::invalidJsonText().constData());
    QVERIFY(session.openPage("3"));

    QCOMPARE(session.boxTexts(), text.isEmpty() ? QStringList() : QStringList{text});
    if (!text.isEmpty())
        QCOMPARE(int(session.modals.last().icon), icon);
    QCOMPARE(session.rows(), tableKept ? rows : QStringList());
    QCOMPARE(session.probe->pageValues(), valuesKept ? values : QJsonObject());
    QCOMPARE(session.probe->pageKey(), QStringLiteral("3"));
    QVERIFY2(!session.probe->pushButton()->isEnabled(), "the table does not show page 3");
}

void TestOptionPage::olderRepliesNeverReachTheTable()
{
    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule());

    // Pages picked quickly in a row, each answered faster than the one before it.
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 600}, "1");
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 300}, "3");
    QList<QPointer<QNetworkReply>> older;
    for (const char *key : {"1", "3"}) {
        QVERIFY(session.requestPage(key));
        older.append(session.probe->pageReply());
    }
    QVERIFY(session.openPage("2"));
    const QStringList rows = session.rows();
    QCOMPARE(rows.value(0), kPortsFirstRow);

    // Whatever becomes of the older replies, they are released and the table stays.
    for (const QPointer<QNetworkReply> &reply : older)
        QTRY_VERIFY_WITH_TIMEOUT(reply.isNull(), 5000);
    QCOMPARE(session.rows(), rows);
    QVERIFY(session.probe->pushButton()->isEnabled());
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionPage::saveFollowsThePageOnScreen()
{
    SimFixture fx;
    QJsonObject pages = fx.sim.pages();
    pages.insert("bare", 5);
    pages.remove("promode");
    fx.sim.setPages(pages, {"1", "2", "bare"});
    ModuleSession session({fx.address()});
    QPushButton *save = session.probe->pushButton();
    QVERIFY2(!save->isEnabled(), "nothing on screen at start-up");

    QVERIFY(session.selectModule(1));
    QVERIFY2(!save->isEnabled(), "a page list is no page");
    QVERIFY(session.openPage("1"));
    QVERIFY(save->isEnabled());
    const QStringList requests = fx.sim.requests();
    const QStringList rows = session.rows();

    // An entry without a page key sends nothing and leaves the page on screen.
    session.probe->listWidget()->addItem(QStringLiteral("no key"));
    QTest::ignoreMessage(QtWarningMsg, "Warning page");
    session.probe->listWidget()->setCurrentRow(session.probe->listWidget()->count() - 1);
    QCOMPARE(fx.sim.requests(), requests);
    QCOMPARE(session.rows(), rows);
    QVERIFY(save->isEnabled());

    // While the next page is on its way the table still shows the previous one.
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 300}, "2");
    QVERIFY(session.requestPage("2"));
    QVERIFY(!save->isEnabled());
    QCOMPARE(session.rows(), rows);
    QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), 5000);
    QCOMPARE(session.rows().first(), kPortsFirstRow);

    // A page whose options are not an object shows no rows and cannot be saved: a save would
    // replace the module's value with an empty object.
    QVERIFY(session.openPage("bare"));
    QCOMPARE(session.rows(), QStringList());
    QVERIFY(!save->isEnabled());
    QVERIFY(session.modals.records.isEmpty());

    // The service page is listed by the window, not by the module: it is unknown here.
    QVERIFY(session.openPage("promode"));
    QCOMPARE(session.boxTexts(), QStringList{"Не удалось загрузить страницу"});
    QVERIFY(!save->isEnabled());
}

void TestOptionPage::rows_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("descriptions"); // of the page "p"
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("en is a flag by key, checked only for 1")
        << QByteArray(R"({"en":true,"g":{"en":2,"En":1}})") << QByteArray("{}")
        << QStringList{"en|7|en|shown:true", "g|0|g|header", "En|3|g:En|number:1", "en|2|g:en|flag:0"};
    QTest::newRow("values no editor holds as they are")
        << QByteArray(R"({"arr":[1,"a"],"big":3000000000,"e":{},"frac":1.5,"n":null,"neg":-7})")
        << QByteArray("{}")
        << QStringList{"arr|7|arr|shown:[1,\"a\"]", "big|7|big|shown:3000000000", "e|7|e|shown:{}",
                       "frac|7|frac|shown:1.5",     "n|7|n|shown:null",          "neg|3|neg|number:-7"};
    QTest::newRow("titles and empty titles")
        << QByteArray(R"({"a":1,"b":1,"c":1})")
        << QByteArray(R"({"a":{"title":"Alpha"},"b":{"title":"","type":1},"c":{"title":5}})")
        << QStringList{"Alpha|3|a|number:1", "b|2|b|flag:1", "c|3|c|number:1"};
    QTest::newRow("allcfg: digit keys add the key, others the position")
        << QByteArray(R"({"1":0,"2":1,"mode":0,"speed":0})") << QByteArray(R"({"allcfg":{"title":"Port"}})")
        << QStringList{"Port1|3|1|number:0", "Port2|3|2|number:1", "Port3|3|mode|number:0",
                       "Port4|3|speed|number:0"};
    QTest::newRow("allcfg with an empty title labels by key")
        << QByteArray(R"({"1":1,"x":1})") << QByteArray(R"({"allcfg":{"title":"","type":1}})")
        << QStringList{"1|2|1|flag:1", "x|2|x|flag:1"};
    QTest::newRow("allcfg empty object not in force, a type given as text no type")
        << QByteArray(R"({"a":1})")
        << QByteArray(R"({"allcfg":{},"a":{"title":"Alpha","type":"4","data":"1=x"}})")
        << QStringList{"Alpha|3|a|number:1"};
    QTest::newRow("allcfg describes group members too")
        << QByteArray(R"({"g":{"s":1}})")
        << QByteArray(R"({"allcfg":{"title":"G","s":{"title":"S","type":1}}})")
        << QStringList{"G1|0|g|header", "S|2|g:s|flag:1"};
    QTest::newRow("group with nested objects")
        << QByteArray(R"({"net":{"ip":"10.0.0.1","mask":{"b":"x","a":1},"none":{}},"z":2})")
        << QByteArray(R"({"net":{"title":"Network","ip":{"title":"IP"},"mask":{"title":"","type":4}}})")
        << QStringList{"Network|0|net|header", "IP|1|net:ip|text:10.0.0.1",
                       "mask|5|net:mask:sub|shown:a:1,b:x", "none|5|net:none:sub|shown:", "z|3|z|number:2"};
    QTest::newRow("choice boxes")
        << QByteArray(R"({"n":2,"m":5,"s":"b","u":1,"x":"auto","en":1})")
        << QByteArray(
               R"({"n":{"type":4,"data":"0=Off,1=On,2=Auto"},"m":{"type":4,"data":"0=Off,1=On,2=Auto"},)"
               R"("s":{"type":4,"data":"a=Alpha,b=Beta"},"u":{"type":4,"data":"1=One,1=Uno"},)"
               R"("x":{"type":4,"data":"1=a=b,3=,auto"},"en":{"title":"On","type":4,"data":"0=No,1=Yes"}})")
        << QStringList{"On|4|en|choice:No|Yes@1",    "m|4|m|choice:Off|On|Auto@0",
                       "n|4|n|choice:Off|On|Auto@2", "s|4|s|choice:Alpha|Beta@1",
                       "u|4|u|choice:One|Uno@1",     "x|4|x|choice:a||auto@2"};
    QTest::newRow("text cells only for top-level text")
        << QByteArray(R"({"n":5,"s":"line1\nline2","g":{"s":"t"}})")
        << QByteArray(R"({"n":{"type":6},"s":{"type":6},"g":{"s":{"type":6}}})")
        << QStringList{"g|0|g|header", "s|1|g:s|text:t", "n|3|n|number:5", "s|6|s|cell:line1\nline2"};
}

void TestOptionPage::rows()
{
    QFETCH(QByteArray, options);
    QFETCH(QByteArray, descriptions);
    QFETCH(QStringList, rows);
    SimFixture fx;
    fx.sim.setPages(QJsonObject{{"p", json(options)}});
    ModuleSession session({fx.address()});
    // Replaces the sample catalog: the other pages' descriptions must not matter.
    session.probe->descriptions() = QJsonObject{{"p", json(descriptions)}};
    QVERIFY(session.selectModule() && session.openPage("p"));

    QCOMPARE(session.rows(), rows);
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionPage::samplePages_data()
{
    QTest::addColumn<QString>("pageKey");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("1: network") << "1"
                                << QStringList{"DHCP|2|dhcp|flag:1",
                                               "Включено|2|en|flag:1",
                                               "Режим Wi-Fi|4|mode|choice:STA|AP|AP+STA@1",
                                               "Имя модуля|1|name|text:Boiler room",
                                               "Пароль сети|1|pass|text:quill2024",
                                               "Порт HTTP|3|port|number:80",
                                               "Скорость|4|speed|choice:Выкл|Вкл|Авто@2",
                                               "Имя сети (SSID)|1|ssid|text:Quillnet-Boiler"};
    QTest::newRow("3: groups") << "3"
                               << QStringList{"MQTT|0|mqtt|header",
                                              "Брокер|1|mqtt:host|text:broker.local",
                                              "Порт|3|mqtt:port|number:1883",
                                              "TLS|2|mqtt:tls|flag:0",
                                              "Пользователь|1|mqtt:user|text:boiler",
                                              "Сеть|0|net|header",
                                              "Канал|3|net:ch|number:6",
                                              "DNS-сервер|5|net:dns:sub|shown:host:192.168.4.1,port:53",
                                              "Включено|2|net:en|flag:1",
                                              "IP-адрес|1|net:ip|text:192.168.4.20",
                                              "Маска|5|net:mask:sub|shown:a:255,b:255,c:255,d:0",
                                              "Адресация|4|net:mode|choice:Статическая|DHCP@0",
                                              "Период опроса, с|3|period|number:30"};
}

void TestOptionPage::samplePages()
{
    QFETCH(QString, pageKey);
    QFETCH(QStringList, rows);
    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule() && session.openPage(pageKey));
    QCOMPARE(session.rows(), rows);
}

QTEST_MAIN(TestOptionPage)
#include "tst_optionpage.moc"
