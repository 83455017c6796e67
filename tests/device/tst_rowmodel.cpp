#include "device/replies.h"
#include "device/rowmodel.h"

#include <QJsonDocument>
#include <QtTest>

Q_DECLARE_METATYPE(PageListReply::Kind)
Q_DECLARE_METATYPE(PageReply::Kind)

namespace {

QJsonValue jsonValue(const char *text)
{
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

} // namespace

// Decisions of the option table and of the module's replies that the window tests cannot
// reach through the simulator's answers.
class TestRowModel : public QObject
{
    Q_OBJECT

private slots:
    void choiceList_data();
    void choiceList();
    void rowKeysSplitBack();
    void pageListReply_data();
    void pageListReply();
    void pageReply_data();
    void pageReply();
};

void TestRowModel::choiceList_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("value"); // JSON text of the option's value
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<int>("index");

    QTest::newRow("number matches") << "0=Off,1=On,2=Auto" << "2"
                                    << QStringList{"0", "1", "2"} << QStringList{"Off", "On", "Auto"} << 2;
    QTest::newRow("no match keeps the first") << "0=Off,1=On,2=Auto" << "5"
                                              << QStringList{"0", "1", "2"} << QStringList{"Off", "On", "Auto"} << 0;
    QTest::newRow("text matches") << "a=Alpha,b=Beta" << "\"b\""
                                  << QStringList{"a", "b"} << QStringList{"Alpha", "Beta"} << 1;
    QTest::newRow("text is case-sensitive") << "a=Alpha,b=Beta" << "\"B\""
                                            << QStringList{"a", "b"} << QStringList{"Alpha", "Beta"} << 0;
    QTest::newRow("text value is not read as a number") << "1=One,01=Zero-one" << "\"01\""
                                                        << QStringList{"1", "01"} << QStringList{"One", "Zero-one"} << 1;
    QTest::newRow("number value matches 01") << "5=Five,01=One" << "1"
                                             << QStringList{"5", "01"} << QStringList{"Five", "One"} << 1;
    QTest::newRow("last match wins") << "1=One,1=Uno,2=Two" << "1"
                                     << QStringList{"1", "1", "2"} << QStringList{"One", "Uno", "Two"} << 1;
    QTest::newRow("value parts that are no number read as 0") << "x=X,y=Y" << "0"
                                                               << QStringList{"x", "y"} << QStringList{"X", "Y"} << 1;
    QTest::newRow("second part only") << "1=a=b,3=" << "3"
                                      << QStringList{"1", "3"} << QStringList{"a", ""} << 1;
    QTest::newRow("entry without =") << "1=On,auto" << "\"auto\""
                                     << QStringList{"1", "auto"} << QStringList{"On", "auto"} << 1;
    QTest::newRow("empty entries count") << "1=A,,2=B" << "2"
                                         << QStringList{"1", "", "2"} << QStringList{"A", "", "B"} << 2;
    QTest::newRow("no data: one empty entry") << "" << "7" << QStringList{""} << QStringList{""} << 0;
    QTest::newRow("boolean value reads as 0") << "1=On,0=Off" << "true"
                                              << QStringList{"1", "0"} << QStringList{"On", "Off"} << 1;
}

void TestRowModel::choiceList()
{
    QFETCH(QString, data);
    QFETCH(QString, value);
    QFETCH(QStringList, values);
    QFETCH(QStringList, labels);
    QFETCH(int, index);

    const QList<ChoiceEntry> entries = choiceEntries(data);
    QStringList valueParts;
    for (const ChoiceEntry &entry : entries)
        valueParts.append(entry.value);
    QCOMPARE(valueParts, values);
    QCOMPARE(choiceLabels(entries), labels);
    QCOMPARE(choiceIndex(entries, jsonValue(value.toUtf8().constData())), index);
}

void TestRowModel::rowKeysSplitBack()
{
    const RowKeyParts option = splitRowKey(QStringLiteral("speed"));
    QCOMPARE(option.key, QStringLiteral("speed"));
    QVERIFY(!option.isMember);

    const RowKeyParts member = splitRowKey(memberRowKey(QStringLiteral("net"), QStringLiteral("ch")));
    QCOMPARE(member.key, QStringLiteral("net"));
    QCOMPARE(member.subKey, QStringLiteral("ch"));
    QVERIFY(member.isMember);

    const RowKeyParts nested = splitRowKey(nestedRowKey(QStringLiteral("net"), QStringLiteral("mask")));
    QCOMPARE(nestedRowKey(QStringLiteral("net"), QStringLiteral("mask")), QStringLiteral("net:mask:sub"));
    QCOMPARE(nested.key, QStringLiteral("net"));
    QCOMPARE(nested.subKey, QStringLiteral("mask"));

    const RowKeyParts emptyParts = splitRowKey(QStringLiteral(":"));
    QVERIFY(emptyParts.isMember);
    QVERIFY(emptyParts.key.isEmpty() && emptyParts.subKey.isEmpty());
}

