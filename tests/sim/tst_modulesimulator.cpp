#include "core/modules/modulelistfile.h"
#include "sim/behaviourtext.h"
#include "sim/moduleannouncer.h"
#include "sim/modulefleet.h"
#include "sim/modulesimulator.h"
#include "support/testjson.h"
#include "support/testworkdir.h"
#include "support/timeouts.h"
#include "support/waituntil.h"

#include <QtNetwork>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kPages = R"({"a":{"x":1},"b":{"en":1}})";

QByteArray finish(QNetworkReply *reply, int *status = nullptr)
{
    std::unique_ptr<QNetworkReply> owner(reply);
    if (!reply->isFinished())
        QSignalSpy(reply, &QNetworkReply::finished).wait(kWaitMs);
    if (status)
        *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return reply->readAll();
}

} // namespace

// The simulated module as the window's tests do not use it: its behaviours written as on the
// command line, its stop while requests wait, its announcements, and the command itself.
class TestModuleSimulator : public QObject
{
    Q_OBJECT

    QNetworkAccessManager network;

    // Raw JSON in a target is taken as the configurator's tolerant URLs take it.
    QNetworkReply *send(const QString &url) { return network.get(QNetworkRequest(QUrl::fromUserInput(url))); }

private slots:
    // "[KEY:]BEHAVIOUR" read back as "KEY|BEHAVIOUR"; empty: refused with a message.
    void behaviourTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        const QStringList refused{"status", "status:99", "bogus", "hang,null", "null:1", "delay:-5"};
        for (const QString &text : refused)
            QTest::newRow(qPrintable(text)) << text << QString();
        QTest::newRow("fault") << "hang"
                               << "|hang";
        QTest::newRow("delay alone") << "delay:300"
                                     << "|ok,delay:300";
        QTest::newRow("status and delay of one page") << "b:status:503,delay:20"
                                                      << "b|status:503,delay:20";
        QTest::newRow("page key that reads as a fault") << "null:null"
                                                        << "null|null";
    }
    void behaviourTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        QString key, error;
        ModuleSimulator::Behaviour behaviour;
        const bool parsed = parsePageBehaviour(text, &key, &behaviour, &error);
        QCOMPARE(parsed ? key + '|' + behaviourText(behaviour) : QString(), read);
        // A keyed behaviour keeps no message of the first, unkeyed reading.
        QCOMPARE(error.isEmpty(), parsed);
    }

    // Hanging and slow answers hold only their requests until stop(), which ends them at once.
    void stopReleasesWaitingRequestsAndPort()
    {
        ModuleSimulator simulator;
        simulator.setPages(jsonObject(kPages));
        QVERIFY(simulator.start("127.0.0.1", 0));
        const QString base = QStringLiteral("http://127.0.0.1:%1/jsonoptions?select=").arg(simulator.port());
        using F = ModuleSimulator::Fault;
        simulator.setBehaviour(ModuleSimulator::Endpoint::Page, {F::Hang, 500, 0}, "a");
        simulator.setBehaviour(ModuleSimulator::Endpoint::Page, {F::None, 500, 600000}, "b");
        QNetworkReply *hanging = send(base + "a");
        QNetworkReply *slow = send(base + "b");
        QCOMPARE(jsonObject(finish(send(base + "0"))).keys(), QStringList{"select"});
        WAIT_COMPARE(simulator.requests().size(), 3);
        QVERIFY(!hanging->isFinished() && !slow->isFinished());
        ModuleSimulator second;
        QVERIFY(!second.start("127.0.0.1", simulator.port()));

        QElapsedTimer clock;
        clock.start();
        simulator.stop();
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(finish(hanging).isEmpty() && finish(slow).isEmpty());
        QVERIFY(second.start("127.0.0.1", simulator.port()));
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
        fleet.setPages(jsonObject(kPages));
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
                WAIT_COMPARE(fleet.module(index).requests().size(), 1);
                continue;
            }
            int status = 0;
            const QByteArray body = finish(replies.at(index), &status);
            QCOMPARE(status, outcome == "ok" ? 200 : outcome.toInt()); // "down": 0, no answer
            QCOMPARE(jsonObject(body), outcome == "ok" ? jsonObject(R"({"b":{"en":1}})") : QJsonObject());
        }
        // The others answered while the hanging ones held their requests.
        for (int index = 0; index < fleet.size(); ++index)
            QVERIFY(outcomes.at(index) != "hang" || !replies.at(index)->isFinished());

        // Each module has its own pages.
        QCOMPARE(finish(send(url(0, R"(/jsonoptions?write={"b":{"en":0}})"))), QByteArray("OK"));
        QCOMPARE(fleet.module(0).pages().value("b"), jsonObject(R"({"en":0})"));
        for (int index = 1; index < fleet.size(); ++index)
            QCOMPARE(fleet.module(index).pages(), jsonObject(kPages));
        fleet.stop();
        for (int index = 0; index < fleet.size(); ++index) {
            if (outcomes.at(index) == "hang")
                finish(replies.at(index));
        }
    }

    void badFaultRulesAreRefused()
    {
        ModuleFleet::FaultRule rule;
        QString error;
        for (const char *bad : {"hang", "0=hang", "x=down", "3=down,delay:5", "3=bogus"}) {
            error.clear();
            QVERIFY2(!parseFaultRule(bad, &rule, &error) && !error.isEmpty(), bad);
        }
    }

    void announcementsArrive()
    {
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::LocalHost, 0));
        ModuleAnnouncer announcer;
        announcer.start(QHostAddress::LocalHost, listener.localPort(), 50);
        for (int repeat = 0; repeat < 3; ++repeat) {
            WAIT_VERIFY(listener.hasPendingDatagrams());
            QByteArray datagram(int(listener.pendingDatagramSize()), '\0');
            listener.readDatagram(datagram.data(), datagram.size());
            QVERIFY2(datagram.size() >= 2 && datagram.startsWith('U'), datagram.constData());
        }
    }

    // The command serves the shipped data, merges a write typed as a plain URL, reports it, and
    // ends with status 0 on SIGTERM.
    void commandServesAndStopsOnTerminate()
    {
        QProcess command;
        command.start(QUILLNET_SIM_EXECUTABLE, {"--port", "0", "--no-announce"});
        QString output, url;
        const auto printed = [&](const char *pattern) {
            output += QString::fromUtf8(command.readAllStandardOutput());
            return QRegularExpression(pattern).match(output).captured(1);
        };
        WAIT_VERIFY(!(url = printed("Simulated module at (http://127\\.0\\.0\\.1:\\d+)")).isEmpty());
        QCOMPARE(jsonObject(finish(send(url + "/jsonoptions?select=0"))),
                 jsonObject(R"({"select":["1","2","3","4"]})"));
        const QString written = R"({"1":{"name":"a&b=c+d e"}})";
        QCOMPARE(
            finish(network.get(QNetworkRequest(QUrl::fromUserInput(url + "/jsonoptions?write=" + written)))),
            QByteArray("OK"));
        WAIT_VERIFY(!printed("(Write merged: \\{\"1\":\\{\"name\":\"a&b=c\\+d e\"\\}\\})").isEmpty());
        QCOMPARE(jsonObject(finish(send(url + "/jsonoptions?select=1"))).value("1").toObject().value("name"),
                 QJsonValue("a&b=c+d e"));
        command.terminate();
        QVERIFY(command.waitForFinished(kWaitMs));
        QCOMPARE(command.exitStatus(), QProcess::NormalExit);
        QCOMPARE(command.exitCode(), 0);
    }

    void commandAddsItselfToModuleListOnce_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("added");
        QTest::newRow("one module") << QStringList{"--port", "32781"}
                                    << QStringList{"127.0.0.1:32781 Simulator"};
        QTest::newRow("a fleet, one listed already")
            << QStringList{"--port", "32781", "--modules", "3", "--address", "10.0.0.5"}
            << QStringList{"10.0.0.5:32781 Simulator", "10.0.0.5:32783 Simulator"};
    }
    void commandAddsItselfToModuleListOnce()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, added);
        TestWorkDir dir;
        const QStringList listed{"192.168.4.20 Boiler", "10.0.0.5:32782"};
        QVERIFY(writeModuleList(kModuleListFileName, listed));
        for (int run = 0; run < 2; ++run) {
            QProcess command;
            command.start(QUILLNET_SIM_EXECUTABLE,
                          arguments + QStringList{"--add-to-module-list", kModuleListFileName});
            QVERIFY(command.waitForFinished(kWaitMs));
            QCOMPARE(command.exitCode(), 0);
        }
        QCOMPARE(readModuleList(kModuleListFileName), listed + added);
    }
};

QTEST_GUILESS_MAIN(TestModuleSimulator)
#include "tst_modulesimulator.moc"
