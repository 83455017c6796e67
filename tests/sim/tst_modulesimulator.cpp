#include "sim/behaviourtext.h"
#include "sim/moduleannouncer.h"
#include "sim/modulefleet.h"
#include "sim/modulesimulator.h"
#include "support/testworkdir.h"

#include <QtNetwork>
#include <QtTest>

#include <memory>

namespace {

const int kReplyTimeoutMs = 5000;
const QByteArray kPages = R"({"a":{"x":1,"y":"text","g":{"ip":"10.0.0.1","n":{"k":1}}},"b":{"en":1}})";
const QByteArray kCatalog = R"({"sysall":{"select":{"a":"Alpha"}}})";

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class TestModuleSimulator : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWorkDir> dir;
    std::unique_ptr<ModuleSimulator> simulator; // a fresh one per test, with empty records
    QNetworkAccessManager network;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(simulator->port()); }
    // Raw JSON in a target is taken as the configurator's tolerant URLs take it.
    QNetworkReply *send(const QString &url) { return network.get(QNetworkRequest(QUrl::fromUserInput(url))); }
    static QByteArray finish(QNetworkReply *reply, int *status = nullptr)
    {
        std::unique_ptr<QNetworkReply> owner(reply);
        if (!reply->isFinished())
            QSignalSpy(reply, &QNetworkReply::finished).wait(kReplyTimeoutMs);
        if (status)
            *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        return reply->readAll();
    }
    QByteArray get(const QString &path, int *status = nullptr) { return finish(send(base() + path), status); }

