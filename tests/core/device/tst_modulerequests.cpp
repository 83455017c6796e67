#include "core/device/modulerequests.h"

#include "support/rawmodule.h"
#include "support/simfixture.h"
#include "support/timeouts.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

Q_DECLARE_METATYPE(ReplyOutcome::Kind)

namespace {

const QByteArray kDocument = R"({"1":{"port":8080}})";

// A port that was free a moment ago: nothing listens there.
QString closedAddress()
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    return QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
}

} // namespace

// How a finished request ends, against real peers: the kind, the status, the body and the
// one-line reason, which never carries the page a write's URL holds.
class TestModuleRequests : public QObject
{
    Q_OBJECT

private slots:
    void outcome_data()
    {
        QTest::addColumn<QString>("peer"); // "sim", "raw" or "closed"
        QTest::addColumn<int>("fault"); // ModuleSimulator::Fault, for the simulator's write
        QTest::addColumn<int>("status"); // for Fault::HttpStatus
        QTest::addColumn<QByteArray>("rawAnswer");
        QTest::addColumn<ReplyOutcome::Kind>("kind");
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reason"); // a pattern
        using F = ModuleSimulator::Fault;
        const int none = int(F::None);
        QTest::newRow("answered") << "sim" << none << 0 << QByteArray() << ReplyOutcome::Answered << 200
                                  << QByteArray("OK") << "";
        // The window takes it as an answer; the module client judges the status itself.
        QTest::newRow("a redirect is an answer")
            << "raw" << none << 0 << RawModule::answer(302, "moved") << ReplyOutcome::Answered << 302
            << QByteArray("moved") << "";
        QTest::newRow("an error status, with the module's reason phrase")
            << "sim" << int(F::HttpStatus) << 414 << QByteArray() << ReplyOutcome::ErrorStatus << 414
            << QByteArray() << "HTTP 414 URI Too Long";
        QTest::newRow("connection refused")
            << "closed" << none << 0 << QByteArray() << ReplyOutcome::NetworkError << 0 << QByteArray()
            << "Connection refused";
        QTest::newRow("closed in the middle of the body")
            << "raw" << none << 0 << RawModule::answer(200, "O", {}, 100) << ReplyOutcome::NetworkError << 200
            << QByteArray() << ".{1,80}";
        QTest::newRow("no answer within the transfer timeout")
            << "sim" << int(F::Hang) << 0 << QByteArray() << ReplyOutcome::NoAnswer << 0 << QByteArray()
            << "no answer within 0.3 s";
    }

    void outcome()
    {
        QFETCH(QString, peer);
        QFETCH(int, fault);
        QFETCH(int, status);
        QFETCH(QByteArray, rawAnswer);
        QFETCH(ReplyOutcome::Kind, kind);
        QFETCH(int, httpStatus);
        QFETCH(QByteArray, body);
        QFETCH(QString, reason);
        SimFixture sim;
        sim.sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault(fault), status, 0});
        RawModule raw;
        raw.respond = [rawAnswer](const QByteArray &) {
            return rawAnswer;
        };
        QString address = sim.address();
        if (peer == "raw")
            address = raw.address();
        if (peer == "closed")
            address = closedAddress();

        QNetworkAccessManager network;
        QNetworkReply *tracked = network.get(moduleRequest(writeUrl(address, kDocument), 300));
        QNetworkReply *reply = tracked;
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(kWaitMs));
        const ReplyOutcome outcome = finishReply(reply, &tracked);

        QVERIFY(!tracked);
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.httpStatus, httpStatus);
        QCOMPARE(outcome.body, body);
        QVERIFY2(QRegularExpression('^' + reason + '$').match(outcome.reason).hasMatch(),
                 qPrintable(outcome.reason));
        if (kind == ReplyOutcome::Answered)
            return;
        // Logged in one line, without the page.
        QCOMPARE(failureLine(outcome), "http://" + address + "/jsonoptions: " + outcome.reason);
    }
};

QTEST_GUILESS_MAIN(TestModuleRequests)
#include "tst_modulerequests.moc"
