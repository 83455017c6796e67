#include "sim/behaviourtext.h"
#include "sim/moduleannouncer.h"
#include "sim/modulesimulator.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>
#include <QUrl>

#include <memory>

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");
const int kReplyTimeoutMs = 5000;

using Fault = ModuleSimulator::Fault;
using Endpoint = ModuleSimulator::Endpoint;

struct HttpResult
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray contentType;
};

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

QJsonObject samplePages()
{
    return object(R"({"a": {"x": 1, "y": "text", "g": {"ip": "10.0.0.1", "n": {"k": 1}}},
                      "b": {"en": 1}})");
}

} // namespace

class TestModuleSimulator : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ModuleSimulator> simulator; // a fresh one per test, with empty records
    QNetworkAccessManager network;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(simulator->port()); }
    QNetworkReply *send(const QUrl &url) { return network.get(QNetworkRequest(url)); }
    QNetworkReply *send(const QString &pathAndQuery)
    {
        return send(QUrl(base() + pathAndQuery));
    }
    static HttpResult finish(QNetworkReply *reply)
    {
        std::unique_ptr<QNetworkReply> owner(reply);
        if (!reply->isFinished()) {
            QSignalSpy finished(reply, &QNetworkReply::finished);
            if (!finished.wait(kReplyTimeoutMs))
                qWarning("No answer in time from %s", qPrintable(reply->url().toString()));
        }
        return {reply->error(), reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                reply->readAll(), reply->rawHeader("Content-Type")};
    }
    HttpResult get(const QString &pathAndQuery) { return finish(send(pathAndQuery)); }
    // The write document percent-encoded whole, as a careful client sends it.
    HttpResult write(const QByteArray &document)
    {
        return finish(send(QUrl(base() + QStringLiteral("/jsonoptions?write=")
                                + QString::fromLatin1(QUrl::toPercentEncoding(
                                    QString::fromUtf8(document))))));
    }