private slots:
    void init()
    {
        dir = std::make_unique<TestWorkDir>();
        simulator = std::make_unique<ModuleSimulator>();
        simulator->setPages(object(kPages), {"b", "a"});
        simulator->setCatalog(kCatalog);
        QVERIFY(simulator->start("127.0.0.1", 0));
    }
    void cleanup()
    {
        simulator.reset();
        dir.reset();
    }

    // Behaviours as on the command line; a JSON object body is compared as one, a null one not.
    void answers_data()
    {
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        const auto row = [](const char *name, const char *behaviour, const char *target, int status,
                            const QByteArray &body) {
            QTest::newRow(name) << behaviour << target << status << body;
        };
        const char *list = "/jsonoptions?select=0", *page = "/jsonoptions?select=a",
                   *catalog = "/api/app/init.json";
        const QByteArray pageA = R"({"a":{"x":1,"y":"text","g":{"ip":"10.0.0.1","n":{"k":1}}}})";
        row("page list in the given order", "ok", list, 200, R"({"select":["b","a"]})");
        row("page under its key", "ok", page, 200, pageA);
        row("catalog", "ok", catalog, 200, kCatalog);
        row("unknown page", "ok", "/jsonoptions?select=zz", 404, {});
        row("neither select nor write", "ok", "/jsonoptions?other=1", 400, {});
        row("write of an array", "ok", R"(/jsonoptions?write=[{"a":{"x":9}}])", 400, {});
        row("write cut short", "ok", R"(/jsonoptions?write={"a":{"x":9})", 400, {});
        row("list Error 404", "error404", list, 200, "Error 404");
        row("page empty-page text", "empty", page, 200, R"({"a":}})");
        row("page null", "a:null", page, 200, R"({"null"})");
        row("another page's behaviour", "b:null", page, 200, pageA);
        row("write status", "status:503", R"(/jsonoptions?write={"a":{"x":7}})", 503, "");
        row("catalog invalid", "invalid-json", catalog, 200, ModuleSimulator::invalidJsonText());
    }
    void answers()
    {
        QFETCH(QString, behaviour);
        QFETCH(QString, target);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QString key, error;
        ModuleSimulator::Behaviour parsed;
        // A keyed behaviour keeps no message of the first, unkeyed reading.
        QVERIFY(parsePageBehaviour(behaviour, &key, &parsed, &error) && error.isEmpty());
        using E = ModuleSimulator::Endpoint;
        for (const E endpoint : {E::PageList, E::Page, E::Write, E::Catalog})
            simulator->setBehaviour(endpoint, parsed, key);
        int answered = 0;
        const QByteArray answer = get(target, &answered);
        QCOMPARE(answered, status);
        if (QJsonDocument::fromJson(body).isObject())
            QCOMPARE(object(answer), object(body));
        else if (!body.isNull())
            QCOMPARE(answer, body);
        QCOMPARE(simulator->pages(), object(kPages)); // refused and faulted writes are not merged
    }

    // Written pages merge option by option, a group whole; values arrive exactly however encoded.
    void writeMergesAndDecodes_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("encodeWhole");
        QTest::newRow("encoded whole") << QString::fromUtf8("a#b&c=d%41+e f\nЯ\"\\") << true;
        QTest::newRow("tolerant URL") << QString::fromUtf8("a&c=d+e f\nЯ\"\\,:{}") << false;
        QTest::newRow("percent-encoded plus") << "1+1" << true;
    }
    void writeMergesAndDecodes()
    {
        QFETCH(QString, value);
        QFETCH(bool, encodeWhole);
        const QJsonObject a{{"y", value}, {"new", "n"}, {"g", QJsonObject{{"ip", "10.0.0.9"}}}};
        const QJsonObject written{{"a", a}, {"zz", QJsonObject{{"q", 1}}}, {"b", 5}};
        const QByteArray document = QJsonDocument(written).toJson(QJsonDocument::Compact);
        const QString text = QString::fromUtf8(document);
        const QString query = encodeWhole ? QString::fromLatin1(QUrl::toPercentEncoding(text)) : text;
        QCOMPARE(get("/jsonoptions?write=" + query), QByteArray("OK"));
        QCOMPARE(simulator->writes(), QList<QByteArray>{document});
        QJsonObject pages = object(kPages);
        pages["a"] = QJsonObject{{"x", 1}, {"y", value}, {"new", "n"}, {"g", a["g"]}};
        QCOMPARE(object(get("/jsonoptions?select=a")).value("a"), pages.value("a"));
        QCOMPARE(simulator->pages(), pages);
    }

    // Hanging and slow answers hold only their requests until stop(), which ends them at once.
    void stopReleasesWaitingRequestsAndPort()
    {
        using F = ModuleSimulator::Fault;
        simulator->setBehaviour(ModuleSimulator::Endpoint::Page, {F::Hang, 500, 0}, "a");
        simulator->setBehaviour(ModuleSimulator::Endpoint::Page, {F::None, 500, 600000}, "b");
        QNetworkReply *hanging = send(base() + "/jsonoptions?select=a");
        QNetworkReply *slow = send(base() + "/jsonoptions?select=b");
        QCOMPARE(object(get("/jsonoptions?select=0")).keys(), QStringList{"select"});
        QTRY_COMPARE_WITH_TIMEOUT(simulator->requests().size(), 3, kReplyTimeoutMs);
        QVERIFY(!hanging->isFinished() && !slow->isFinished());
        const int port = simulator->port();
        ModuleSimulator second;
        QVERIFY(!second.start("127.0.0.1", port));

        QElapsedTimer clock;
        clock.start();
        simulator->stop();
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(finish(hanging).isEmpty() && finish(slow).isEmpty());
        QVERIFY(second.start("127.0.0.1", port));
    }

    // A fleet serves on consecutive ports; the first rule that picks a module gives its fault.
    void fleet_data()
    {
        QTest::addColumn<QStringList>("rules");
        QTest::addColumn<QStringList>("outcomes"); // per module: "ok", "down", "hang" or a status
        QTest::newRow("no faults") << QStringList() << QStringList{"ok", "ok", "ok", "ok"};
        QTest::newRow("every 2nd down") << QStringList{"2=down"} << QStringList{"ok", "down", "ok", "down"};
        QTest::newRow("first rule that picks")
            << QStringList{"4=hang", "2=status:503"} << QStringList{"ok", "503", "ok", "hang"};
    }
    void fleet()
    {
        QFETCH(QStringList, rules);
        QFETCH(QStringList, outcomes);
        QList<ModuleFleet::FaultRule> parsed;
        for (const QString &text : rules) {
            ModuleFleet::FaultRule rule;
            QString error;
            QVERIFY2(parseFaultRule(text, &rule, &error), qPrintable(error));
            parsed.append(rule);
        }
        ModuleFleet fleet(int(outcomes.size()));
        fleet.setPages(object(kPages));
        fleet.setFaultRules(parsed);
        QVERIFY(fleet.start("127.0.0.1", 0));
        const auto url = [&](int index, const QString &target) {
            return QStringLiteral("http://127.0.0.1:%1%2").arg(fleet.firstPort() + index).arg(target);
        };
        QList<QNetworkReply *> replies;
        for (int index = 0; index < fleet.size(); ++index) {
            QCOMPARE(fleet.module(index).port(), fleet.firstPort() + index);
            replies.append(send(url(index, "/jsonoptions?select=b")));
        }
        for (int index = 0; index < fleet.size(); ++index) {
            const QString &outcome = outcomes.at(index);
            if (outcome == "hang") {
                QTRY_COMPARE_WITH_TIMEOUT(fleet.module(index).requests().size(), 1, kReplyTimeoutMs);
                continue;
            }
            int status = 0;
            const QByteArray body = finish(replies.at(index), &status);
            QCOMPARE(status, outcome == "ok" ? 200 : outcome.toInt()); // "down": 0, no answer
            QCOMPARE(object(body), outcome == "ok" ? object(R"({"b":{"en":1}})") : QJsonObject());
        }
        // The others answered while the hanging ones held their requests.
        for (int index = 0; index < fleet.size(); ++index)
            QVERIFY(outcomes.at(index) != "hang" || !replies.at(index)->isFinished());

        // Each module has its own pages.
        QCOMPARE(finish(send(url(0, R"(/jsonoptions?write={"b":{"en":0}})"))), QByteArray("OK"));
        QCOMPARE(fleet.module(0).pages().value("b"), object(R"({"en":0})"));
        for (int index = 1; index < fleet.size(); ++index)
            QCOMPARE(fleet.module(index).pages(), object(kPages));
        fleet.stop();
        for (int index = 0; index < fleet.size(); ++index) {
            if (outcomes.at(index) == "hang")
                finish(replies.at(index));
        }
    }

    void announcementsArrive()
    {
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::LocalHost, 0));
        ModuleAnnouncer announcer;
        announcer.start(QHostAddress::LocalHost, listener.localPort(), 50);
        for (int repeat = 0; repeat < 3; ++repeat) {
            QTRY_VERIFY_WITH_TIMEOUT(listener.hasPendingDatagrams(), kReplyTimeoutMs);
            QByteArray datagram(int(listener.pendingDatagramSize()), '\0');
            listener.readDatagram(datagram.data(), datagram.size());
            QVERIFY2(datagram.size() >= 2 && datagram.startsWith('U'), datagram.constData());
        }
    }

    void badBehaviourTextsAreRefused()
    {
        QString key, error;
        ModuleSimulator::Behaviour behaviour;
        for (const char *bad : {"status", "status:99", "bogus", "hang,null", "null:1", "delay:-5"}) {
            error.clear();
            QVERIFY2(!parsePageBehaviour(bad, &key, &behaviour, &error) && !error.isEmpty(), bad);
        }
        ModuleFleet::FaultRule rule;
        for (const char *bad : {"hang", "0=hang", "x=down", "3=down,delay:5", "3=bogus"}) {
            error.clear();
            QVERIFY2(!parseFaultRule(bad, &rule, &error) && !error.isEmpty(), bad);
        }
    }

    // The command serves the shipped data, reports writes and ends with status 0 on SIGTERM.
    void commandServesAndStopsOnTerminate()
    {
        QProcess command;
        command.start(QUILLNET_SIM_EXECUTABLE, {"--port", "0", "--no-announce"});
        QString output, url;
        const auto printed = [&](const char *pattern) {
            output += QString::fromUtf8(command.readAllStandardOutput());
            return QRegularExpression(pattern).match(output).captured(1);
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            !(url = printed("Simulated module at (http://127\\.0\\.0\\.1:\\d+)")).isEmpty(), kReplyTimeoutMs);
        QCOMPARE(object(finish(send(url + "/jsonoptions?select=0"))),
                 object(R"({"select":["1","2","3","4"]})"));
        QCOMPARE(finish(send(url + R"(/jsonoptions?write={"1":{"port":81}})")), QByteArray("OK"));
        QTRY_VERIFY_WITH_TIMEOUT(!printed(R"((Write merged: \{"1":\{"port":81\}\}))").isEmpty(),
                                 kReplyTimeoutMs);
        command.terminate();
        QVERIFY(command.waitForFinished(kReplyTimeoutMs));
        QCOMPARE(command.exitStatus(), QProcess::NormalExit);
        QCOMPARE(command.exitCode(), 0);
    }

    void commandAddsItselfToModuleListOnce_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("added");
        QTest::newRow("one module") << QStringList{"--port", "32781"} << "/127.0.0.1:32781 Simulator";
        QTest::newRow("a fleet, one listed already")
            << QStringList{"--port", "32781", "--modules", "3", "--address", "10.0.0.5"}
            << "/10.0.0.5:32781 Simulator/10.0.0.5:32783 Simulator";
    }
    void commandAddsItselfToModuleListOnce()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, added);
        dir->writeFile("options.ini", "[global]\nmodules=192.168.4.20 Boiler/10.0.0.5:32782\n");
        for (int run = 0; run < 2; ++run) {
            QProcess command;
            command.start(QUILLNET_SIM_EXECUTABLE,
                          arguments + QStringList{"--add-to-module-list", "options.ini"});
            QVERIFY(command.waitForFinished(kReplyTimeoutMs));
            QCOMPARE(command.exitCode(), 0);
        }
        QCOMPARE(QSettings("options.ini", QSettings::IniFormat).value("global/modules").toString(),
                 "192.168.4.20 Boiler/10.0.0.5:32782" + added);
    }
};

QTEST_GUILESS_MAIN(TestModuleSimulator)
#include "tst_modulesimulator.moc"
