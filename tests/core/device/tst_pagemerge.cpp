#include "core/device/pagemerge.h"
#include "support/rowbyrowpage.h"
#include "support/testjson.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

// A row of the save: its key and the value it stores.
struct Step
{
    QString rowKey;
    QJsonValue value;
};

// The tests name a place the way the table keys its rows, "option" or "group:member", with
// the positions the fill would find in page (none for keys it lacks).
RowPlace place(const QJsonObject &page, const QString &rowKey)
{
    const QStringList parts = rowKey.split(':');
    const int position = int(page.keys().indexOf(parts.at(0)));
    if (parts.size() == 1)
        return {rowKey, {}, false, position};
    const int memberPosition = int(page.value(parts.at(0)).toObject().keys().indexOf(parts.at(1)));
    return {parts.at(0), parts.at(1), true, position, memberPosition};
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

// The save's merge of all rows into the page, which must give what storing row by row gives.
class TestPageMerge : public QObject
{
    Q_OBJECT

private slots:
    void mergeSameAsRowByRow_data()
    {
        QTest::addColumn<QJsonObject>("page");
        QTest::addColumn<QList<Step>>("steps");

        const QJsonObject page = jsonObject(R"({"en":1,"mode":"2","name":"home",
            "net":{"ch":6,"tag":"hi","mask":{"a":1}},"mqtt":{"port":1883},"speed":2})");
        QTest::newRow("rows out of order")
            << page << QList<Step>{{"speed", 1},     {"net:tag", "y"}, {"en", 1},    {"net:ch", 3},
                                   {"mqtt:port", 1}, {"net:tag", "z"}, {"mode", "3"}};
        QTest::newRow("a group and its key as an option")
            << page << QList<Step>{{"net:ch", 7}, {"net", "flat"}, {"net:ch", 8}};
        QTest::newRow("members of a missing group")
            << page << QList<Step>{{"new:a", 1}, {"new:b", "x"}, {"zz", 5}, {"aa", "first"}};
        QTest::newRow("a member of an option that is no group")
            << page << QList<Step>{{"name:x", 1}, {"speed:y", "s"}};
        // Positions found by the fill hold only until a key is added or taken out.
        const QJsonValue removed(QJsonValue::Undefined);
        QTest::newRow("a group added before options stored by position")
            << page << QList<Step>{{"b:x", 1}, {"speed", 9}, {"net:tag", "t"}, {"en", 0}};
        QTest::newRow("an option and a member taken out")
            << page << QList<Step>{{"en", removed}, {"mode", "1"}, {"net:ch", removed}, {"net:mask", 5}};
        QTest::newRow("a group opened again after a member was added")
            << page << QList<Step>{{"net:add", 1}, {"speed", 9}, {"net:tag", "t"}};
        QTest::newRow("an empty page")
            << QJsonObject() << QList<Step>{{"b", 1}, {"a", 2}, {"g:x", 3}, {"", 4}, {":", 5}};

        // Top-level options and groups of members, visited in the table's row order.
        QJsonObject large;
        QList<Step> rows;
        for (int i = 0; i < 200; ++i) {
            const QString key = QStringLiteral("k%1").arg(i, 3, 10, QLatin1Char('0'));
            if (i % 4 == 0) {
                large.insert(key, QJsonObject{{"a", i}, {"b", QString::number(i)}});
                rows += QList<Step>{{key + ":a", -i}, {key + ":b", "v"}};
            } else {
                large.insert(key, i % 2 ? QJsonValue(i) : QJsonValue(QString::number(i)));
                rows += QList<Step>{{key, "v" + key}};
            }
        }
        QTest::newRow("a page in fill order") << large << rows;
    }

    void mergeSameAsRowByRow()
    {
        QFETCH(QJsonObject, page);
        QFETCH(QList<Step>, steps);

        QJsonObject expected = page;
        PageMerge merge(page);
        for (const Step &step : steps) {
            const RowPlace at = place(page, step.rowKey);
            rowbyrow::storeValue(&expected, at, step.value);
            merge.store(at, step.value);
        }
        QCOMPARE(merge.result(), expected);
        QCOMPARE(merge.result(), expected); // a second result() changes nothing
    }
};

QTEST_APPLESS_MAIN(TestPageMerge)
#include "tst_pagemerge.moc"
