#include "descriptions/catalog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QtTest>

namespace {

QJsonObject object(const char *json)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json));
    if (!document.isObject())
        qFatal("Test data is not a JSON object: %s", json);
    return document.object();
}

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << QString::fromUtf8(text);
    return list;
}

// Labels of a page's top-level options, walked in the given order, the way the option
// table asks for them: page descriptions and the "allcfg" decision once, then per row.
QStringList labelsOf(const QJsonObject &catalogRoot, const QString &pageKey, const QStringList &keys)
{
    const QJsonObject page = catalog::pageDescriptions(catalogRoot, pageKey);
    const bool allcfg = catalog::allcfgInForce(page);
    QStringList labels;
    for (int position = 0; position < keys.size(); ++position) {
        const QString &key = keys.at(position);
        labels << catalog::optionLabel(catalog::optionEntry(page, allcfg, key), allcfg, key, position);
    }
    return labels;
}

} // namespace

class TestCatalog : public QObject
{
    Q_OBJECT

private slots:
    void pageTitle_data();
    void pageTitle();
    void optionLabels_data();
    void optionLabels();
    void editorKind_data();
    void editorKind();
    void choiceData();
    void members_data();
    void members();
    void parseCatalog_data();
    void parseCatalog();
};

void TestCatalog::pageTitle_data()
{
    QTest::addColumn<QByteArray>("catalogJson");
    QTest::addColumn<QString>("pageKey");
    QTest::addColumn<QString>("title");

    const QByteArray titled = R"({"sysall":{"select":{"a":"Network","b":"","c":5,"d":{"x":1}}}})";
    QTest::newRow("titled") << titled << "a" << "Network";
    QTest::newRow("empty title") << titled << "b" << "";
    QTest::newRow("number title") << titled << "c" << "";
    QTest::newRow("object title") << titled << "d" << "";
    QTest::newRow("unknown page") << titled << "promode" << "";
    QTest::newRow("no sysall") << QByteArray(R"({"a":{"allcfg":{}}})") << "a" << "";
    QTest::newRow("sysall not an object") << QByteArray(R"({"sysall":"x"})") << "a" << "";
    QTest::newRow("select not an object") << QByteArray(R"({"sysall":{"select":["a"]}})") << "a" << "";
    QTest::newRow("title of empty key") << QByteArray(R"({"sysall":{"select":{"":"Blank"}}})") << "" << "Blank";
    QTest::newRow("empty catalog") << QByteArray("{}") << "a" << "";
}

void TestCatalog::pageTitle()
{
    QFETCH(QByteArray, catalogJson);
    QFETCH(QString, pageKey);
    QFETCH(QString, title);
    const QJsonObject titles = catalog::pageTitles(QJsonDocument::fromJson(catalogJson).object());
    QCOMPARE(catalog::pageTitle(titles, pageKey), title);
}

