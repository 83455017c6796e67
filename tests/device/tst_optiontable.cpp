#include "modulesession.h"

#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QJsonDocument>
#include <QtTest>

#include <memory>

namespace {

QJsonObject json(const QByteArray &text) { return QJsonDocument::fromJson(text).object(); }

} // namespace

// The option table as the window builds it from a page of the simulated module: labels,
// row kinds, row keys and editors of every kind of row.
class TestOptionTable : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void rows_data();
    void rows();
    void samplePages_data();
    void samplePages();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestOptionTable::rows_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("descriptions"); // of the page "p"
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("types without descriptions")
        << QByteArray(R"({"port":80,"name":"abc","en":1})") << QByteArray("{}")
        << QStringList{"en|2|en|flag:1", "name|1|name|text:abc", "port|3|port|number:80"};
    QTest::newRow("en is a flag by key, checked only for 1")
        << QByteArray(R"({"en":true,"g":{"en":2,"En":1}})") << QByteArray("{}")
        << QStringList{"en|2|en|flag:0", "g|0|g|header", "En|3|g:En|number:1", "en|2|g:en|flag:0"};
    QTest::newRow("values that read as 0")
        << QByteArray(R"({"arr":[1],"big":3000000000,"e":{},"frac":1.5,"n":null,"neg":-7})") << QByteArray("{}")
        << QStringList{"arr|3|arr|number:0", "big|3|big|number:0", "e|3|e|number:0",
                       "frac|3|frac|number:0", "n|3|n|number:0", "neg|3|neg|number:-7"};
    QTest::newRow("titles and empty titles")
        << QByteArray(R"({"a":1,"b":1,"c":1})")
        << QByteArray(R"({"a":{"title":"Alpha"},"b":{"title":"","type":1},"c":{"title":5}})")
        << QStringList{"Alpha|3|a|number:1", "b|2|b|flag:1", "c|3|c|number:1"};
    QTest::newRow("allcfg: digit keys add the key, others the position")
        << QByteArray(R"({"1":0,"2":1,"mode":0,"speed":0})") << QByteArray(R"({"allcfg":{"title":"Port"}})")
        << QStringList{"Port1|3|1|number:0", "Port2|3|2|number:1", "Port3|3|mode|number:0",
                       "Port4|3|speed|number:0"};
    QTest::newRow("allcfg describes group members too")
        << QByteArray(R"({"g":{"s":1}})") << QByteArray(R"({"allcfg":{"title":"G","s":{"title":"S","type":1}}})")
        << QStringList{"G1|0|g|header", "S|2|g:s|flag:1"};
    QTest::newRow("group with nested objects")
        << QByteArray(R"({"net":{"ip":"10.0.0.1","mask":{"b":"x","a":1},"none":{}},"z":2})")
        << QByteArray(R"({"net":{"title":"Network","ip":{"title":"IP"},"mask":{"title":"","type":4}}})")
        << QStringList{"Network|0|net|header", "IP|1|net:ip|text:10.0.0.1", "mask|5|net:mask:sub|text:a:1,b:x",
                       "none|5|net:none:sub|text:", "z|3|z|number:2"};
    QTest::newRow("choice boxes")
        << QByteArray(R"({"n":2,"m":5,"s":"b","u":1,"x":"auto","en":1})")
        << QByteArray(R"({"n":{"type":4,"data":"0=Off,1=On,2=Auto"},"m":{"type":4,"data":"0=Off,1=On,2=Auto"},)"
                      R"("s":{"type":4,"data":"a=Alpha,b=Beta"},"u":{"type":4,"data":"1=One,1=Uno"},)"
                      R"("x":{"type":4,"data":"1=a=b,3=,auto"},"en":{"title":"On","type":4,"data":"0=No,1=Yes"}})")
        << QStringList{"On|4|en|choice:No|Yes@1", "m|4|m|choice:Off|On|Auto@0", "n|4|n|choice:Off|On|Auto@2",
                       "s|4|s|choice:Alpha|Beta@1", "u|4|u|choice:One|Uno@1", "x|4|x|choice:a||auto@2"};
    QTest::newRow("choice boxes in a group")
        << QByteArray(R"({"g":{"t":"2","v":1,"w":3}})")
        << QByteArray(R"({"g":{"t":{"type":4,"data":"1=STA,2=AP"},"v":{"type":4,"data":"1=STA,2=AP"},"w":{"type":4}}})")
        << QStringList{"g|0|g|header", "t|4|g:t|choice:STA|AP@1", "v|4|g:v|choice:STA|AP@0", "w|4|g:w|choice:@0"};
    QTest::newRow("text cells only for top-level text")
        << QByteArray(R"({"n":5,"s":"line1\nline2","g":{"s":"t"}})")
        << QByteArray(R"({"n":{"type":6},"s":{"type":6},"g":{"s":{"type":6}}})")
        << QStringList{"g|0|g|header", "s|1|g:s|text:t", "n|3|n|number:5", "s|6|s|cell:line1\nline2"};
}

void TestOptionTable::rows()
{
    QFETCH(QByteArray, options);
    QFETCH(QByteArray, descriptions);
    QFETCH(QStringList, rows);

    SimFixture fx;
    fx.sim.setPages(QJsonObject{{QStringLiteral("p"), json(options)}});
    ModuleSession session({fx.address()});
    // Replaces the sample catalog: the other pages' descriptions must not matter.
    session.probe->descriptions() = QJsonObject{{QStringLiteral("p"), json(descriptions)}};
    QVERIFY(session.selectModule());
    QVERIFY(session.openPage(QStringLiteral("p")));

    QCOMPARE(session.rows(), rows);
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionTable::samplePages_data()
{
    QTest::addColumn<QString>("pageKey");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("1: network") << "1"
        << QStringList{"DHCP|2|dhcp|flag:1", "Включено|2|en|flag:1", "Режим Wi-Fi|4|mode|choice:STA|AP|AP+STA@1",
                       "Имя модуля|1|name|text:Boiler room", "Пароль сети|1|pass|text:quill2024",
                       "Порт HTTP|3|port|number:80", "Скорость|4|speed|choice:Выкл|Вкл|Авто@2",
                       "Имя сети (SSID)|1|ssid|text:Quillnet-Boiler"};
    QTest::newRow("3: groups") << "3"
        << QStringList{"MQTT|0|mqtt|header", "Брокер|1|mqtt:host|text:broker.local", "Порт|3|mqtt:port|number:1883",
                       "TLS|2|mqtt:tls|flag:0", "Пользователь|1|mqtt:user|text:boiler",
                       "Сеть|0|net|header", "Канал|3|net:ch|number:6",
                       "DNS-сервер|5|net:dns:sub|text:host:192.168.4.1,port:53",
                       "Включено|2|net:en|flag:1", "IP-адрес|1|net:ip|text:192.168.4.20",
                       "Маска|5|net:mask:sub|text:a:255,b:255,c:255,d:0",
                       "Адресация|4|net:mode|choice:Статическая|DHCP@0", "Период опроса, с|3|period|number:30"};
}

void TestOptionTable::samplePages()
{
    QFETCH(QString, pageKey);
    QFETCH(QStringList, rows);

    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule());
    QVERIFY(session.openPage(pageKey));
    QCOMPARE(session.rows(), rows);
}

QTEST_MAIN(TestOptionTable)
#include "tst_optiontable.moc"
