// A module that misbehaves on the wire: bodies cut short, redirects, bytes that are not
// UTF-8, NUL bytes, bodies of ten megabytes, answers that never come, writes refused.
// Each must end in the documented outcome or message, with the window responsive and the
// page on screen kept.

#include "modulesession.h"

#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "descriptions/catalogfile.h"
#include "device/modulerequests.h"
#include "device/choicelist.h"
#include "device/optionrows.h"
#include "support/loopwatch.h"
#include "support/simfixture.h"
#include "descriptions/descriptionsserver.h"
#include "support/testworkdir.h"

#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

constexpr int kAnswerTimeoutMs = 20000;
// Longest pause of the event loop that still counts as responsive, with room for slow,
// sanitised builds parsing megabytes in one go.
constexpr qint64 kMaxStallMs = 3000;
constexpr int kTenMegabytes = 10 * 1024 * 1024;
const QByteArray kPageListTarget = "/jsonoptions?select=0";
const QByteArray kPageTarget = "/jsonoptions?select=3";
const QByteArray kWritePrefix = "/jsonoptions?write=";

// A plain HTTP/1.1 answer; a contentLength >= 0 announces more than body holds.
QByteArray httpAnswer(int status, const QByteArray &body, const QByteArray &headers = {},
                      int contentLength = -1)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Whatever\r\nContent-Length: "
        + QByteArray::number(contentLength < 0 ? body.size() : contentLength) + "\r\nConnection: close\r\n"
        + headers + "\r\n" + body;
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
QByteArray pageList(const QStringList &keys)
{
    return json({{"select", QJsonArray::fromStringList(keys)}});
}
QString text(const char *uiText)
{
    return QCoreApplication::translate("MainWindow", uiText);
}

// A module that answers with hand-made bytes: the target of each connection's request is
// recorded, the answer chosen for it written and the connection closed.
class RawModule : public QObject
{
public:
    RawModule()
    {
        if (!server.listen(QHostAddress::LocalHost))
            qFatal("Cannot listen on loopback");
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                auto head = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
                    const bool answered = head->contains("\r\n\r\n");
                    head->append(socket->readAll());
                    if (answered || !head->contains("\r\n\r\n"))
                        return;
                    targets.append(head->left(head->indexOf("\r\n")).split(' ').value(1));
                    socket->write(respond(targets.last()));
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }

    std::function<QByteArray(const QByteArray &target)> respond;
    QList<QByteArray> targets;
    QTcpServer server;
};

struct Modules
{
    TestWorkDir dir;
    SimFixture fx;
    RawModule module;
};

// A window whose selector lists the raw module (entry 1) and the simulator (entry 2), with
// an empty catalog on disk so that nothing is downloaded at start-up.
struct Session
    : Modules
    , ModuleSession
{
    Session()
        : ModuleSession({module.address() + QStringLiteral(" Raw"), fx.address() + QStringLiteral(" Sim")},
                        "{}")
    { }
    // The raw module lists keys and answers every other request with page(target).
    void servePages(const QStringList &keys, const std::function<QByteArray(const QByteArray &)> &page)
    {
        module.respond = [keys, page](const QByteArray &target) {
            return target == kPageListTarget ? httpAnswer(200, pageList(keys)) : page(target);
        };
    }
};

} // namespace

class TestNetworkFaults : public QObject
{
    Q_OBJECT

private slots:
    void readFaults_data();
    void readFaults();
    void tenMegabyteBodies();
    void writeAnswers_data();
    void writeAnswers();
    void catalogDownloadFaults_data();
    void catalogDownloadFaults();
    void hangingWriteAndDownloadEndAtTheTimeout();
};

