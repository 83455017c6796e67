// The save's merge of row values into the page must give what storing row by row gives,
// whatever the order of the rows and whatever the page holds.

#include "device/savemodel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

struct Step
{
    QString rowKey;
    QJsonValue value; // undefined: only read the stored value
};

// A step that only reads what is stored at its place.
const QJsonValue kRead(QJsonValue::Undefined);

QJsonObject parse(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestPageMerge : public QObject
{
    Q_OBJECT

private slots:
    void sameAsRowByRow_data();
    void sameAsRowByRow();
    void aPageInFillOrder();
};

void TestPageMerge::sameAsRowByRow_data()
{
    QTest::addColumn<QJsonObject>("page");
    QTest::addColumn<QList<Step>>("steps");

    const QJsonObject page = parse(R"({"en":1,"mode":"2","name":"home",
        "net":{"ch":6,"tag":"hi","mask":{"a":1}},"mqtt":{"port":1883},"speed":2})");
    QTest::newRow("rows in key order") << page
        << QList<Step>{{"en", 0}, {"mode", kRead}, {"mode", "1"}, {"mqtt:port", kRead},
                       {"mqtt:port", 1884}, {"name", "lab"}, {"net:ch", kRead}, {"net:ch", 11},
                       {"net:mask:sub", kRead}, {"net:tag", "x"}, {"speed", 0}};
    QTest::newRow("rows out of order") << page
        << QList<Step>{{"speed", 1}, {"net:tag", "y"}, {"en", 1}, {"net:ch", 3}, {"mqtt:port", 1},
                       {"net:tag", kRead}, {"net:tag", "z"}, {"mode", "3"}};
    QTest::newRow("a group and its key as an option") << page
        << QList<Step>{{"net:ch", 7}, {"net", kRead}, {"net", "flat"}, {"net:ch", kRead},
                       {"net:ch", 8}, {"net", kRead}};
    QTest::newRow("members of a missing group") << page
        << QList<Step>{{"new:a", kRead}, {"new:a", 1}, {"new:b", "x"}, {"zz", 5}, {"aa", "first"}};
    QTest::newRow("a member read, never stored, adds no group") << page
        << QList<Step>{{"none:a", kRead}, {"en", 0}, {"none:b", kRead}};
    QTest::newRow("a member of an option that is no group") << page
        << QList<Step>{{"name:x", kRead}, {"name:x", 1}, {"name", kRead}, {"speed:y", "s"}};
    QTest::newRow("three-part keys use the first two") << page
        << QList<Step>{{"net:ch:sub", 9}, {"a:b:c", "v"}, {"a:b", kRead}};
    QTest::newRow("an empty page") << QJsonObject()
        << QList<Step>{{"b", 1}, {"a", 2}, {"g:x", 3}, {"c", kRead}, {"", 4}, {":", 5}};
    QTest::newRow("nothing stored") << page << QList<Step>{};
}

void TestPageMerge::sameAsRowByRow()
{
    QFETCH(QJsonObject, page);
    QFETCH(QList<Step>, steps);

    QJsonObject expected = page;
    savemodel::PageMerge merge(page);
    for (const Step &step : steps) {
        const RowKeyParts place = splitRowKey(step.rowKey);
        QCOMPARE(merge.stored(place), savemodel::storedValue(expected, place));
        if (step.value.isUndefined())
            continue;
        savemodel::storeValue(&expected, place, step.value);
        merge.store(place, step.value);
    }
    QCOMPARE(merge.result(), expected);
    QCOMPARE(merge.result(), expected); // a second result() changes nothing
}

void TestPageMerge::aPageInFillOrder()
{
    // Top-level options and groups of members, visited in the table's row order.
    QJsonObject page;
    for (int i = 0; i < 200; ++i) {
        const QString key = QStringLiteral("k%1").arg(i, 3, 10, QLatin1Char('0'));
        if (i % 4 == 0)
            page.insert(key, QJsonObject{{QStringLiteral("a"), i}, {QStringLiteral("b"), QString::number(i)}});
        else
            page.insert(key, i % 2 ? QJsonValue(i) : QJsonValue(QString::number(i)));
    }
    QJsonObject expected = page;
    savemodel::PageMerge merge(page);
    for (auto it = page.constBegin(); it != page.constEnd(); ++it) {
        const QJsonObject group = it.value().toObject();
        QStringList rowKeys;
        if (group.isEmpty())
            rowKeys.append(it.key());
        for (auto member = group.constBegin(); member != group.constEnd(); ++member)
            rowKeys.append(it.key() + QLatin1Char(':') + member.key());
        for (const QString &rowKey : rowKeys) {
            const RowKeyParts place = splitRowKey(rowKey);
            QCOMPARE(merge.stored(place), savemodel::storedValue(expected, place));
            const QJsonValue value = QStringLiteral("v") + rowKey;
            savemodel::storeValue(&expected, place, value);
            merge.store(place, value);
        }
    }
    QCOMPARE(merge.result(), expected);
}

QTEST_GUILESS_MAIN(TestPageMerge)
#include "tst_pagemerge.moc"
