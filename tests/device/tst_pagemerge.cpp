#include "device/choicelist.h"
#include "device/pagemerge.h"
#include "support/rowbyrowpage.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

// A row of the save: its key and the value it stores; an undefined value only reads what
// is stored at its place.
struct Step
{
    QString rowKey;
    QJsonValue value;
};
const QJsonValue kRead(QJsonValue::Undefined);

// The tests name a place the way the table keys its rows: "option", or "group:member".
RowPlace place(const QString &rowKey)
{
    const QStringList parts = rowKey.split(':');
    return parts.size() == 1 ? RowPlace{rowKey, {}, false} : RowPlace{parts.at(0), parts.at(1), true};
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

// Where a row's value goes in the page, what an editor's state writes, and the save's
// merge of all rows, which must give what storing row by row gives.
class TestPageMerge : public QObject
{
    Q_OBJECT

private slots:
    void storeAtRowKey_data();
    void storeAtRowKey();
    void flagAndNumberValues();
    void choiceValue_data();
    void choiceValue();
    void mergeSameAsRowByRow_data();
    void mergeSameAsRowByRow();
};

void TestPageMerge::storeAtRowKey_data()
{
    QTest::addColumn<QString>("rowKey");
    QTest::addColumn<QByteArray>("expected");

    // Page before: {"speed":1,"net":{"ch":6,"tag":"hi"},"flat":5}
    QTest::newRow("top-level") << "speed"
                               << QByteArray(R"({"flat":5,"net":{"ch":6,"tag":"hi"},"speed":"v"})");
    QTest::newRow("new top-level") << "port"
                                   << QByteArray(
                                          R"({"flat":5,"net":{"ch":6,"tag":"hi"},"port":"v","speed":1})");
    QTest::newRow("grouped keeps siblings")
        << "net:ch" << QByteArray(R"({"flat":5,"net":{"ch":"v","tag":"hi"},"speed":1})");
    QTest::newRow("missing group")
        << "wifi:ssid" << QByteArray(R"({"flat":5,"net":{"ch":6,"tag":"hi"},"speed":1,"wifi":{"ssid":"v"}})");
    QTest::newRow("group not an object")
        << "flat:x" << QByteArray(R"({"flat":{"x":"v"},"net":{"ch":6,"tag":"hi"},"speed":1})");
}

void TestPageMerge::storeAtRowKey()
{
    QFETCH(QString, rowKey);
    QFETCH(QByteArray, expected);
    PageMerge merge(json(R"({"speed":1,"net":{"ch":6,"tag":"hi"},"flat":5})"));
    const RowPlace at = place(rowKey);
    merge.store(at, QStringLiteral("v"));
    QCOMPARE(merge.stored(at), QJsonValue(QStringLiteral("v"))); // read from the same place
    QCOMPARE(QJsonDocument(merge.result()).toJson(QJsonDocument::Compact), expected);
}

void TestPageMerge::flagAndNumberValues()
{
    // Numbers, never booleans: the table reads a flag back as the integer 1.
    QCOMPARE(flagValue(Qt::Checked), QJsonValue(1));
    QCOMPARE(flagValue(Qt::PartiallyChecked), QJsonValue(1));
    QCOMPARE(flagValue(Qt::Unchecked), QJsonValue(0));

    QCOMPARE(numberValue(QStringLiteral("-2147483648")), QJsonValue(-2147483647 - 1));
    for (const char *text : {"", "-", "2147483648", "0x10", "1.5", "12a"})
        QCOMPARE(numberValue(QString::fromLatin1(text)), QJsonValue(0));
    QCOMPARE(numberValue(QStringLiteral("010")), QJsonValue(10)); // base 10, not octal
}

void TestPageMerge::choiceValue_data()
{
    QTest::addColumn<QString>("valueText");
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<QJsonValue>("expected");

    QTest::newRow("string stays a string")
        << "1" << QJsonValue(QStringLiteral("2")) << QJsonValue(QStringLiteral("1"));
    QTest::newRow("number stays a number") << "1" << QJsonValue(2) << QJsonValue(1);
    QTest::newRow("bool counts as number") << "1" << QJsonValue(true) << QJsonValue(1);
    QTest::newRow("missing counts as number") << "1" << QJsonValue(QJsonValue::Undefined) << QJsonValue(1);
    QTest::newRow("not a number") << "off" << QJsonValue(2) << QJsonValue(0);
    QTest::newRow("empty entry") << "" << QJsonValue(QStringLiteral("2")) << QJsonValue(QString());
}

void TestPageMerge::choiceValue()
{
    QFETCH(QString, valueText);
    QFETCH(QJsonValue, stored);
    QFETCH(QJsonValue, expected);
    const QJsonValue value = ::choiceValue(valueText, stored);
    QCOMPARE(value.type(), expected.type());
    QCOMPARE(value, expected);
}

void TestPageMerge::mergeSameAsRowByRow_data()
{
    QTest::addColumn<QJsonObject>("page");
    QTest::addColumn<QList<Step>>("steps");

    const QJsonObject page = json(R"({"en":1,"mode":"2","name":"home",
        "net":{"ch":6,"tag":"hi","mask":{"a":1}},"mqtt":{"port":1883},"speed":2})");
    QTest::newRow("rows in key order") << page << QList<Step>{{"en", 0},
                                                              {"mode", kRead},
                                                              {"mode", "1"},
                                                              {"mqtt:port", kRead},
                                                              {"mqtt:port", 1884},
                                                              {"name", "lab"},
                                                              {"net:ch", kRead},
                                                              {"net:ch", 11},
                                                              {"net:mask:sub", kRead},
                                                              {"net:tag", "x"},
                                                              {"speed", 0}};
    QTest::newRow("rows out of order")
        << page << QList<Step>{{"speed", 1},     {"net:tag", "y"},   {"en", 1},        {"net:ch", 3},
                               {"mqtt:port", 1}, {"net:tag", kRead}, {"net:tag", "z"}, {"mode", "3"}};
    QTest::newRow("a group and its key as an option")
        << page << QList<Step>{{"net:ch", 7},     {"net", kRead}, {"net", "flat"},
                               {"net:ch", kRead}, {"net:ch", 8},  {"net", kRead}};
    QTest::newRow("members of a missing group")
        << page << QList<Step>{{"new:a", kRead}, {"new:a", 1}, {"new:b", "x"}, {"zz", 5}, {"aa", "first"}};
    QTest::newRow("a member read, never stored, adds no group")
        << page << QList<Step>{{"none:a", kRead}, {"en", 0}, {"none:b", kRead}};
    QTest::newRow("a member of an option that is no group")
        << page << QList<Step>{{"name:x", kRead}, {"name:x", 1}, {"name", kRead}, {"speed:y", "s"}};
    QTest::newRow("an empty page") << QJsonObject() << QList<Step>{{"b", 1},     {"a", 2}, {"g:x", 3},
                                                                   {"c", kRead}, {"", 4},  {":", 5}};

    // Top-level options and groups of members, visited in the table's row order.
    QJsonObject large;
    QList<Step> rows;
    for (int i = 0; i < 200; ++i) {
        const QString key = QStringLiteral("k%1").arg(i, 3, 10, QLatin1Char('0'));
        if (i % 4 == 0) {
            large.insert(key, QJsonObject{{"a", i}, {"b", QString::number(i)}});
            rows
                += QList<Step>{{key + ":a", kRead}, {key + ":a", -i}, {key + ":b", kRead}, {key + ":b", "v"}};
        } else {
            large.insert(key, i % 2 ? QJsonValue(i) : QJsonValue(QString::number(i)));
            rows += QList<Step>{{key, kRead}, {key, "v" + key}};
        }
    }
    QTest::newRow("a page in fill order") << large << rows;
}

void TestPageMerge::mergeSameAsRowByRow()
{
    QFETCH(QJsonObject, page);
    QFETCH(QList<Step>, steps);

    QJsonObject expected = page;
    PageMerge merge(page);
    for (const Step &step : steps) {
        const RowPlace at = place(step.rowKey);
        QCOMPARE(merge.stored(at), rowbyrow::storedValue(expected, at));
        if (step.value.isUndefined())
            continue;
        rowbyrow::storeValue(&expected, at, step.value);
        merge.store(at, step.value);
    }
    QCOMPARE(merge.result(), expected);
    QCOMPARE(merge.result(), expected); // a second result() changes nothing
}

QTEST_APPLESS_MAIN(TestPageMerge)
#include "tst_pagemerge.moc"
