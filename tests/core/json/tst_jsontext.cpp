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

    // A page read and written back compact: every number with the value it was sent with.
    void exactNumbers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("written"); // empty: refused

        const QByteArray sent = R"({"huge":9007199254740993,"max":18446744073709551615,)"
                                R"("min":-9223372036854775808,"serial":12345678901234567890,)"
                                R"("long":0.1000000000000000055511151231257827,"zero":-0,)"
                                R"("over":1e400,"under":-1E-400,"wide":123456789012345678901234567890})";
        QTest::newRow("beyond a double")
            << sent
            << QByteArray(R"({"huge":9007199254740993,"long":0.1000000000000000055511151231257827,)"
                          R"("max":18446744073709551615,"min":-9223372036854775808,"over":1e400,)"
                          R"("serial":12345678901234567890,"under":-1E-400,)"
                          R"("wide":123456789012345678901234567890,"zero":-0})");
        QTest::newRow("spelling") << QByteArray(R"({"a":1.0,"b":2.50,"c":1E5,"d":0.1})")
                                  << QByteArray(R"({"a":1,"b":2.5,"c":100000,"d":0.1})");
        QTest::newRow("nested") << QByteArray(R"({"g":{"x":[12345678901234567890,{"y":-0.0}]}})")
                                << QByteArray(R"({"g":{"x":[12345678901234567890,{"y":-0.0}]}})");
        QTest::newRow("a key twice, the last kept")
            << QByteArray(R"({"a":12345678901234567890,"a":1,"b":1,"b":1e400})")
            << QByteArray(R"({"a":1,"b":1e400})");
        QTest::newRow("keys beyond ASCII") << QByteArray(R"({"\u0436":1e400,"é":12345678901234567890})")
                                           << QByteArray(R"({"é":12345678901234567890,"ж":1e400})");
        QTest::newRow("a string like a stand-in")
            << QByteArray("{\"s\":\"\\ufdd00\",\"t\":\"\xef\xb7\x91"
                          "0\",\"n\":12345678901234567890}")
            << QByteArray("{\"n\":12345678901234567890,\"s\":\"\xef\xb7\x90"
                          "0\",\"t\":\"\xef\xb7\x91"
                          "0\"}");
        QTest::newRow("a number as a key") << QByteArray(R"({1e400:1})") << QByteArray();
        QTest::newRow("a number cut short") << QByteArray(R"({"a":1e})") << QByteArray();
    }
    void exactNumbers()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, written);
        QJsonObject object;
        QCOMPARE(parseJsonObject(text, &object), !written.isEmpty());
        if (written.isEmpty())
            return;
        QCOMPARE(compactJson(object), written);
        QJsonObject again;
        QVERIFY(parseJsonObject(indentedJson(object), &again));
        QCOMPARE(compactJson(again), written);
        QVERIFY(sameJsonValue(object, again));
    }

    void sameValue_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("equal as doubles")
            << QByteArray("9007199254740993") << QByteArray("9007199254740992") << false;
        QTest::newRow("1.0 and 1") << QByteArray("1.0") << QByteArray("1") << true;
        QTest::newRow("spelt apart") << QByteArray("1e400") << QByteArray("10.0E+399") << true;
        QTest::newRow("one value, as an exponent and as digits")
            << QByteArray("99999999999045e4") << QByteArray("999999999990450000") << true;
        QTest::newRow("zeros") << QByteArray("-0") << QByteArray("0") << true;
        QTest::newRow("a long decimal and its double")
            << QByteArray("0.1000000000000000055511151231257827") << QByteArray("0.1") << false;
        QTest::newRow("in groups") << QByteArray(R"({"a":[12345678901234567890]})")
                                   << QByteArray(R"({"a":[12345678901234567891]})") << false;
    }
    void sameValue()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(bool, same);
        QJsonArray arrayA, arrayB;
        QVERIFY(parseJsonArray("[" + a + "]", &arrayA));
        QVERIFY(parseJsonArray("[" + b + "]", &arrayB));
        QCOMPARE(sameJsonValue(arrayA.at(0), arrayB.at(0)), same);
        QCOMPARE(jsonText(arrayA.at(0)).toUtf8(),
                 compactJson(QJsonObject{{"v", arrayA.at(0)}}).mid(5).chopped(1));
    }
};

QTEST_APPLESS_MAIN(TestJsonText)
#include "tst_jsontext.moc"