private slots:
    void init()
    {
        simulator = std::make_unique<ModuleSimulator>();
        simulator->setPages(samplePages(), {QStringLiteral("b"), QStringLiteral("a")});
        simulator->setCatalog(QByteArrayLiteral(R"({"sysall":{"select":{"a":"Alpha"}}})"));
        QVERIFY(simulator->start(kLoopback, 0));
    }
    void cleanup()
    {
        simulator.reset();
        network.clearConnectionCache();
    }

    void pageListInGivenOrder()
    {
        HttpResult result = get(QStringLiteral("/jsonoptions?select=0"));
        QCOMPARE(result.status, 200);
        QCOMPARE(object(result.body),
                 object(R"({"select": ["b", "a"]})"));

        simulator->setPages(samplePages());
        result = get(QStringLiteral("/jsonoptions?select=0"));
        QCOMPARE(object(result.body), object(R"({"select": ["a", "b"]})"));
    }

    void pageUnderItsKey()
    {
        const HttpResult result = get(QStringLiteral("/jsonoptions?select=a"));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.contentType, QByteArrayLiteral("application/json"));
        QCOMPARE(object(result.body), QJsonObject({{QStringLiteral("a"), samplePages().value(QStringLiteral("a"))}}));
    }

    void unknownPageOrRequestIsRefused_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("status");
        QTest::newRow("unknown page") << QStringLiteral("/jsonoptions?select=zz") << 404;
        QTest::newRow("no select or write") << QStringLiteral("/jsonoptions?other=1") << 400;
        QTest::newRow("unknown path") << QStringLiteral("/nothing") << 404;
    }
    void unknownPageOrRequestIsRefused()
    {
        QFETCH(QString, target);
        QFETCH(int, status);
        const HttpResult result = get(target);
        QCOMPARE(result.status, status);
        QVERIFY(result.error != QNetworkReply::NoError);
        QCOMPARE(simulator->requests(), QStringList{target});
    }

    void writeMergesPagesItHas()
    {
        const QByteArray document =
            R"({"a":{"x":2,"new":"n","g":{"ip":"10.0.0.9"}},"zz":{"q":1},"s":5})";
        const HttpResult result = write(document);
        QCOMPARE(result.status, 200);
        QCOMPARE(result.body, QByteArrayLiteral("OK"));
        QCOMPARE(simulator->writes(), QList<QByteArray>{document});

        const QJsonObject page =
            object(get(QStringLiteral("/jsonoptions?select=a")).body).value(QStringLiteral("a")).toObject();
        QCOMPARE(page, object(R"({"x": 2, "y": "text", "new": "n", "g": {"ip": "10.0.0.9"}})"));
        QVERIFY(!simulator->pages().contains(QStringLiteral("zz")));
        QVERIFY(!simulator->pages().contains(QStringLiteral("s")));
        QCOMPARE(simulator->pages().value(QStringLiteral("b")), samplePages().value(QStringLiteral("b")));
    }

    void writeOfNoObjectIsRefused_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArrayLiteral("hello");
        QTest::newRow("array") << QByteArrayLiteral(R"([{"a":{"x":9}}])");
        QTest::newRow("string") << QByteArrayLiteral(R"("a")");
        QTest::newRow("cut short") << QByteArrayLiteral(R"({"a":{"x":9})");
        QTest::newRow("trailing text") << QByteArrayLiteral(R"({"a":{"x":9}} x)");
    }
    void writeOfNoObjectIsRefused()
    {
        QFETCH(QByteArray, document);
        QList<QPair<QByteArray, bool>> heard;
        simulator->setWriteListener([&heard](const QByteArray &doc, bool applied) { heard.append({doc, applied}); });
        const HttpResult result = write(document);
        simulator->setWriteListener({});
        QCOMPARE(result.status, 400);
        QCOMPARE(simulator->pages(), samplePages());
        QCOMPARE(simulator->writes(), QList<QByteArray>{document});
        QCOMPARE(heard, (QList<QPair<QByteArray, bool>>{{document, false}}));
    }

    // Whatever the value holds arrives exactly, whether the client encodes the document
    // whole or leaves it to the URL's tolerant parsing as the configurator does.
    void writeDecodesValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("encodeWhole");
        const QString awkward = QString::fromUtf8("a#b&c=d%41+e f\nЯ\"\\");
        const QString tolerable = QString::fromUtf8("a&c=d+e f\nЯ\"\\,:{}");
        QTest::newRow("encoded whole") << awkward << true;
        QTest::newRow("tolerant URL") << tolerable << false;
        QTest::newRow("percent-encoded plus") << QStringLiteral("1+1") << true;
    }
    void writeDecodesValues()
    {
        QFETCH(QString, value);
        QFETCH(bool, encodeWhole);
        const QByteArray document = QJsonDocument(QJsonObject{
            {QStringLiteral("a"), QJsonObject{{QStringLiteral("y"), value}}}}).toJson(QJsonDocument::Compact);
        const QString prefix = base() + QStringLiteral("/jsonoptions?write=");
        const QUrl url = encodeWhole
            ? QUrl(prefix + QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(document))))
            : QUrl::fromUserInput(prefix + QString::fromUtf8(document));
        if (encodeWhole && value.contains(QLatin1Char('+')))
            QVERIFY(url.toEncoded().contains("%2B"));
        const HttpResult result = finish(send(url));
        QCOMPARE(result.status, 200);
        QCOMPARE(simulator->writes(), QList<QByteArray>{document});
        const QJsonObject page =
            object(get(QStringLiteral("/jsonoptions?select=a")).body).value(QStringLiteral("a")).toObject();
        QCOMPARE(page.value(QStringLiteral("y")).toString(), value);
    }

    void faultAnswers_data()
    {
        QTest::addColumn<int>("endpoint");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        const auto row = [](const char *name, Endpoint endpoint, Fault fault, const char *target,
                            int status, const QByteArray &body) {
            QTest::newRow(name) << int(endpoint) << int(fault) << QString::fromLatin1(target)
                                << status << body;
        };
        const QByteArray error404 = QByteArrayLiteral("Error 404");
        const QByteArray nullPage = QByteArrayLiteral(R"({"null"})");
        const char *list = "/jsonoptions?select=0";
        const char *page = "/jsonoptions?select=a";
        const char *catalog = "/api/app/init.json";
        row("list error404", Endpoint::PageList, Fault::PlainError404, list, 200, error404);
        row("list status", Endpoint::PageList, Fault::HttpStatus, list, 503, {});
        row("list null", Endpoint::PageList, Fault::NullPage, list, 200, nullPage);
        row("page empty", Endpoint::Page, Fault::EmptyPageText, page, 200, QByteArrayLiteral(R"({"a":}})"));
        row("page null", Endpoint::Page, Fault::NullPage, page, 200, nullPage);
        row("page status", Endpoint::Page, Fault::HttpStatus, page, 503, {});
        row("page error404", Endpoint::Page, Fault::PlainError404, page, 200, error404);
        row("write status", Endpoint::Write, Fault::HttpStatus, R"(/jsonoptions?write={"a":{"x":7}})", 503, {});
        row("write error404", Endpoint::Write, Fault::PlainError404, R"(/jsonoptions?write={"a":{"x":7}})", 200, error404);
        row("catalog status", Endpoint::Catalog, Fault::HttpStatus, catalog, 503, {});
        row("catalog invalid", Endpoint::Catalog, Fault::InvalidJson, catalog, 200, ModuleSimulator::invalidJsonText());
    }
    void faultAnswers()
    {
        QFETCH(int, endpoint);
        QFETCH(int, fault);
        QFETCH(QString, target);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        ModuleSimulator::Behaviour behaviour;
        behaviour.fault = Fault(fault);
        behaviour.status = 503;
        simulator->setBehaviour(Endpoint(endpoint), behaviour);

        const HttpResult result = finish(send(QUrl::fromUserInput(base() + target)));
        QCOMPARE(result.status, status);
        QCOMPARE(result.error == QNetworkReply::NoError, status == 200);
        QCOMPARE(result.body, body);
        QCOMPARE(simulator->pages(), samplePages()); // a faulted write is not merged
    }

    void invalidJsonIsNoJson()
    {
        QJsonParseError error;
        QJsonDocument::fromJson(ModuleSimulator::invalidJsonText(), &error);
        QVERIFY(error.error != QJsonParseError::NoError);
    }

    void pageBehaviourByKey()
    {
        ModuleSimulator::Behaviour null;
        null.fault = Fault::NullPage;
        simulator->setBehaviour(Endpoint::Page, null);
        simulator->setBehaviour(Endpoint::Page, {}, QStringLiteral("b"));
        QCOMPARE(get(QStringLiteral("/jsonoptions?select=a")).body, ModuleSimulator::nullPageText());
        QCOMPARE(object(get(QStringLiteral("/jsonoptions?select=b")).body).keys(), QStringList{QStringLiteral("b")});
        QCOMPARE(object(get(QStringLiteral("/jsonoptions?select=0")).body).keys(),
                 QStringList{QStringLiteral("select")});

        simulator->clearBehaviours();
        QCOMPARE(object(get(QStringLiteral("/jsonoptions?select=a")).body).keys(), QStringList{QStringLiteral("a")});
    }

    void catalogServedAsGiven()
    {
        const QByteArray catalog = QByteArrayLiteral("{\"1\": {\"en\": {\"title\": \"Включено\", \"type\": 1}}}\n");
        simulator->setCatalog(catalog);
        const HttpResult result = get(QStringLiteral("/api/app/init.json"));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.contentType, QByteArrayLiteral("application/json"));
        QCOMPARE(result.body, catalog);
    }

    void delayedAnswer()
    {
        ModuleSimulator::Behaviour slow;
        slow.delayMs = 400;
        simulator->setBehaviour(Endpoint::PageList, slow);
        QElapsedTimer clock;
        clock.start();
        const HttpResult result = get(QStringLiteral("/jsonoptions?select=0"));
        QVERIFY2(clock.elapsed() >= 400, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(object(result.body), object(R"({"select": ["b", "a"]})"));
    }

    // A hanging or slow answer holds its request until stop(), which returns at once and
    // lets the client see the connection end.
    void stopReleasesWaitingRequests_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("hang") << int(Fault::Hang) << 0;
        QTest::newRow("long delay") << int(Fault::None) << 600000;
    }
    void stopReleasesWaitingRequests()
    {
        QFETCH(int, fault);
        QFETCH(int, delayMs);
        ModuleSimulator::Behaviour behaviour;
        behaviour.fault = Fault(fault);
        behaviour.delayMs = delayMs;
        simulator->setBehaviour(Endpoint::Page, behaviour);
        QNetworkReply *hanging = send(QStringLiteral("/jsonoptions?select=a"));
        QNetworkReply *other = send(QStringLiteral("/jsonoptions?select=0"));
        QCOMPARE(object(finish(other).body).keys(), QStringList{QStringLiteral("select")});
        QTRY_VERIFY_WITH_TIMEOUT(simulator->requests().contains(QStringLiteral("/jsonoptions?select=a")),
                                 kReplyTimeoutMs);
        QVERIFY(!hanging->isFinished());

        QElapsedTimer clock;
        clock.start();
        simulator->stop();
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        const HttpResult result = finish(hanging);
        QVERIFY(result.error != QNetworkReply::NoError);
        QVERIFY(result.body.isEmpty());
    }

    void restartsAndRefusesTakenPort()
    {
        const int port = simulator->port();
        ModuleSimulator second;
        QVERIFY(!second.start(kLoopback, port));
        QVERIFY(!second.start(QStringLiteral("192.0.2.1"), 0)); // not an address of this host
        simulator->stop();
        QVERIFY(second.start(kLoopback, port));
        QCOMPARE(second.port(), port);
        second.setPages(samplePages());
        const QUrl list(QStringLiteral("http://127.0.0.1:%1/jsonoptions?select=0").arg(port));
        QCOMPARE(object(finish(send(list)).body), object(R"({"select": ["a", "b"]})"));
    }

    void loadFilesReportsBadFiles()
    {
        TestWorkDir dir;
        dir.writeFile(QStringLiteral("pages.json"), R"({"order":["x"],"pages":{"x":{"n":1},"y":{}}})");
        dir.writeFile(QStringLiteral("catalog.json"), R"({"sysall":{}})");
        dir.writeFile(QStringLiteral("broken.json"), R"({"pages":)");
        dir.writeFile(QStringLiteral("noPages.json"), R"({"order":["x"]})");
        ModuleSimulator loaded;
        QString error;
        QVERIFY(loaded.loadFiles(dir.filePath(QStringLiteral("pages.json")),
                                 dir.filePath(QStringLiteral("catalog.json")), &error));
        QCOMPARE(loaded.pages().keys(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
        for (const char *bad : {"broken.json", "noPages.json", "missing.json"}) {
            error.clear();
            QVERIFY(!loaded.loadFiles(dir.filePath(QLatin1String(bad)),
                                      dir.filePath(QStringLiteral("catalog.json")), &error));
            QVERIFY2(error.contains(QLatin1String(bad)), qPrintable(error));
        }
        QVERIFY(!loaded.loadFiles(dir.filePath(QStringLiteral("pages.json")),
                                  dir.filePath(QStringLiteral("broken.json")), &error));
        QCOMPARE(loaded.pages().keys(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    }

    // The shipped data has every kind of page the configurator shows.
    void sampleDataServed()
    {
        SimFixture fixture;
        const QString host = QStringLiteral("http://") + fixture.address();
        const auto fetch = [this, &host](const QString &path) {
            return finish(send(QUrl(host + path)));
        };
        const QJsonArray keys =
            object(fetch(QStringLiteral("/jsonoptions?select=0")).body).value(QStringLiteral("select")).toArray();
        QCOMPARE(keys, QJsonArray({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                   QStringLiteral("4")}));
        const QJsonObject catalog = object(fetch(QStringLiteral("/api/app/init.json")).body);
        const QJsonObject titles = catalog.value(QStringLiteral("sysall")).toObject()
                                       .value(QStringLiteral("select")).toObject();
        QJsonObject pages;
        for (const QString &key : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                   QStringLiteral("4"), QStringLiteral("promode")}) {
            const QJsonObject page =
                object(fetch(QStringLiteral("/jsonoptions?select=") + key).body).value(key).toObject();
            QVERIFY2(!page.isEmpty(), qPrintable(key));
            QVERIFY2(!titles.value(key).toString().isEmpty(), qPrintable(key));
            pages.insert(key, page);
        }
        const auto described = [&catalog](const char *page, const char *option) {
            return catalog.value(QLatin1String(page)).toObject().value(QLatin1String(option)).toObject();
        };
        QCOMPARE(described("1", "en").value(QStringLiteral("type")).toInt(), 1);
        QCOMPARE(described("1", "mode").value(QStringLiteral("type")).toInt(), 4);
        QVERIFY(pages.value(QStringLiteral("1")).toObject().value(QStringLiteral("mode")).isString());
        QVERIFY(pages.value(QStringLiteral("1")).toObject().value(QStringLiteral("speed")).isDouble());
        QCOMPARE(described("2", "allcfg").value(QStringLiteral("type")).toInt(), 4);
        QVERIFY(pages.value(QStringLiteral("2")).toObject().contains(QStringLiteral("1")));
        QVERIFY(pages.value(QStringLiteral("3")).toObject().value(QStringLiteral("net")).toObject()
                    .value(QStringLiteral("mask")).isObject());
        QCOMPARE(described("4", "script").value(QStringLiteral("type")).toInt(), 6);
        QVERIFY(pages.value(QStringLiteral("4")).toObject().value(QStringLiteral("script")).toString()
                    .contains(QLatin1Char('\n')));
    }

    void announcementsArrive()
    {
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::LocalHost, 0));
        ModuleAnnouncer announcer;
        announcer.start(QHostAddress::LocalHost, listener.localPort(), 50);
        QList<QByteArray> datagrams;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                while (listener.hasPendingDatagrams()) {
                    QByteArray datagram(int(listener.pendingDatagramSize()), '\0');
                    listener.readDatagram(datagram.data(), datagram.size());
                    datagrams.append(datagram);
                }
                return datagrams.size() >= 3;
            }(),
            kReplyTimeoutMs);
        announcer.stop();
        for (const QByteArray &datagram : datagrams) {
            QVERIFY(datagram.size() >= 2);
            QCOMPARE(datagram.at(0), 'U');
        }
    }

    void behaviourTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("pageKey");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("delayMs");
        const auto row = [](const char *text, bool valid, const char *key, Fault fault, int status,
                            int delay) {
            QTest::newRow(text) << QString::fromUtf8(text) << valid << QString::fromUtf8(key)
                                << int(fault) << status << delay;
        };
        row("hang", true, "", Fault::Hang, 500, 0);
        row("status:404", true, "", Fault::HttpStatus, 404, 0);
        row("invalid-json,delay:250", true, "", Fault::InvalidJson, 500, 250);
        row("delay:100", true, "", Fault::None, 500, 100);
        row("3:empty", true, "3", Fault::EmptyPageText, 500, 0);
        row("promode:status:502,delay:5", true, "promode", Fault::HttpStatus, 502, 5);
        row("hang:hang", true, "hang", Fault::Hang, 500, 0);
        row("status", false, "", Fault::None, 500, 0);
        row("status:99", false, "", Fault::None, 500, 0);
        row("bogus", false, "", Fault::None, 500, 0);
        row("hang,null", false, "", Fault::None, 500, 0);
        row("null:1", false, "", Fault::None, 500, 0);
        row("delay:-5", false, "", Fault::None, 500, 0);
    }
    void behaviourTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, pageKey);
        QFETCH(int, fault);
        QFETCH(int, status);
        QFETCH(int, delayMs);
        QString key = QStringLiteral("unset");
        ModuleSimulator::Behaviour behaviour;
        QString error;
        QCOMPARE(parsePageBehaviour(text, &key, &behaviour, &error), valid);
        QCOMPARE(error.isEmpty(), valid);
        if (!valid)
            return;
        QCOMPARE(key, pageKey);
        QCOMPARE(int(behaviour.fault), fault);
        QCOMPARE(behaviour.status, status);
        QCOMPARE(behaviour.delayMs, delayMs);
        ModuleSimulator::Behaviour again;
        QVERIFY(parseBehaviour(behaviourText(behaviour), &again, &error));
        QCOMPARE(int(again.fault), fault);
        QCOMPARE(again.delayMs, delayMs);
    }

    // The command serves, reports writes and ends with status 0 on SIGTERM.
    void commandServesAndStopsOnTerminate()
    {
        QProcess command;
        command.start(QStringLiteral(QUILLNET_SIM_EXECUTABLE),
                      {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--no-announce")});
        QVERIFY(command.waitForStarted());
        QString output;
        const QRegularExpression served(QStringLiteral("Simulated module at (http://127\\.0\\.0\\.1:\\d+)"));
        QRegularExpressionMatch match;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += QString::fromUtf8(command.readAllStandardOutput()),
             (match = served.match(output)).hasMatch()),
            kReplyTimeoutMs);
        const QString url = match.captured(1);
        QCOMPARE(object(finish(send(QUrl(url + QStringLiteral("/jsonoptions?select=0")))).body)
                     .value(QStringLiteral("select")).toArray().size(), 4);
        QCOMPARE(finish(send(QUrl::fromUserInput(url + QStringLiteral(R"(/jsonoptions?write={"1":{"port":81}})")))).body,
                 QByteArrayLiteral("OK"));
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += QString::fromUtf8(command.readAllStandardOutput()),
             output.contains(QStringLiteral(R"(Write merged: {"1":{"port":81}})"))),
            kReplyTimeoutMs);

        command.terminate();
        QVERIFY(command.waitForFinished(kReplyTimeoutMs));
        QCOMPARE(command.exitStatus(), QProcess::NormalExit);
        QCOMPARE(command.exitCode(), 0);
    }

    void commandAddsItselfToModuleListOnce()
    {
        TestWorkDir dir;
        dir.writeFile(QStringLiteral("options.ini"), "[global]\nmodules=192.168.4.20 Boiler/10.0.0.5\n");
        for (int run = 0; run < 2; ++run) {
            QProcess command;
            command.setWorkingDirectory(dir.path());
            command.start(QStringLiteral(QUILLNET_SIM_EXECUTABLE),
                          {QStringLiteral("--port"), QStringLiteral("32781"),
                           QStringLiteral("--add-to-module-list"), QStringLiteral("options.ini")});
            QVERIFY(command.waitForFinished(kReplyTimeoutMs));
            QCOMPARE(command.exitCode(), 0);
        }
        const QSettings settings(dir.filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("global/modules")).toString(),
                 QStringLiteral("192.168.4.20 Boiler/10.0.0.5/127.0.0.1:32781 Simulator"));
    }
};

QTEST_GUILESS_MAIN(TestModuleSimulator)
#include "tst_modulesimulator.moc"
