// Catalog lookups on their own, for the cases beyond the common ones that the option table
// and page list tests show through the window.

#include "descriptions/catalog.h"

#include <QtTest>

namespace {

const QByteArray kCatalog = R"({
    "shared": {"allcfg": {"title": "Port", "speed": {"title": "Speed", "type": 4, "data": "0=Auto"}},
               "1": {"title": "Own", "speed": {"title": "Own"}}},
    "untitled": {"allcfg": {"type": 1}}, "empty": {"allcfg": {}, "a": {"title": "Alpha"}},
    "own": {"allcfg": "Port", "a": {"title": "Alpha", "type": 4.0}, "b": {"title": 5, "type": 4.5},
            "c": {"type": 4294967300}, "d": {"type": true}, "e": {"type": 9}, "f": {"title": "", "type": "4"},
            "net": {"mode": {"title": "Mode", "type": 4, "data": "1=STA,2=AP"}, "ip": {"type": 4, "data": 5},
                    "gw": "Gateway"}}})";

} // namespace

class TestCatalog : public QObject
{
    Q_OBJECT

private slots:
    // "label|kind|data" of an option at its place on the page, or of a member of a group.
    void lookups_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("member"); // null: the option itself
        QTest::addColumn<QString>("described");
        const auto option = [](const char *name, const char *page, const QString &key, int position,
                               const char *described) {
            QTest::newRow(name) << QString(page) << key << position << QString() << QString(described);
        };
        const auto member = [](const char *name, const char *page, const char *key, const char *sub,
                               const char *described) {
            QTest::newRow(name) << QString(page) << QString(key) << 0 << QString(sub) << QString(described);
        };
        // A shared entry labels a key that starts with a digit by the key, any other by its place.
        option("allcfg digit key appended whole", "shared", "10a", 0, "Port10a|0|");
        option("allcfg zero-led key", "shared", "07", 1, "Port07|0|");
        option("allcfg other key: its place", "shared", "x", 2, "Port3|0|");
        option("allcfg empty key: its place", "shared", "", 3, "Port4|0|");
        // Only 0 to 9 count as digits: Arabic-Indic three, fullwidth one, superscript two.
        option("allcfg Arabic-Indic digit", "shared", QChar(0x0663), 0, "Port1|0|");
        option("allcfg fullwidth digit", "shared", QChar(0xFF11), 1, "Port2|0|");
        option("allcfg superscript digit", "shared", QChar(0x00B2), 2, "Port3|0|");
        option("allcfg overrides own entry", "shared", "1", 4, "Port1|0|");
        option("allcfg without title: the key", "untitled", "a", 1, "a|1|");
        option("allcfg not an object", "own", "a", 0, "Alpha|4|");
        option("empty allcfg", "empty", "a", 0, "Alpha|0|");
        option("another page", "none", "a", 0, "a|0|");
        // Only an integral number is a kind.
        option("title and kind of other types", "own", "b", 0, "b|0|");
        option("kind beyond int", "own", "c", 0, "c|0|");
        option("kind boolean", "own", "d", 0, "d|0|");
        option("other kind", "own", "e", 0, "e|9|");
        option("empty title, kind as text", "own", "f", 0, "f|0|");
        // Members are looked up in a shared entry too, and get no numbering suffix.
        member("allcfg member", "shared", "1", "speed", "Speed|4|0=Auto");
        member("allcfg missing member", "shared", "1", "duplex", "duplex|0|");
        member("choice member", "own", "net", "mode", "Mode|4|1=STA,2=AP");
        member("data of another type", "own", "net", "ip", "ip|4|");
        member("entry of another type", "own", "net", "gw", "gw|0|");
        member("group without entry", "own", "other", "mode", "mode|0|");
    }
    void lookups()
    {
        QFETCH(QString, page);
        QFETCH(QString, option);
        QFETCH(int, position);
        QFETCH(QString, member);
        QFETCH(QString, described);
        const QJsonObject descriptions
            = catalog::pageDescriptions(QJsonDocument::fromJson(kCatalog).object(), page);
        const bool allcfg = catalog::allcfgInForce(descriptions);
        QJsonObject entry = catalog::optionEntry(descriptions, allcfg, option);
        QString label = catalog::optionLabel(entry, allcfg, option, position);
        if (!member.isNull()) {
            entry = catalog::memberEntry(entry, member);
            label = catalog::memberLabel(entry, member);
        }
        QCOMPARE(label + '|' + QString::number(catalog::editorKind(entry)) + '|' + catalog::choiceData(entry),
                 described);
    }

    // The window's tests show objects, arrays, broken and empty bodies; these are the rest.
    void parseCatalog_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("parsed");
        QTest::newRow("catalog") << QByteArray("{\r\n \"sysall\": {\"select\": {\"1\": \"Сеть\"}}\r\n}\r\n")
                                 << true;
        QTest::newRow("firmware null page") << QByteArray("{\"null\"}") << false;
        QTest::newRow("trailing text") << QByteArray("{\"a\":1} x") << false;
        // The JSON parser would take the two NUL keys as one and drop one of them.
        QTest::newRow("raw NUL bytes in keys")
            << QByteArrayLiteral("{\"\0b\":{},\"sysall\":{},\"\0a\":{}}") << false;
        QTest::newRow("NUL escapes in keys") << QByteArray(R"({"\u0000b":{},"\u0000a":{}})") << true;
    }
    void parseCatalog()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, parsed);
        const QJsonObject previous{{"previous", true}};
        QJsonObject result = previous;
        QCOMPARE(catalog::parseCatalog(body, &result), parsed);
        QCOMPARE(result, parsed ? QJsonDocument::fromJson(body).object() : previous);
    }
};

QTEST_APPLESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
