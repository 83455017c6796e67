#include "core/json/jsontext.h"

#include <QtTest>

// JSON text from outside, read as an object or an array: only valid JSON with a root of that kind.
class TestJsonText : public QObject
{
    Q_OBJECT

private slots:
    // "object", "array" or "none": what each parse accepts the text as.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("root");
        QTest::newRow("object") << QByteArray(R"({"a":[1]})") << "object";
        QTest::newRow("array") << QByteArray(R"([{"a":1},"x"])") << "array";
        QTest::newRow("a bare value") << QByteArray("4") << "none";
        QTest::newRow("trailing garbage") << QByteArray("[1]x") << "none";
        QTest::newRow("raw NUL in an object's string") << QByteArray("{\"a\":\"\0\"}", 9) << "none";
        QTest::newRow("raw NUL in an array's string") << QByteArray("[\"\0\"]", 5) << "none";
        QTest::newRow("NUL written as an escape") << QByteArray(R"(["\u0000"])") << "array";
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, root);
        QJsonObject object{{"kept", 1}};
        QJsonArray array{"kept"};
        QCOMPARE(parseJsonObject(text, &object), root == "object");
        QCOMPARE(parseJsonArray(text, &array), root == "array");
        // A refused text leaves what the caller held.
        QCOMPARE(object.contains("kept"), root != "object");
        QCOMPARE(array.contains("kept"), root != "array");
    }
};

QTEST_APPLESS_MAIN(TestJsonText)
#include "tst_jsontext.moc"