void TestNetworkFaults::readFaults_data()
{
    QTest::addColumn<QByteArray>("target"); // the request answered with answer: page list or page 3
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("tableKept"); // page 1 stays on screen
    QTest::addColumn<QString>("logged"); // warning-level log of an unparsable page

    const QByteArray list = pageList({"1", "3"});
    const QByteArray page = json({{"3", QJsonObject{{"name", "x"}}}});
    const QString unknown = text(uitexts::unknownError), parserError = text(uitexts::jsonParserError);
    QTest::newRow("page list closed in the middle of the body")
        << kPageListTarget << httpAnswer(200, list.left(10), {}, list.size()) << text(uitexts::connectFailed)
        << false << QString();
    // Followed, a redirect would end in a refused connection.
    QTest::newRow("page list redirected")
        << kPageListTarget
        << httpAnswer(302, "Moved", "Location: http://127.0.0.1:1/jsonoptions?select=0\r\n") << unknown
        << false << QString();
    QTest::newRow("page list and junk after a NUL")
        << kPageListTarget << httpAnswer(200, list + QByteArray("\0junk", 5)) << unknown << false
        << QString();
    QTest::newRow("page key that is not UTF-8")
        << kPageListTarget << httpAnswer(200, "{\"select\":[\"1\",\"\xc3\x28\"]}") << unknown << false
        << QString();
    QTest::newRow("page closed in the middle of the body")
        << kPageTarget << httpAnswer(200, page.left(8), {}, page.size()) << text(uitexts::pageLoadFailed)
        << true << QString();
    QTest::newRow("page redirected") << kPageTarget
                                     << httpAnswer(302, "Found",
                                                   "Location: http://127.0.0.1:1/jsonoptions?select=3\r\n")
                                     << parserError << false << QStringLiteral("Found");
    QTest::newRow("empty-page text and junk after a NUL")
        << kPageTarget << httpAnswer(200, QByteArray("{\"3\":}}\0junk", 12)) << text(uitexts::emptyPage)
        << false << QString();
    QTest::newRow("page value that is not UTF-8")
        << kPageTarget << httpAnswer(200, "{\"3\":{\"name\":\"caf\xe9\"}}") << parserError << false
        << QStringLiteral("{\"3\":{\"name\":\"caf") + QChar(QChar::ReplacementCharacter)
            + QStringLiteral("\"}}");
}

void TestNetworkFaults::readFaults()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, answer);
    QFETCH(QString, message);
    QFETCH(bool, tableKept);
    QFETCH(QString, logged);
    bool faulty = true;
    Session s;
    s.module.respond = [&](const QByteArray &request) {
        if (faulty && request == target)
            return answer;
        return httpAnswer(200, request == kPageListTarget ? pageList({"1", "3"}) : R"({"1":{"mode":"a"}})");
    };
    const QStringList pageOne{"mode|1|mode|text:a"};
    QVERIFY(s.selectModule(1));
    if (target == kPageTarget) {
        QVERIFY(s.openPage("1"));
        QCOMPARE(s.rows(), pageOne);
        if (!logged.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, logged.toUtf8().constData());
        QVERIFY(s.openPage("3"));
        QCOMPARE(s.probe->pageKey(), QStringLiteral("3"));
    }
    QCOMPARE(s.boxTexts(), QStringList{message});
    QCOMPARE(s.rows(), tableKept ? pageOne : QStringList());
    QCOMPARE(s.pageKeys().isEmpty(), target == kPageListTarget);
    QVERIFY2(!s.probe->pushButton()->isEnabled(), "page 3 is not on screen: nothing to save");
    // The network layer may retry a broken connection a few times, never endlessly.
    QVERIFY(s.module.targets.count(target) <= 4);

    // The module can be used again at once.
    faulty = false;
    s.modals.clear();
    s.probe->comboBox()->setCurrentIndex(0);
    QVERIFY(s.selectModule(1) && s.openPage("1"));
    QCOMPARE(s.rows(), pageOne);
    QVERIFY(s.probe->pushButton()->isEnabled());
    QCOMPARE(s.modals.count(), 0);
}