void TestCatalog::optionLabels_data()
{
    QTest::addColumn<QByteArray>("pageJson");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("labels");

    const QByteArray port = R"({"allcfg":{"title":"Port"}})";
    QTest::newRow("digit keys then positions")
        << port << strings({"1", "2", "mode", "speed"}) << strings({"Port1", "Port2", "Port3", "Port4"});
    const QByteArray out = R"({"allcfg":{"title":"Out","type":1}})";
    QTest::newRow("allcfg digit keys") << out << strings({"1", "2"}) << strings({"Out1", "Out2"});
    QTest::newRow("allcfg letter keys") << out << strings({"a", "b"}) << strings({"Out1", "Out2"});
    QTest::newRow("allcfg mixed keys") << out << strings({"1", "b"}) << strings({"Out1", "Out2"});
    QTest::newRow("allcfg digit key is appended whole")
        << port << strings({"x", "10a", "07"}) << strings({"Port1", "Port10a", "Port07"});
    QTest::newRow("allcfg empty key counts by position")
        << port << strings({"a", ""}) << strings({"Port1", "Port2"});
    // Only 0 to 9 count as digits: Arabic-Indic three, fullwidth one, superscript two.
    QTest::newRow("allcfg non-ASCII digits count by position")
        << port << QStringList{QString(QChar(0x0663)), QString(QChar(0xFF11)), QString(QChar(0x00B2))}
        << strings({"Port1", "Port2", "Port3"});
    QTest::newRow("allcfg overrides option entries")
        << QByteArray(R"({"allcfg":{"title":"Port"},"1":{"title":"Own"},"a":{"title":"Own"}})")
        << strings({"1", "a"}) << strings({"Port1", "Port2"});
    QTest::newRow("allcfg empty title gives keys")
        << QByteArray(R"({"allcfg":{"title":"","type":4}})") << strings({"1", "a"}) << strings({"1", "a"});
    QTest::newRow("allcfg without title gives keys")
        << QByteArray(R"({"allcfg":{"type":1}})") << strings({"1", "a"}) << strings({"1", "a"});
    QTest::newRow("empty allcfg is not in force")
        << QByteArray(R"({"allcfg":{},"a":{"title":"Alpha"},"1":{"title":"One"}})")
        << strings({"1", "a", "b"}) << strings({"One", "Alpha", "b"});
    QTest::newRow("allcfg not an object is not in force")
        << QByteArray(R"({"allcfg":"Port","a":{"title":"Alpha"}})") << strings({"a", "b"})
        << strings({"Alpha", "b"});
    QTest::newRow("own titles")
        << QByteArray(R"({"ssid":{"title":"Network name"},"1":{"title":"First"}})")
        << strings({"1", "ssid"}) << strings({"First", "Network name"});
    QTest::newRow("empty own title gives key")
        << QByteArray(R"({"a":{"title":"","type":4}})") << strings({"a"}) << strings({"a"});
    QTest::newRow("title not a string gives key")
        << QByteArray(R"({"a":{"title":5},"b":{"title":["x"]}})") << strings({"a", "b"}) << strings({"a", "b"});
    QTest::newRow("entry not an object gives key")
        << QByteArray(R"({"a":"Alpha","b":7})") << strings({"a", "b"}) << strings({"a", "b"});
    QTest::newRow("no descriptions") << QByteArray("{}") << strings({"1", "x"}) << strings({"1", "x"});
}

void TestCatalog::optionLabels()
{
    QFETCH(QByteArray, pageJson);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, labels);
    QJsonObject root;
    root.insert(QStringLiteral("3"), QJsonDocument::fromJson(pageJson).object());
    QCOMPARE(labelsOf(root, QStringLiteral("3"), keys), labels);
    // Another page's descriptions never apply.
    QCOMPARE(labelsOf(root, QStringLiteral("4"), keys), keys);
}

void TestCatalog::editorKind_data()
{
    QTest::addColumn<QByteArray>("entryJson");
    QTest::addColumn<int>("kind");

    QTest::newRow("flag") << QByteArray(R"({"type":1})") << int(catalog::FlagKind);
    QTest::newRow("choice") << QByteArray(R"({"type":4,"data":"0=Off"})") << int(catalog::ChoiceKind);
    QTest::newRow("text cell") << QByteArray(R"({"type":6})") << int(catalog::TextCellKind);
    QTest::newRow("other code") << QByteArray(R"({"type":9})") << 9;
    QTest::newRow("integral fraction form") << QByteArray(R"({"type":4.0})") << 4;
    QTest::newRow("digit string") << QByteArray(R"({"type":"4"})") << 0;
    QTest::newRow("fraction") << QByteArray(R"({"type":4.5})") << 0;
    QTest::newRow("boolean") << QByteArray(R"({"type":true})") << 0;
    QTest::newRow("null") << QByteArray(R"({"type":null})") << 0;
    QTest::newRow("beyond int") << QByteArray(R"({"type":4294967300})") << 0;
    QTest::newRow("no type") << QByteArray(R"({"title":"x"})") << 0;
    QTest::newRow("empty entry") << QByteArray("{}") << 0;
}

void TestCatalog::editorKind()
{
    QFETCH(QByteArray, entryJson);
    QFETCH(int, kind);
    QCOMPARE(catalog::editorKind(QJsonDocument::fromJson(entryJson).object()), kind);
}

void TestCatalog::choiceData()
{
    QCOMPARE(catalog::choiceData(object(R"({"type":4,"data":"0=Off,1=On"})")), QStringLiteral("0=Off,1=On"));
    QCOMPARE(catalog::choiceData(object(R"({"type":4,"data":5})")), QString());
    QCOMPARE(catalog::choiceData(object(R"({"type":4})")), QString());
}

