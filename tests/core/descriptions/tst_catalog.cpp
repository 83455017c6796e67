// Catalog lookups, the label rule above all; the window's tests show that the table and
// the page list make them.

#include "core/descriptions/catalog.h"
#include "support/testjson.h"

#include <QtTest>

namespace {

const QByteArray kCatalog = R"({
    "shared": {"allcfg": {"title": "Port", "speed": {"title": "Speed", "type": 4, "data": "0=Auto"}},
               "1": {"title": "Own", "speed": {"title": "Own"}}},
    "untitled": {"allcfg": {"type": 1}}, "empty": {"allcfg": {}, "a": {"title": "Alpha"}},
    "own": {"allcfg": "Port", "a": {"title": "Alpha", "type": 4.0}, "f": {"title": "", "type": "4"},
            "net": {"mode": {"title": "Mode", "type": 4, "data": "1=STA,2=AP"}}}})";

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
        option("allcfg digit key appended whole", "shared", "07a", 0, "Port07a|0|");
        option("allcfg other key: its place", "shared", "x", 2, "Port3|0|");
        option("allcfg empty key: its place", "shared", "", 3, "Port4|0|");
        option("allcfg digit of another script: its place", "shared", QChar(0x0663), 0, "Port1|0|");
        option("allcfg overrides own entry", "shared", "1", 4, "Port1|0|");
        option("allcfg without title: the key", "untitled", "a", 1, "a|1|");
        option("allcfg not an object", "own", "a", 0, "Alpha|4|");
        option("empty allcfg", "empty", "a", 0, "Alpha|0|");
        option("empty title, kind as text", "own", "f", 0, "f|0|");
        // Members are looked up in a shared entry too, and get no numbering suffix.
        member("allcfg member", "shared", "1", "speed", "Speed|4|0=Auto");
        member("allcfg missing member", "shared", "1", "duplex", "duplex|0|");
        member("choice member", "own", "net", "mode", "Mode|4|1=STA,2=AP");
    }
    void lookups()
    {
        QFETCH(QString, page);
        QFETCH(QString, option);
        QFETCH(int, position);
        QFETCH(QString, member);
        QFETCH(QString, described);
        const QJsonObject descriptions = catalog::pageDescriptions(jsonObject(kCatalog), page);
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
};

QTEST_APPLESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