void TestNetworkFaults::tenMegabyteBodies()
{
    // A page key of ten megabytes, listed whole and painted in part (beside keys with a NUL
    // and Cyrillic text); a page whose text
    // option holds ten megabytes (a line edit would lay it all out: it goes into a text
    // cell, painted in part), and whose nested object holds as much (shown as far as a line
    // edit holds, sent back as received).
    Session s;
    const QString longText(kTenMegabytes, QLatin1Char('t'));
    const QJsonObject nested{{"obj", QJsonObject{{"text", longText}}}};
    const QJsonObject options{{"log", longText}, {"net", nested}};
    const QByteArray page = httpAnswer(200, json({{"3", options}}));
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    s.servePages({longText, withNul, "Сеть", "3"}, [page](const QByteArray &) { return page; });
    LoopWatch heartbeat;

    QVERIFY(s.selectModule(1));
    QCOMPARE(s.pageKeys(), (QStringList{longText, withNul, "Сеть", "3", "promode"}));
    // The page is logged as every page is; the test's log need not hold it.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^QJsonObject\\(\\{\"3\":")));
    QVERIFY(s.openPage("3"));
    QCOMPARE(s.modals.count(), 0);
    const QString nestedText = (QStringLiteral("text:") + longText).left(kLineEditTextLimit);
    QCOMPARE(s.rows(),
             (QStringList{"log|6|log|cell:" + longText, "net|0|net|header",
                          "obj|5|net:obj:sub|shown:" + nestedText}));
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    s.probe->listWidget()->viewport()->repaint();
    s.probe->tableWidget()->viewport()->repaint();
    QVERIFY2(heartbeat.beats() > 5, "the timer fired during the transfers");
    QVERIFY2(heartbeat.longestPauseMs() < kMaxStallMs, "the event loop kept running");
    QCOMPARE(s.probe->pageValues(), (QJsonObject{{"3", options}}));
}

void TestNetworkFaults::writeAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("logged"); // the answer as logged; empty: a failed write

    QTest::newRow("junk after a NUL")
        << httpAnswer(200, QByteArray("OK\0junk\xff", 8)) << QStringLiteral("OK");
    QTest::newRow("bytes that are not UTF-8")
        << httpAnswer(200, "\xff\xfeok")
        << QString(2, QChar(QChar::ReplacementCharacter)) + QStringLiteral("ok");
    QTest::newRow("Cyrillic") << httpAnswer(200, "\xd0\x93\xd0\xbe\xd1\x82\xd0\xbe\xd0\xb2\xd0\xbe")
                              << QStringLiteral("Готово");
    // Not followed: the settings never go to another host, and the redirect is the answer.
    QTest::newRow("redirect") << httpAnswer(308, "Moved", "Location: http://127.0.0.1:1/\r\n")
                              << QStringLiteral("Moved");
    QTest::newRow("HTTP 500") << httpAnswer(500, "Internal error") << QString();
    QTest::newRow("closed in the middle of the body") << httpAnswer(200, "O", {}, 100) << QString();
    QTest::newRow("closed before any answer") << QByteArray() << QString();
}

void TestNetworkFaults::writeAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, logged);
    // Text longer than a line edit holds, at the top level and in a group, goes into text
    // cells and is written back whole.
    QJsonObject options{
        {"name", "x"},
        {"net", QJsonObject{{"note", QString(33000, QLatin1Char('n')) + QStringLiteral("\nend")}}},
        {"script", QString(40000, QLatin1Char('a')) + QStringLiteral("end")}};
    Session s;
    const QByteArray page = httpAnswer(200, json({{"3", options}}));
    s.servePages({"3"},
                 [=](const QByteArray &target) { return target.startsWith(kWritePrefix) ? answer : page; });
    QVERIFY(s.selectModule(1));
    QVERIFY(s.openPage("3"));
    QCOMPARE(s.probe->rowTypes(), (QList<int>{TextField, GroupHeader, TextCell, TextCell}));
    auto *name = qobject_cast<QLineEdit *>(s.probe->tableWidget()->cellWidget(0, 1));
    QVERIFY(name);
    name->setText(QStringLiteral("edited"));

    if (!logged.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, logged.toUtf8().constData());
    s.probe->saveopt();
    QVERIFY(!s.probe->pushButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply(), kAnswerTimeoutMs);

    // A failed write is reported; the edit stays on screen and in the page's values, ready to
    // be sent again.
    QCOMPARE(s.boxTexts(), logged.isEmpty() ? QStringList{"Не удалось сохранить страницу"} : QStringList());
    QVERIFY(s.probe->pushButton()->isEnabled());
    options.insert("name", "edited");
    QCOMPARE(s.probe->pageValues(), (QJsonObject{{"3", options}}));
    const QByteArray document
        = QByteArray::fromPercentEncoding(s.module.targets.last().mid(kWritePrefix.size()));
    QCOMPARE(QJsonDocument::fromJson(document).object(), (QJsonObject{{"3", options}}));
}