void TestCatalog::members_data()
{
    QTest::addColumn<QByteArray>("pageJson");
    QTest::addColumn<QString>("optionKey");
    QTest::addColumn<QString>("subKey");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("data");

    const QByteArray net = R"({"net":{"title":"Network",
        "ip":{"title":"Address","type":6},
        "mode":{"title":"Mode","type":4,"data":"1=STA,2=AP"},
        "mask":{"title":"","type":1},
        "gw":"Gateway",
        "dns":{}}})";
    QTest::newRow("titled") << net << "net" << "ip" << "Address" << 6 << "";
    QTest::newRow("choice") << net << "net" << "mode" << "Mode" << 4 << "1=STA,2=AP";
    QTest::newRow("empty title") << net << "net" << "mask" << "mask" << 1 << "";
    QTest::newRow("not an object") << net << "net" << "gw" << "gw" << 0 << "";
    QTest::newRow("empty entry") << net << "net" << "dns" << "dns" << 0 << "";
    QTest::newRow("missing") << net << "net" << "port" << "port" << 0 << "";
    QTest::newRow("group without entry") << net << "other" << "ip" << "ip" << 0 << "";
    // With a shared entry, members are looked up in it; no numbering suffix for members.
    const QByteArray shared = R"({"allcfg":{"title":"Port","speed":{"title":"Speed","type":4,"data":"0=Auto"}},
        "1":{"speed":{"title":"Own"}}})";
    QTest::newRow("allcfg member") << shared << "1" << "speed" << "Speed" << 4 << "0=Auto";
    QTest::newRow("allcfg member of letter key") << shared << "b" << "speed" << "Speed" << 4 << "0=Auto";
    QTest::newRow("allcfg missing member") << shared << "1" << "duplex" << "duplex" << 0 << "";
}

void TestCatalog::members()
{
    QFETCH(QByteArray, pageJson);
    QFETCH(QString, optionKey);
    QFETCH(QString, subKey);
    QFETCH(QString, label);
    QFETCH(int, kind);
    QFETCH(QString, data);
    const QJsonObject page = QJsonDocument::fromJson(pageJson).object();
    const bool allcfg = catalog::allcfgInForce(page);
    const QJsonObject member = catalog::memberEntry(catalog::optionEntry(page, allcfg, optionKey), subKey);
    QCOMPARE(catalog::memberLabel(member, subKey), label);
    QCOMPARE(catalog::editorKind(member), kind);
    QCOMPARE(catalog::choiceData(member), data);
}

void TestCatalog::parseCatalog_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("parsed");

    QTest::newRow("empty object") << QByteArray("{}") << true;
    QTest::newRow("catalog") << QByteArray("{\r\n \"sysall\": {\"select\": {\"1\": \"Сеть\"}}\r\n}\r\n") << true;
    QTest::newRow("array") << QByteArray("[]") << false;
    QTest::newRow("garbage") << QByteArray("<html>Bad gateway</html>") << false;
    QTest::newRow("null") << QByteArray("null") << false;
    QTest::newRow("string null") << QByteArray("\"null\"") << false;
    QTest::newRow("firmware null page") << QByteArray("{\"null\"}") << false;
    QTest::newRow("trailing text") << QByteArray("{\"a\":1} x") << false;
    QTest::newRow("cut short") << QByteArray("{\"sysall\":{\"select\":") << false;
    QTest::newRow("empty body") << QByteArray() << false;
    // The JSON parser would take the two NUL keys as one and drop one of them.
    QTest::newRow("raw NUL bytes in keys") << QByteArrayLiteral("{\"\0b\":{},\"sysall\":{},\"\0a\":{}}") << false;
    QTest::newRow("NUL escapes in keys") << QByteArray(R"({"\u0000b":{},"\u0000a":{}})") << true;
}

void TestCatalog::parseCatalog()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, parsed);
    const QJsonObject previous = object(R"({"previous":true})");
    QJsonObject result = previous;
    QCOMPARE(catalog::parseCatalog(body, &result), parsed);
    QCOMPARE(result, parsed ? QJsonDocument::fromJson(body).object() : previous);
}

QTEST_APPLESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
