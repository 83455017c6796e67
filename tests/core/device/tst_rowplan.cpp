#include "core/device/rowplan.h"
#include "core/json/jsontext.h"
#include "support/testjson.h"

#include <QtTest>

namespace {

const QString kPageKey = QStringLiteral("3");

// "label|kind|row key|place|value", and "|choice labels" for a choice box. The place is
// "key@position" for an option or a header, "key/sub@position.member" for a member.
QStringList describe(const RowPlan &plan)
{
    QStringList rows;
    for (const PlannedRow &row : plan) {
        const RowPlace &place = row.place;
        QString at = place.key + '@' + QString::number(place.position);
        if (place.isMember)
            at = place.key + '/' + place.subKey + '@' + QString::number(place.position) + '.'
                + QString::number(place.memberPosition);
        QString text
            = QStringList{row.label, QString::number(row.kind), row.rowKey, at, jsonText(row.value)}.join(
                '|');
        if (row.choices)
            text += '|' + row.choices->labels.join(',');
        rows.append(text);
    }
    return rows;
}

} // namespace

// A page's rows as the window's table and quillnet show them: kinds, labels, keys, places and
// choice lists, from the options and the page's descriptions in the catalog.
class TestRowPlan : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QByteArray>("descriptions"); // of the page
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("no descriptions: labels are the keys, kinds from the values")
            << QByteArray(R"({"en":1,"name":"abc","port":80,"frac":1.5})") << QByteArray("{}")
            << QStringList{"en|2|en|en@0|1", "frac|7|frac|frac@1|1.5", "name|1|name|name@2|\"abc\"",
                           "port|3|port|port@3|80"};
        QTest::newRow("allcfg: a digit key adds itself, others their place, groups counted")
            << QByteArray(R"({"1":0,"b":"x","g":{"s":1,"t":2},"mode":0})")
            << QByteArray(R"({"allcfg":{"title":"Port","s":{"title":"S","type":1}},"b":{"title":"Own"}})")
            << QStringList{"Port1|3|1|1@0|0",   "Port2|1|b|b@1|\"x\"", "Port3|0|g|g@2|{\"s\":1,\"t\":2}",
                           "S|2|g:s|g/s@2.0|1", "t|3|g:t|g/t@2.1|2",   "Port4|3|mode|mode@3|0"};
        QTest::newRow("an empty allcfg is not in force: the own entries")
            << QByteArray(R"({"a":1,"b":2})") << QByteArray(R"({"allcfg":{},"a":{"title":"Alpha","type":1}})")
            << QStringList{"Alpha|2|a|a@0|1", "b|3|b|b@1|2"};
        QTest::newRow("group members: nested objects, titles, keys holding the separator")
            << QByteArray(R"({"net":{"ip":"10.0.0.1","mask":{"b":"x","a":1},"none":{}},"x:y":{"z":"1"}})")
            << QByteArray(R"({"net":{"title":"Network","ip":{"title":"IP"},"mask":{"title":""}}})")
            << QStringList{
                   "Network|0|net|net@0|{\"ip\":\"10.0.0.1\",\"mask\":{\"a\":1,\"b\":\"x\"},\"none\":{}}",
                   "IP|1|net:ip|net/ip@0.0|\"10.0.0.1\"",
                   "mask|5|net:mask:sub|net/mask@0.1|{\"a\":1,\"b\":\"x\"}",
                   "none|5|net:none:sub|net/none@0.2|{}",
                   "x:y|0|x:y|x:y@1|{\"z\":\"1\"}",
                   "z|1|x:y:z|x:y/z@1.0|\"1\""};
        QTest::newRow("choice lists from the entry, the member's entry, and before the en flag")
            << QByteArray(R"({"en":1,"g":{"m":"b","n":2},"s":"a"})")
            << QByteArray(
                   R"({"en":{"title":"On","type":4,"data":"0=No,1=Yes"},"s":{"type":4,"data":"a=Alpha"},)"
                   R"("g":{"type":4,"data":"x=X","m":{"type":4,"data":"a=A,b=B"},"n":{"type":4}}})")
            << QStringList{"On|4|en|en@0|1|No,Yes", "g|0|g|g@1|{\"m\":\"b\",\"n\":2}",
                           "m|4|g:m|g/m@1.0|\"b\"|A,B", "n|4|g:n|g/n@1.1|2|", "s|4|s|s@2|\"a\"|Alpha"};
        QTest::newRow("text cells for top-level text only; JSON for what no editor holds")
            << QByteArray(R"({"e":{},"g":{"s":"t","big":3000000000},"n":5,"nul":null,"s":"t"})")
            << QByteArray(R"({"n":{"type":6},"s":{"type":6},"g":{"s":{"type":6}}})")
            << QStringList{"e|7|e|e@0|{}",
                           "g|0|g|g@1|{\"big\":3000000000,\"s\":\"t\"}",
                           "big|7|g:big|g/big@1.0|3000000000",
                           "s|1|g:s|g/s@1.1|\"t\"",
                           "n|3|n|n@2|5",
                           "nul|7|nul|nul@3|null",
                           "s|6|s|s@4|\"t\""};
        QTest::newRow("empty page") << QByteArray("{}") << QByteArray(R"({"allcfg":{"title":"Port"}})")
                                    << QStringList();
    }
    void rows()
    {
        QFETCH(QByteArray, options);
        QFETCH(QByteArray, descriptions);
        QFETCH(QStringList, rows);
        // Descriptions of another page are never read.
        const QJsonObject catalog{{kPageKey, jsonObject(descriptions)},
                                  {"4", QJsonObject{{"allcfg", QJsonObject{{"title", "Other"}}}}}};
        QCOMPARE(describe(planRows(catalog, kPageKey, jsonObject(options))), rows);
    }

    // Rows that share one description entry share its list, split once.
    void choiceListsShared()
    {
        const QJsonObject catalog{
            {kPageKey,
             jsonObject(R"({"allcfg":{"type":4,"data":"0=Off,1=On","x":{"type":4,"data":"0=Off"}}})")}};
        const RowPlan plan = planRows(catalog, kPageKey, jsonObject(R"({"a":0,"b":1,"g":{"x":0},"c":0})"));
        QCOMPARE(plan.size(), 5);
        // In key order: a, b, c, the header g, its member x.
        QVERIFY(plan.at(0).choices && plan.at(0).choices == plan.at(1).choices);
        QCOMPARE(plan.at(2).choices, plan.at(0).choices);
        QCOMPARE(plan.at(0).choices->labels, (QStringList{"Off", "On"}));
        QVERIFY(!plan.at(3).choices);
        // A member's entry in a shared one is its own, named by the member's key.
        QVERIFY(plan.at(4).choices);
        QCOMPARE(plan.at(4).choices->labels, QStringList{"Off"});
    }
};

QTEST_APPLESS_MAIN(TestRowPlan)
#include "tst_rowplan.moc"
