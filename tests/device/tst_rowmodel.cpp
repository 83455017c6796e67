#include "device/modulereplies.h"
#include "device/choicelist.h"
#include "device/optionrows.h"

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
    void pageListReply_data();
    void pageListReply();
    void pageReply_data();
    void pageReply();
};

void TestRowModel::choiceList_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("value"); // JSON text of the option's value
    QTest::addColumn<QStringList>("entries"); // "value=label" of each entry
    QTest::addColumn<int>("index");

    QTest::newRow("text is case-sensitive") << "a=Alpha,b=Beta"
                                            << "\"B\"" << QStringList{"a=Alpha", "b=Beta"} << 0;
    QTest::newRow("text value is not read as a number") << "1=One,01=Two"
                                                        << "\"01\"" << QStringList{"1=One", "01=Two"} << 1;
    QTest::newRow("number value matches 01") << "5=Five,01=One"
                                             << "1" << QStringList{"5=Five", "01=One"} << 1;
    QTest::newRow("value parts that are no number read as 0") << "x=X,y=Y"
                                                              << "0" << QStringList{"x=X", "y=Y"} << 1;
    QTest::newRow("empty entries count") << "1=A,,2=B"
                                         << "2" << QStringList{"1=A", "=", "2=B"} << 2;
    QTest::newRow("no data: one empty entry") << ""
                                              << "7" << QStringList{"="} << 0;
    QTest::newRow("boolean value reads as 0") << "1=On,0=Off"
                                              << "true" << QStringList{"1=On", "0=Off"} << 1;
}

void TestRowModel::choiceList()
{
    QFETCH(QString, data);
    QFETCH(QString, value);
    QFETCH(QStringList, entries);
    QFETCH(int, index);

    const QList<ChoiceEntry> parsed = choiceEntries(data);
    const QStringList labels = choiceLabels(parsed);
    QStringList read;
    for (int i = 0; i < parsed.size(); ++i)
        read.append(parsed.at(i).value + QLatin1Char('=') + labels.value(i));
    QCOMPARE(read, entries);
    QCOMPARE(choiceIndex(parsed, jsonValue(value.toUtf8().constData())), index);
}

void TestRowModel::pageListReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<PageListReply::Kind>("kind");
    QTest::addColumn<QStringList>("keys");

    const auto pages = PageListReply::Pages, unrecognised = PageListReply::Unrecognised;
    const QStringList none;
    QTest::newRow("promode listed twice when named")
        << QByteArray(R"({"select":["promode"]})") << pages << QStringList{"promode", "promode"};
    QTest::newRow("non-string keys are empty")
        << QByteArray(R"({"select":[1,"a",{},null]})") << pages << QStringList{"", "a", "", "", "promode"};
    QTest::newRow("Error 404 up to a NUL")
        << QByteArray("Error 404\0tail", 14) << PageListReply::NoApiOptions << none;
    QTest::newRow("Error 404 with a newline") << QByteArray("Error 404\n") << unrecognised << none;
    QTest::newRow("no select") << QByteArray(R"({"pages":[]})") << unrecognised << none;
    QTest::newRow("select an object") << QByteArray(R"({"select":{"a":1}})") << unrecognised << none;
    QTest::newRow("empty") << QByteArray() << unrecognised << none;
    // The JSON parser would take the two NUL keys as one and drop one of them.
    QTest::newRow("raw NUL bytes in keys")
        << QByteArrayLiteral("{\"\0s\":1,\"select\":[\"1\"],\"\0a\":2}") << unrecognised << none;
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

    QTest::newRow("NUL first") << QByteArray("\0{\"3\":{}}", 9) << "3" << PageReply::EmptyBody;
    QTest::newRow("empty-page text of another key")
        << QByteArray(R"({"3":}})") << "4" << PageReply::ParserError;
    QTest::newRow("empty-page text of a key with blanks")
        << QByteArray(R"({"a b":}})") << "a b" << PageReply::EmptyPage;
    QTest::newRow("empty object") << QByteArray("{}") << "3" << PageReply::ParserError;
    QTest::newRow("array root") << QByteArray(R"([{"3":{}}])") << "3" << PageReply::ParserError;
    QTest::newRow("root without the page") << QByteArray(R"({"x":1})") << "3" << PageReply::Page;
    // The JSON parser would order these keys wrongly, so that neither could be found again.
    QTest::newRow("raw NUL bytes in keys")
        << QByteArrayLiteral("{\"2\":{\"\0\08\":2,\"\0%\":1}}") << "2" << PageReply::ParserError;
    QTest::newRow("NUL escapes in keys")
        << QByteArray(R"({"2":{"\u0000\u00008":2,"\u0000%":1}})") << "2" << PageReply::Page;
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