void TestNetworkFaults::catalogDownloadFaults_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("replaced"); // the catalog and description.json replaced

    const QByteArray catalogBody = "{\"sysall\":{\"select\":{\"1\":\"\xd0\xa1\xd0\xb5\xd1\x82\xd1\x8c\"}}}";
    QTest::newRow("closed in the middle of the body")
        << httpAnswer(200, catalogBody.left(12), {}, catalogBody.size()) << false;
    QTest::newRow("redirect") << httpAnswer(302, "Found", "Location: http://127.0.0.1:1/\r\n") << false;
    QTest::newRow("junk after a NUL") << httpAnswer(200, catalogBody + QByteArray("\0junk", 5)) << false;
    QTest::newRow("title that is not UTF-8")
        << httpAnswer(200, "{\"sysall\":{\"select\":{\"1\":\"\xd1\xf2\"}}}") << false;
    QTest::newRow("ten megabytes") << httpAnswer(
        200, "{\"pad\":\"" + QByteArray(kTenMegabytes, 'p') + "\",\"sysall\":{}}")
                                   << true;
}

void TestNetworkFaults::catalogDownloadFaults()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, replaced);
    Session s;
    setDescriptionsHost(s.module.address());
    s.module.respond = [answer](const QByteArray &) {
        return answer;
    };
    LoopWatch heartbeat;

    if (replaced)
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^QJsonObject\\(\\{\"pad\":\"ppp")));
    else
        QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
    s.probe->loaddescription();
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->descriptionReply(), kAnswerTimeoutMs);
    QVERIFY2(heartbeat.longestPauseMs() < kMaxStallMs, "the event loop kept running");
    QCOMPARE(s.module.targets.value(0), QByteArray("/api/app/init.json"));
    QCOMPARE(s.boxTexts(), replaced ? QStringList{text(uitexts::descriptionsUpdated)} : QStringList());
    const QByteArray body = answer.mid(answer.indexOf("\r\n\r\n") + 4);
    QCOMPARE(s.dir.readFile(kCatalogFileName), replaced ? body : QByteArray("{}"));
    QCOMPARE(s.probe->descriptions().contains("pad"), replaced);
}

void TestNetworkFaults::hangingWriteAndDownloadEndAtTheTimeout()
{
    // The simulated module takes the write and the descriptions server the download, and
    // neither ever answers: both end after the transfer timeout, in their failure paths,
    // and the window works meanwhile.
    Session s;
    QVERIFY(s.selectModule(2));
    QVERIFY(s.openPage(s.pageKeys().first()));
    const ModuleSimulator::Behaviour hang{ModuleSimulator::Fault::Hang, 0, 0};
    s.fx.sim.setBehaviour(ModuleSimulator::Endpoint::Write, hang);
    s.fx.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, hang);

    LoopWatch heartbeat;
    QElapsedTimer clock;
    clock.start();
    s.probe->saveopt();
    s.probe->loaddescription();
    QVERIFY(s.probe->saveReply() && s.probe->descriptionReply());
    QVERIFY(!s.probe->pushButton()->isEnabled());

    // Meanwhile another page of the same module comes as usual.
    const QString otherPage = s.pageKeys().at(1);
    QVERIFY(s.openPage(otherPage));
    QVERIFY(s.probe->tableWidget()->rowCount() > 0);
    QVERIFY(s.probe->saveReply() && s.probe->descriptionReply());

    QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply() && !s.probe->descriptionReply(),
                             kModuleTransferTimeoutMs + kAnswerTimeoutMs);
    QVERIFY(clock.elapsed() >= kModuleTransferTimeoutMs - 1000);
    QVERIFY2(heartbeat.longestPauseMs() < kMaxStallMs, "the event loop kept running");
    QVERIFY(s.probe->pushButton()->isEnabled());
    QCOMPARE(s.boxTexts(), QStringList{"Не удалось сохранить страницу"});
    QCOMPARE(s.probe->pageKey(), otherPage);
    QVERIFY(s.probe->descriptions().isEmpty());
    QCOMPARE(s.dir.readFile(kCatalogFileName), QByteArray("{}"));
}

QTEST_MAIN(TestNetworkFaults)
#include "tst_networkfaults.moc"
