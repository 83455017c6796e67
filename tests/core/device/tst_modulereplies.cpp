#include "core/device/modulereplies.h"

#include <QtTest>

Q_DECLARE_METATYPE(PageListReply::Kind)
Q_DECLARE_METATYPE(PageReply::Kind)

// What the module's answers mean, for the bodies that the window's tests do not send.
class TestModuleReplies : public QObject
{
    Q_OBJECT

private slots:
    void pageListReply_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<PageListReply::Kind>("kind");
        QTest::addColumn<QStringList>("keys");
        const auto pages = PageListReply::Pages, unrecognised = PageListReply::Unrecognised;
        QTest::newRow("promode listed twice when named")
            << QByteArray(R"({"select":["promode"]})") << pages << QStringList{"promode", "promode"};
        QTest::newRow("Error 404 up to a NUL")
            << QByteArray("Error 404\0tail", 14) << PageListReply::NoApiOptions << QStringList();
        QTest::newRow("Error 404 with a newline")
            << QByteArray("Error 404\n") << unrecognised << QStringList();
        QTest::newRow("select an object")
            << QByteArray(R"({"select":{"a":1}})") << unrecognised << QStringList();
    }
    void pageListReply()
    {
        QFETCH(QByteArray, body);
        QFETCH(PageListReply::Kind, kind);
        QFETCH(QStringList, keys);
        const PageListReply reply = readPageListReply(body);
        QCOMPARE(reply.kind, kind);
        QCOMPARE(reply.keys, keys);
    }

    void pageReply_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("pageKey");
        QTest::addColumn<PageReply::Kind>("kind");
        QTest::newRow("NUL first") << QByteArray("\0{\"3\":{}}", 9) << "3" << PageReply::EmptyBody;
        QTest::newRow("null page") << QByteArray(R"({"null"})") << "3" << PageReply::EmptyPage;
        QTest::newRow("empty-page text of another key")
            << QByteArray(R"({"3":}})") << "4" << PageReply::ParserError;
        QTest::newRow("empty object") << QByteArray("{}") << "3" << PageReply::ParserError;
        QTest::newRow("root without the page") << QByteArray(R"({"x":1})") << "3" << PageReply::Page;
        // The JSON parser would take keys alike up to a NUL as one, so that members could not be
        // found again, and a save would drop them. Module replies and the catalog are read alike.
        QTest::newRow("raw NUL bytes in keys")
            << QByteArrayLiteral("{\"2\":{\"\0\08\":2,\"\0%\":1}}") << "2" << PageReply::ParserError;
    }
    void pageReply()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, pageKey);
        QFETCH(PageReply::Kind, kind);
        const PageReply reply = readPageReply(body, pageKey);
        QCOMPARE(reply.kind, kind);
        QCOMPARE(reply.values.isEmpty(), kind != PageReply::Page);
    }
};

QTEST_APPLESS_MAIN(TestModuleReplies)
#include "tst_modulereplies.moc"
