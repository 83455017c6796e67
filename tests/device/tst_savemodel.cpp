#include "device/savemodel.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

Q_DECLARE_METATYPE(std::optional<QJsonValue>)

class TestSaveModel : public QObject
{
    Q_OBJECT

private slots:
    void storeAtRowKey_data();
    void storeAtRowKey();
    void storedValueFollowsTheSamePlace();
    void flagAndNumberValues();
    void choiceEntryFollowsAllcfg();
    void choiceValue_data();
    void choiceValue();
};

void TestSaveModel::storeAtRowKey_data()
{
    QTest::addColumn<QString>("rowKey");
    QTest::addColumn<QByteArray>("expected");

    // Page before: {"speed":1,"net":{"ch":6,"tag":"hi"},"flat":5}
    QTest::newRow("top-level") << "speed" << QByteArray(R"({"flat":5,"net":{"ch":6,"tag":"hi"},"speed":"v"})");
    QTest::newRow("new top-level") << "port" << QByteArray(R"({"flat":5,"net":{"ch":6,"tag":"hi"},"port":"v","speed":1})");
    QTest::newRow("grouped keeps siblings") << "net:ch" << QByteArray(R"({"flat":5,"net":{"ch":"v","tag":"hi"},"speed":1})");
    QTest::newRow("third part ignored") << "net:tag:sub" << QByteArray(R"({"flat":5,"net":{"ch":6,"tag":"v"},"speed":1})");
    QTest::newRow("missing group") << "wifi:ssid" << QByteArray(R"({"flat":5,"net":{"ch":6,"tag":"hi"},"speed":1,"wifi":{"ssid":"v"}})");
    QTest::newRow("group not an object") << "flat:x" << QByteArray(R"({"flat":{"x":"v"},"net":{"ch":6,"tag":"hi"},"speed":1})");
    QTest::newRow("empty group key") << ":x" << QByteArray(R"({"":{"x":"v"},"flat":5,"net":{"ch":6,"tag":"hi"},"speed":1})");
}

void TestSaveModel::storeAtRowKey()
{
    QFETCH(QString, rowKey);
    QFETCH(QByteArray, expected);
    QJsonObject page = json(R"({"speed":1,"net":{"ch":6,"tag":"hi"},"flat":5})");
    savemodel::storeValue(&page, splitRowKey(rowKey), QStringLiteral("v"));
    QCOMPARE(compact(page), expected);
}

void TestSaveModel::storedValueFollowsTheSamePlace()
{
    const QJsonObject page = json(R"({"mode":"2","net":{"ch":6},"a":{"b":"x"}})");
    QCOMPARE(savemodel::storedValue(page, splitRowKey(QStringLiteral("mode"))), QJsonValue(QStringLiteral("2")));
    QCOMPARE(savemodel::storedValue(page, splitRowKey(QStringLiteral("net:ch"))), QJsonValue(6));
    QCOMPARE(savemodel::storedValue(page, splitRowKey(QStringLiteral("a:b:c"))), QJsonValue(QStringLiteral("x")));
    QVERIFY(savemodel::storedValue(page, splitRowKey(QStringLiteral("net:none"))).isUndefined());
    QVERIFY(savemodel::storedValue(page, splitRowKey(QStringLiteral("mode:x"))).isUndefined());
}

void TestSaveModel::flagAndNumberValues()
{
    // Numbers, never booleans: the table reads a flag back as the integer 1.
    QCOMPARE(savemodel::flagValue(Qt::Checked), QJsonValue(1));
    QCOMPARE(savemodel::flagValue(Qt::PartiallyChecked), QJsonValue(1));
    QCOMPARE(savemodel::flagValue(Qt::Unchecked), QJsonValue(0));

    QCOMPARE(savemodel::numberValue(QStringLiteral("11")), QJsonValue(11));
    QCOMPARE(savemodel::numberValue(QStringLiteral("-2147483648")), QJsonValue(-2147483647 - 1));
    for (const char *text : {"", "-", "2147483648", "0x10", "1.5", "12a"})
        QCOMPARE(savemodel::numberValue(QString::fromLatin1(text)), QJsonValue(0));
    QCOMPARE(savemodel::numberValue(QStringLiteral("010")), QJsonValue(10));  // base 10, not octal
}

void TestSaveModel::choiceEntryFollowsAllcfg()
{
    const QJsonObject descriptions = json(R"({
        "allcfg": {"data": "shared", "ch": {"data": "shared member"}},
        "mode": {"data": "own"},
        "net": {"ch": {"data": "own member"}}
    })");
    const auto data = [&](bool allcfg, const char *rowKey) {
        return savemodel::choiceEntry(descriptions, allcfg, splitRowKey(QString::fromLatin1(rowKey)))
            .value(QStringLiteral("data")).toString();
    };
    QCOMPARE(data(false, "mode"), QStringLiteral("own"));
    QCOMPARE(data(false, "net:ch"), QStringLiteral("own member"));
    QCOMPARE(data(true, "mode"), QStringLiteral("shared"));
    QCOMPARE(data(true, "net:ch"), QStringLiteral("shared member"));
    QCOMPARE(data(false, "net:none"), QString());
}

void TestSaveModel::choiceValue_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("index");
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<std::optional<QJsonValue>>("expected");

    const QJsonValue text(QStringLiteral("2"));
    const QJsonValue number(2);
    QTest::newRow("string stays string") << "1=STA,2=AP" << 0 << text << std::optional<QJsonValue>(QStringLiteral("1"));
    QTest::newRow("number stays number") << "1=STA,2=AP" << 0 << number << std::optional<QJsonValue>(1);
    QTest::newRow("bool counts as number") << "1=On" << 0 << QJsonValue(true) << std::optional<QJsonValue>(1);
    QTest::newRow("missing counts as number") << "1=On" << 0 << QJsonValue(QJsonValue::Undefined) << std::optional<QJsonValue>(1);
    QTest::newRow("no equals sign") << "auto,1=x" << 0 << text << std::optional<QJsonValue>(QStringLiteral("auto"));
    QTest::newRow("first equals sign") << "1=a=b" << 0 << text << std::optional<QJsonValue>(QStringLiteral("1"));
    QTest::newRow("empty entry") << "1=a,,2=b" << 1 << text << std::optional<QJsonValue>(QString());
    QTest::newRow("not a number") << "off=Off" << 0 << number << std::optional<QJsonValue>(0);
    QTest::newRow("empty list, string") << "" << 0 << text << std::optional<QJsonValue>(QString());
    QTest::newRow("empty list, number") << "" << 0 << number << std::optional<QJsonValue>(0);
    QTest::newRow("last entry") << "1=STA,2=AP" << 1 << number << std::optional<QJsonValue>(2);
    QTest::newRow("past the end") << "1=STA,2=AP" << 2 << number << std::optional<QJsonValue>();
    QTest::newRow("no current item") << "1=STA,2=AP" << -1 << text << std::optional<QJsonValue>();
}

void TestSaveModel::choiceValue()
{
    QFETCH(QString, data);
    QFETCH(int, index);
    QFETCH(QJsonValue, stored);
    QFETCH(std::optional<QJsonValue>, expected);
    const std::optional<QJsonValue> value = savemodel::choiceValue(data, index, stored);
    QCOMPARE(value.has_value(), expected.has_value());
    if (expected) {
        QCOMPARE(value->type(), expected->type());
        QCOMPARE(*value, *expected);
    }
}

QTEST_APPLESS_MAIN(TestSaveModel)
#include "tst_savemodel.moc"