void TestRowModel::pageListReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<PageListReply::Kind>("kind");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("keys, promode last") << QByteArray(R"({"select":["b","a"],"x":1})") << PageListReply::Pages
                                        << QStringList{"b", "a", "promode"};
    QTest::newRow("promode listed twice when named") << QByteArray(R"({"select":["promode"]})")
                                                     << PageListReply::Pages << QStringList{"promode", "promode"};
    QTest::newRow("non-string keys are empty") << QByteArray(R"({"select":[1,"a",{},null]})") << PageListReply::Pages
                                               << QStringList{"", "a", "", "", "promode"};
    QTest::newRow("Error 404") << QByteArray("Error 404") << PageListReply::NoApiOptions << QStringList();
    QTest::newRow("Error 404 up to a NUL") << QByteArray("Error 404\0tail", 14) << PageListReply::NoApiOptions
                                           << QStringList();
    QTest::newRow("Error 404 with a newline") << QByteArray("Error 404\n") << PageListReply::Unrecognised
                                              << QStringList();
    QTest::newRow("lower case") << QByteArray("error 404") << PageListReply::Unrecognised << QStringList();
    QTest::newRow("no select") << QByteArray(R"({"pages":[]})") << PageListReply::Unrecognised << QStringList();
    QTest::newRow("select an object") << QByteArray(R"({"select":{"a":1}})") << PageListReply::Unrecognised
                                      << QStringList();
    QTest::newRow("select a string") << QByteArray(R"({"select":"a"})") << PageListReply::Unrecognised
                                     << QStringList();
    QTest::newRow("empty") << QByteArray() << PageListReply::Unrecognised << QStringList();
    // The JSON parser would take the two NUL keys as one and drop one of them.
    QTest::newRow("raw NUL bytes in keys") << QByteArrayLiteral("{\"\0s\":1,\"select\":[\"1\"],\"\0a\":2}")
                                           << PageListReply::Unrecognised << QStringList();
}

void TestRowModel::pageListReply()
{
    QFETCH(QByteArray, body);
    QFETCH(PageListReply::Kind, kind);
    QFETCH(QStringList, keys);

    const PageListReply reply = readPageListReply(body);
    QCOMPARE(reply.kind, kind);
    QCOMPARE(reply.keys, keys);
}

void TestRowModel::pageReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("pageKey");
    QTest::addColumn<PageReply::Kind>("kind");

    QTest::newRow("empty body") << QByteArray() << "3" << PageReply::EmptyBody;
    QTest::newRow("NUL first") << QByteArray("\0{\"3\":{}}", 9) << "3" << PageReply::EmptyBody;
    QTest::newRow("empty-page text of the key") << QByteArray(R"({"3":}})") << "3" << PageReply::EmptyPage;
    QTest::newRow("empty-page text of another key") << QByteArray(R"({"3":}})") << "4" << PageReply::ParserError;
    QTest::newRow("empty-page text of a key with blanks") << QByteArray(R"({"a b":}})") << "a b"
                                                          << PageReply::EmptyPage;
    QTest::newRow("null page") << QByteArray(R"({"null"})") << "3" << PageReply::EmptyPage;
    QTest::newRow("NULL page") << QByteArray(R"({"NULL"})") << "3" << PageReply::ParserError;
    QTest::newRow("empty object") << QByteArray("{}") << "3" << PageReply::ParserError;
    QTest::newRow("array root") << QByteArray(R"([{"3":{}}])") << "3" << PageReply::ParserError;
    QTest::newRow("page") << QByteArray(R"({"3":{"a":1}})") << "3" << PageReply::Page;
    QTest::newRow("root without the page") << QByteArray(R"({"x":1})") << "3" << PageReply::Page;
    // The JSON parser would order these keys wrongly, so that neither could be found again.
    QTest::newRow("raw NUL bytes in keys") << QByteArrayLiteral("{\"2\":{\"\0\08\":2,\"\0%\":1}}") << "2"
                                           << PageReply::ParserError;
    QTest::newRow("NUL escapes in keys") << QByteArray(R"({"2":{"\u0000\u00008":2,"\u0000%":1}})") << "2"
                                         << PageReply::Page;
}

void TestRowModel::pageReply()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, pageKey);
    QFETCH(PageReply::Kind, kind);

    const PageReply reply = readPageReply(body, pageKey);
    QCOMPARE(reply.kind, kind);
    QCOMPARE(reply.values.isEmpty(), kind != PageReply::Page);
}

QTEST_GUILESS_MAIN(TestRowModel)
#include "tst_rowmodel.moc"
