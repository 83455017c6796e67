// A module that misbehaves on the wire: bodies cut short, redirects, bytes that are not
// UTF-8, NUL bytes, bodies of many megabytes, answers that never come, writes refused.
// Each must end in the documented outcome or message, with the window responsive and the
// page on screen kept.

#include "app/mainwindow.h"
#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "device/modulerequests.h"
#include "device/rowmodel.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testdescriptionshost.h"
#include "support/testworkdir.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr int kAnswerTimeoutMs = 20000;
// Longest pause of the event loop that still counts as responsive, with room for slow,
// sanitised builds parsing megabytes in one go.
constexpr qint64 kMaxStallMs = 3000;
constexpr int kTenMegabytes = 10 * 1024 * 1024;
// What holding and showing a body may cost at its peak, as a multiple of the body: the
// body passes through a few copies (socket, reply, JSON, text in UTF-16, the log line).
constexpr qint64 kMemoryPerBodyByte = 20;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasurable = false; // the sanitizer keeps freed memory aside
#else
constexpr bool kMemoryIsMeasurable = true;
#endif

const QByteArray kPageListTarget = "/jsonoptions?select=0";
const QByteArray kWritePrefix = "/jsonoptions?write=";

// A plain HTTP/1.1 answer. contentLength < 0 announces the real length of body.
QByteArray httpAnswer(int status, const QByteArray &body, const QByteArray &extraHeaders = {},
                      qint64 contentLength = -1)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Whatever\r\n"
           + "Content-Length: " + QByteArray::number(contentLength < 0 ? body.size() : contentLength)
           + "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray pageListBody(const QStringList &keys)
{
    return json({{QStringLiteral("select"), QJsonArray::fromStringList(keys)}});
}

// A module that answers with hand-made bytes: each connection's request head is read and
// its target recorded, then the answer chosen for that target is written as given, in
// chunks when asked to, and the connection is closed or left open.
class RawModule : public QObject
{
public:
    struct Answer
    {
        QByteArray bytes;
        bool close = true;  // false: keep the connection open after the bytes
        int chunkSize = 0;  // > 0: write at most this much at a time, as the peer takes it
    };
    using Responder = std::function<Answer(const QByteArray &target)>;

    RawModule()
    {
        if (!server.listen(QHostAddress::LocalHost))
            qFatal("Cannot listen on loopback");
        connect(&server, &QTcpServer::newConnection, this, &RawModule::accept);
    }

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }

    Responder respond = [](const QByteArray &) { return Answer{httpAnswer(404, "no answer set")}; };
    QList<QByteArray> targets;
    int bodiesSent = 0; // answers written out in full

private:
    void accept()
    {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            auto head = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
                if (head->contains("\r\n\r\n"))
                    return; // one request per connection
                head->append(socket->readAll());
                if (!head->contains("\r\n\r\n"))
                    return;
                const QByteArray target = head->left(head->indexOf("\r\n")).split(' ').value(1);
                targets.append(target);
                send(socket, respond(target));
            });
        }
    }

    void send(QTcpSocket *socket, const Answer &answer)
    {
        if (answer.chunkSize <= 0 || answer.bytes.size() <= answer.chunkSize) {
            socket->write(answer.bytes);
            finish(socket, answer.close);
            return;
        }
        auto offset = std::make_shared<int>(0);
        auto next = [this, socket, answer, offset] {
            if (socket->bytesToWrite() > 0 || *offset >= answer.bytes.size())
                return;
            socket->write(answer.bytes.mid(*offset, answer.chunkSize));
            *offset += answer.chunkSize;
            if (*offset >= answer.bytes.size())
                finish(socket, answer.close);
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, next);
        next();
    }

    void finish(QTcpSocket *socket, bool close)
    {
        ++bodiesSent;
        if (close)
            socket->disconnectFromHost();
    }

    QTcpServer server;
};

// Beats every few milliseconds while the event loop runs, and remembers the longest pause.
class Heartbeat
{
public:
    Heartbeat()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longestPause = qMax(longestPause, now - last);
            last = now;
            ++beats;
        });
        clock.start();
        timer.start(5);
    }
    qint64 pauseSoFar() const { return qMax(longestPause, clock.elapsed() - last); }

    int beats = 0;

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestPause = 0;
};

// Growth of the process's peak memory from the moment of construction, where the kernel
// lets the peak be reset; -1 where it does not.
class PeakMemory
{
public:
    PeakMemory()
    {
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        if (reset.open(QIODevice::WriteOnly) && reset.write("5") == 1) {
            reset.close();
            start = peakKilobytes();
        }
    }
    qint64 growthBytes() const { return start < 0 ? -1 : (peakKilobytes() - start) * 1024; }

private:
    static qint64 peakKilobytes()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
        return -1;
    }
    qint64 start = -1;
};

QString mainWindowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// A window whose module list holds the raw module (entry 1) and the simulator (entry 2),
// with an empty catalog on disk so that nothing is downloaded at start-up.
class Session
{
public:
    Session()
    {
        QSettings settings(dir.filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("global/modules"),
                          module.address() + QStringLiteral(" Raw/") + fx.address() + QStringLiteral(" Sim"));
        settings.sync();
        dir.writeFile(catalog::kCatalogFileName, "{}");
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
    }

    // Picks selector entry index and waits until its page list has been handled.
    bool selectModule(int index)
    {
        probe->comboBox()->setCurrentIndex(index);
        if (probe->comboBox()->isEnabled())
            return false;
        return QTest::qWaitFor([this] { return probe->comboBox()->isEnabled(); }, kAnswerTimeoutMs);
    }

    // Makes the page carrying key current and waits until its reply has been handled.
    bool openPage(const QString &key)
    {
        QListWidget *list = probe->listWidget();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::UserRole).toString() == key) {
                list->setCurrentRow(i);
                return probe->pageReply()
                    && QTest::qWaitFor([this] { return !probe->pageReply(); }, kAnswerTimeoutMs);
            }
        }
        return false;
    }

    // A page-list reply of the raw module listing pages; every page request gets page.
    void servePages(const QStringList &keys, const std::function<RawModule::Answer(const QByteArray &)> &page)
    {
        module.respond = [keys, page](const QByteArray &target) {
            if (target == kPageListTarget)
                return RawModule::Answer{httpAnswer(200, pageListBody(keys))};
            return page(target);
        };
    }

    QStringList pageKeys() const
    {
        QStringList keys;
        for (int i = 0; i < probe->listWidget()->count(); ++i)
            keys << probe->listWidget()->item(i)->data(Qt::UserRole).toString();
        return keys;
    }

    QStringList modalTexts() const
    {
        QStringList texts;
        for (const ModalRecord &record : modals.records)
            texts << record.text;
        return texts;
    }

    TestWorkDir dir;
    SimFixture fx;
    RawModule module;
    ModalWatcher modals;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

// The text of a line edit in the value column of row, or a null string.
QString lineEditText(QTableWidget *table, int row)
{
    auto *edit = qobject_cast<QLineEdit *>(table->cellWidget(row, 1));
    return edit ? edit->text() : QString();
}

// The document of a write request as the module decodes it.
QByteArray writtenDocument(const QByteArray &target)
{
    return QByteArray::fromPercentEncoding(target.mid(kWritePrefix.size()));
}

} // namespace

class TestNetworkFaults : public QObject
{
    Q_OBJECT

private slots:
    void pageListFaults_data();
    void pageListFaults();
    void pageFaults_data();
    void pageFaults();
    void redirectsAreNotFollowed();
    void tenMegabytePageList();
    void tenMegabytePage();
    void longTextValueSurvivesASave();
    void writeAnswerIsLoggedAsText_data();
    void writeAnswerIsLoggedAsText();
    void refusedWriteKeepsThePage_data();
    void refusedWriteKeepsThePage();
    void catalogDownloadFaults_data();
    void catalogDownloadFaults();
    void hangingWriteAndDownloadEndAtTheTimeout();
};

void TestNetworkFaults::pageListFaults_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("message");   // empty: no box
    QTest::addColumn<QStringList>("pages"); // page keys listed

    const QString connectFailed = mainWindowText(uitexts::connectFailed);
    const QString noApiOptions = mainWindowText(uitexts::noApiOptions);
    const QString unknown = mainWindowText(uitexts::unknownError);
    const QByteArray list = pageListBody({QStringLiteral("1")});

    QTest::newRow("closed before any answer") << QByteArray() << connectFailed << QStringList();
    QTest::newRow("closed in the middle of the body")
        << httpAnswer(200, list.left(10), {}, list.size()) << connectFailed << QStringList();
    QTest::newRow("closed in the middle of a chunked body")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                      "20\r\n{\"select\":[\"1\"]}")
        << connectFailed << QStringList();
    QTest::newRow("not HTTP at all") << QByteArray("{\"select\":[\"1\"]}\r\n\r\n") << connectFailed << QStringList();
    QTest::newRow("redirect with a body")
        << httpAnswer(301, "Moved", "Location: http://127.0.0.1:1/jsonoptions?select=0\r\n") << unknown
        << QStringList();
    QTest::newRow("redirect without a body")
        << httpAnswer(302, {}, "Location: http://127.0.0.1:1/jsonoptions?select=0\r\n") << unknown
        << QStringList();
    QTest::newRow("Error 404 and junk after a NUL")
        << httpAnswer(200, QByteArray("Error 404\0junk\xff", 15)) << noApiOptions << QStringList();
    QTest::newRow("Error 404 after a byte that is not UTF-8")
        << httpAnswer(200, "\xff" "Error 404") << unknown << QStringList();
    QTest::newRow("Error 404 spelt with a NUL inside")
        << httpAnswer(200, QByteArray("Error\0 404", 10)) << unknown << QStringList();
    QTest::newRow("leading NUL") << httpAnswer(200, QByteArray("\0Error 404", 10)) << unknown << QStringList();
    QTest::newRow("page list and junk after a NUL")
        << httpAnswer(200, list + QByteArray("\0junk", 5)) << unknown << QStringList();
    QTest::newRow("page key that is not UTF-8")
        << httpAnswer(200, "{\"select\":[\"1\",\"\xc3\x28\"]}") << unknown << QStringList();
    QTest::newRow("page keys with NUL escapes and non-ASCII text")
        << httpAnswer(200, "{\"select\":[\"a\\u0000b\",\"\xd0\xa1\xd0\xb5\xd1\x82\xd1\x8c\"]}") << QString()
        << QStringList{QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QStringLiteral("Сеть"),
                       QStringLiteral("promode")};
    QTest::newRow("HTTP error status with a page list")
        << httpAnswer(500, list) << connectFailed << QStringList();
}

void TestNetworkFaults::pageListFaults()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, message);
    QFETCH(QStringList, pages);
    Session s;
    s.module.respond = [answer](const QByteArray &) { return RawModule::Answer{answer}; };
    Heartbeat heartbeat;

    QVERIFY(s.selectModule(1));
    QVERIFY(!s.probe->pagesReply());
    QCOMPARE(s.modalTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(s.pageKeys(), pages);
    QVERIFY(s.probe->comboBox()->isEnabled());
    QVERIFY(!s.probe->pushButton()->isEnabled());
    QCOMPARE(s.probe->tableWidget()->rowCount(), 0);
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");
    // The network layer may retry a broken connection a few times, never endlessly.
    QVERIFY(!s.module.targets.isEmpty() && s.module.targets.size() <= 4);
    QCOMPARE(s.module.targets.first(), kPageListTarget);

    // The module can be used again at once.
    s.module.respond = [](const QByteArray &) {
        return RawModule::Answer{httpAnswer(200, pageListBody({QStringLiteral("7")}))};
    };
    s.modals.clear();
    s.probe->comboBox()->setCurrentIndex(0);
    QVERIFY(s.selectModule(1));
    QCOMPARE(s.pageKeys(), (QStringList{QStringLiteral("7"), QStringLiteral("promode")}));
    QCOMPARE(s.modals.count(), 0);
}

void TestNetworkFaults::pageFaults_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("message");    // empty: no box
    QTest::addColumn<bool>("tableKept");     // the previous page stays on screen
    QTest::addColumn<QString>("loggedBody"); // warning-level log of an unparsable body

    const QString loadFailed = mainWindowText(uitexts::pageLoadFailed);
    const QString emptyPage = mainWindowText(uitexts::emptyPage);
    const QString parserError = mainWindowText(uitexts::jsonParserError);
    const QByteArray page = json({{QStringLiteral("3"), QJsonObject{{QStringLiteral("name"), QStringLiteral("x")}}}});

    QTest::newRow("closed in the middle of the body")
        << httpAnswer(200, page.left(8), {}, page.size()) << loadFailed << true << QString();
    QTest::newRow("closed before any answer") << QByteArray() << loadFailed << true << QString();
    QTest::newRow("redirect with a body")
        << httpAnswer(302, "Found", "Location: http://127.0.0.1:1/jsonoptions?select=3\r\n") << parserError << false
        << QStringLiteral("Found");
    QTest::newRow("redirect without a body")
        << httpAnswer(301, {}, "Location: http://127.0.0.1:1/jsonoptions?select=3\r\n") << QString() << false
        << QString();
    QTest::newRow("empty-page text and junk after a NUL")
        << httpAnswer(200, QByteArray("{\"3\":}}\0junk", 12)) << emptyPage << false << QString();
    QTest::newRow("null page and junk after a NUL")
        << httpAnswer(200, QByteArray("{\"null\"}\0\xff\xfe", 11)) << emptyPage << false << QString();
    QTest::newRow("leading NUL") << httpAnswer(200, QByteArray("\0", 1) + page) << QString() << false << QString();
    QTest::newRow("page and junk after a NUL")
        << httpAnswer(200, page + QByteArray("\0junk", 5)) << parserError << false
        << QString::fromUtf8(page);
    QTest::newRow("value that is not UTF-8")
        << httpAnswer(200, "{\"3\":{\"name\":\"caf\xe9\"}}") << parserError << false
        << QStringLiteral("{\"3\":{\"name\":\"caf") + QChar(QChar::ReplacementCharacter) + QStringLiteral("\"}}");
}

void TestNetworkFaults::pageFaults()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, message);
    QFETCH(bool, tableKept);
    QFETCH(QString, loggedBody);
    Session s;
    const QByteArray goodPage = json({{QStringLiteral("1"), QJsonObject{{QStringLiteral("mode"), QStringLiteral("a")}}}});
    s.servePages({QStringLiteral("1"), QStringLiteral("3")}, [=](const QByteArray &target) {
        if (target.endsWith("select=1"))
            return RawModule::Answer{httpAnswer(200, goodPage)};
        return RawModule::Answer{answer};
    });
    QVERIFY(s.selectModule(1));
    QVERIFY(s.openPage(QStringLiteral("1")));
    QCOMPARE(lineEditText(s.probe->tableWidget(), 0), QStringLiteral("a"));
    const QJsonObject shownValues = s.probe->pageValues();
    Heartbeat heartbeat;

    if (!loggedBody.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, loggedBody.toUtf8().constData());
    QVERIFY(s.openPage(QStringLiteral("3")));
    QCOMPARE(s.modalTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(s.probe->pageKey(), QStringLiteral("3"));
    QVERIFY2(!s.probe->pushButton()->isEnabled(), "page 3 is not on screen: nothing to save");
    if (tableKept) {
        QCOMPARE(s.probe->tableWidget()->rowCount(), 1);
        QCOMPARE(s.probe->rowKeys(), QStringList{QStringLiteral("mode")});
        QCOMPARE(lineEditText(s.probe->tableWidget(), 0), QStringLiteral("a"));
        QCOMPARE(s.probe->pageValues(), shownValues);
    } else {
        QCOMPARE(s.probe->tableWidget()->rowCount(), 0);
        QVERIFY(s.probe->rowKeys().isEmpty() && s.probe->rowTypes().isEmpty());
    }
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");

    // The next page comes as usual.
    s.modals.clear();
    QVERIFY(s.openPage(QStringLiteral("1")));
    QCOMPARE(s.modals.count(), 0);
    QCOMPARE(lineEditText(s.probe->tableWidget(), 0), QStringLiteral("a"));
    QVERIFY(s.probe->pushButton()->isEnabled());
}

void TestNetworkFaults::redirectsAreNotFollowed()
{
    // A module redirecting elsewhere must not get its page list, page or settings document
    // delivered to another host: the redirect is the answer.
    Session s;
    RawModule elsewhere;
    elsewhere.respond = [](const QByteArray &) { return RawModule::Answer{httpAnswer(200, pageListBody({"9"}))}; };
    const QByteArray location = "Location: http://" + elsewhere.address().toLatin1() + "/jsonoptions?select=0\r\n";
    const QByteArray page = json({{QStringLiteral("3"), QJsonObject{{QStringLiteral("name"), QStringLiteral("x")}}}});
    s.module.respond = [&s, location, page](const QByteArray &target) {
        if (target == kPageListTarget && s.module.targets.size() == 1)
            return RawModule::Answer{httpAnswer(307, "Moved", location)};
        if (target == kPageListTarget)
            return RawModule::Answer{httpAnswer(200, pageListBody({"3"}))};
        if (target.startsWith(kWritePrefix))
            return RawModule::Answer{httpAnswer(308, "Moved", location)};
        return RawModule::Answer{httpAnswer(200, page)};
    };

    QVERIFY(s.selectModule(1));
    QCOMPARE(s.modalTexts(), QStringList{mainWindowText(uitexts::unknownError)});
    s.probe->comboBox()->setCurrentIndex(0);
    QVERIFY(s.selectModule(1));
    QVERIFY(s.openPage(QStringLiteral("3")));
    QVERIFY(s.probe->pushButton()->isEnabled());

    // The answer of a write is not interpreted: a redirect is logged like any answer.
    QTest::ignoreMessage(QtDebugMsg, "Moved");
    s.probe->saveopt();
    QVERIFY(!s.probe->pushButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply(), kAnswerTimeoutMs);
    QVERIFY(s.probe->pushButton()->isEnabled());
    QCOMPARE(s.modals.count(), 1);
    QVERIFY(elsewhere.targets.isEmpty());
}

void TestNetworkFaults::tenMegabytePageList()
{
    Session s;
    // Ten megabytes beside a short list, ten megabytes of junk, and a page key of ten
    // megabytes, each sent in pieces as the window takes them.
    auto answer = std::make_shared<QByteArray>(
        httpAnswer(200, "{\"pad\":\"" + QByteArray(kTenMegabytes, 'p') + "\",\"select\":[\"1\",\"2\"]}"));
    s.module.respond = [answer](const QByteArray &) { return RawModule::Answer{*answer, true, 64 * 1024}; };

    Heartbeat heartbeat;
    QVERIFY(s.selectModule(1));
    QCOMPARE(s.modals.count(), 0);
    QCOMPARE(s.pageKeys(), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("promode")}));
    QVERIFY2(heartbeat.beats > 5, "the timer fired during the transfer");
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");

    *answer = httpAnswer(200, QByteArray(kTenMegabytes, 'j'));
    s.probe->comboBox()->setCurrentIndex(0);
    QVERIFY(s.selectModule(1));
    QCOMPARE(s.modalTexts(), QStringList{mainWindowText(uitexts::unknownError)});
    QVERIFY(s.pageKeys().isEmpty());
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");

    // One page key of ten megabytes: listed whole, painted in part.
    const QString longKey(kTenMegabytes, QLatin1Char('k'));
    *answer = httpAnswer(200, pageListBody({longKey}));
    s.modals.clear();
    s.probe->comboBox()->setCurrentIndex(0);
    QVERIFY(s.selectModule(1));
    QCOMPARE(s.modals.count(), 0);
    QCOMPARE(s.pageKeys(), (QStringList{longKey, QStringLiteral("promode")}));
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    s.probe->listWidget()->viewport()->repaint();
    QCOMPARE(s.module.bodiesSent, 3);
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");
}

void TestNetworkFaults::tenMegabytePage()
{
    Session s;
    // A page whose one text option holds ten megabytes (a line edit would lay it all out:
    // it goes into a text cell, painted in part), and a page of ten megabytes of junk
    // (logged whole, as every unparsable page is).
    const QString longText(kTenMegabytes, QLatin1Char('t'));
    const QByteArray bigPage = json({{QStringLiteral("3"), QJsonObject{{QStringLiteral("log"), longText}}}});
    const QByteArray junk = "junk" + QByteArray(kTenMegabytes, 'j');
    const QJsonObject nested{{QStringLiteral("text"), longText}};
    const QByteArray nestedPage = json(
        {{QStringLiteral("5"), QJsonObject{{QStringLiteral("net"), QJsonObject{{QStringLiteral("obj"), nested}}}}}});
    s.servePages({QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")}, [=](const QByteArray &target) {
        const QByteArray &body = target.endsWith("=3") ? bigPage : target.endsWith("=4") ? junk : nestedPage;
        return RawModule::Answer{httpAnswer(200, body), true, 64 * 1024};
    });
    QVERIFY(s.selectModule(1));

    Heartbeat heartbeat;
    PeakMemory memory;
    // The page is logged as every page is; the test's log need not hold it.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^QJsonObject\\(\\{\"3\":\\{\"log\":\"ttt")));
    QVERIFY(s.openPage(QStringLiteral("3")));
    QCOMPARE(s.modals.count(), 0);
    QCOMPARE(s.probe->rowKeys(), QStringList{QStringLiteral("log")});
    QCOMPARE(s.probe->rowTypes(), QList<int>{TextCell});
    QTableWidgetItem *cell = s.probe->tableWidget()->item(0, 1);
    QVERIFY(cell);
    QVERIFY2(cell->text() == longText, "the cell holds the whole value");
    s.probe->tableWidget()->resize(800, 600);
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    s.probe->tableWidget()->viewport()->repaint();
    if (kMemoryIsMeasurable && memory.growthBytes() >= 0)
        QVERIFY2(memory.growthBytes() < kMemoryPerBodyByte * kTenMegabytes,
                 qPrintable(QStringLiteral("peak grew by %1 MB").arg(memory.growthBytes() >> 20)));
    QVERIFY(s.probe->pushButton()->isEnabled());
    QVERIFY2(heartbeat.beats > 5, "the timer fired during the transfer");
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^junkjjj")));
    QVERIFY(s.openPage(QStringLiteral("4")));
    QCOMPARE(s.modalTexts(), QStringList{mainWindowText(uitexts::jsonParserError)});
    QCOMPARE(s.probe->tableWidget()->rowCount(), 0);
    QVERIFY(s.probe->pageValues().isEmpty());
    QVERIFY(!s.probe->pushButton()->isEnabled());
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");

    // A nested object of ten megabytes: shown as far as a line edit holds, sent back as
    // received.
    s.modals.clear();
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^QJsonObject\\(\\{\"5\":")));
    QVERIFY(s.openPage(QStringLiteral("5")));
    QCOMPARE(s.modals.count(), 0);
    QCOMPARE(s.probe->rowTypes(), (QList<int>{GroupHeader, NestedField}));
    const QString shown = lineEditText(s.probe->tableWidget(), 1);
    QCOMPARE(shown, (QStringLiteral("text:") + longText).left(kLineEditTextLimit));
    s.probe->tableWidget()->viewport()->repaint();
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");
    QCOMPARE(s.probe->pageValues().value(QStringLiteral("5")).toObject().value(QStringLiteral("net")).toObject()
                 .value(QStringLiteral("obj")).toObject(),
             nested);
}

void TestNetworkFaults::longTextValueSurvivesASave()
{
    // Text options longer than a line edit holds by default, at the top level and in a
    // group, are shown in text cells and reach the module whole when the page is saved.
    Session s;
    const QString longText = QString(40000, QLatin1Char('a')) + QStringLiteral("end");
    const QString longNote = QString(33000, QLatin1Char('n')) + QStringLiteral("\nend");
    const QJsonObject options{{QStringLiteral("script"), longText},
                              {QStringLiteral("name"), QStringLiteral("x")},
                              {QStringLiteral("net"), QJsonObject{{QStringLiteral("note"), longNote}}}};
    const QByteArray page = json({{QStringLiteral("3"), options}});
    s.servePages({QStringLiteral("3")}, [=](const QByteArray &target) {
        if (target.startsWith(kWritePrefix))
            return RawModule::Answer{httpAnswer(200, "OK")};
        return RawModule::Answer{httpAnswer(200, page)};
    });
    QVERIFY(s.selectModule(1));
    QVERIFY(s.openPage(QStringLiteral("3")));
    const QStringList keys = s.probe->rowKeys();
    QCOMPARE(keys, (QStringList{QStringLiteral("name"), QStringLiteral("net"), QStringLiteral("net:note"),
                                QStringLiteral("script")}));
    QCOMPARE(s.probe->rowTypes(), (QList<int>{TextField, GroupHeader, TextCell, TextCell}));
    QCOMPARE(s.probe->tableWidget()->item(2, 1)->text(), longNote);
    QCOMPARE(s.probe->tableWidget()->item(3, 1)->text(), longText);

    s.probe->saveopt();
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply(), kAnswerTimeoutMs);
    QVERIFY(s.module.targets.last().startsWith(kWritePrefix));
    const QJsonObject written = QJsonDocument::fromJson(writtenDocument(s.module.targets.last())).object();
    QCOMPARE(written, (QJsonObject{{QStringLiteral("3"), options}}));
}

void TestNetworkFaults::writeAnswerIsLoggedAsText_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("logged");
    QTest::newRow("junk after a NUL") << QByteArray("OK\0junk\xff", 8) << QStringLiteral("OK");
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("\xff\xfeok") << QString(2, QChar(QChar::ReplacementCharacter)) + QStringLiteral("ok");
    QTest::newRow("Cyrillic") << QByteArray("\xd0\x93\xd0\xbe\xd1\x82\xd0\xbe\xd0\xb2\xd0\xbe") << QStringLiteral("Готово");
}

void TestNetworkFaults::writeAnswerIsLoggedAsText()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, logged);
    Session s;
    const QByteArray page = json({{QStringLiteral("3"), QJsonObject{{QStringLiteral("name"), QStringLiteral("x")}}}});
    s.servePages({QStringLiteral("3")}, [=](const QByteArray &target) {
        return RawModule::Answer{httpAnswer(200, target.startsWith(kWritePrefix) ? body : page)};
    });
    QVERIFY(s.selectModule(1));
    QVERIFY(s.openPage(QStringLiteral("3")));

    QTest::ignoreMessage(QtDebugMsg, logged.toUtf8().constData());
    s.probe->saveopt();
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply(), kAnswerTimeoutMs);
    QVERIFY(s.probe->pushButton()->isEnabled());
    QCOMPARE(s.modals.count(), 0);
}

void TestNetworkFaults::refusedWriteKeepsThePage_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("HTTP 500 with a body") << httpAnswer(500, "Internal error");
    QTest::newRow("HTTP 403") << httpAnswer(403, {});
    QTest::newRow("closed in the middle of the body") << httpAnswer(200, "O", {}, 100);
    QTest::newRow("closed before any answer") << QByteArray();
}

void TestNetworkFaults::refusedWriteKeepsThePage()
{
    QFETCH(QByteArray, answer);
    Session s;
    const QJsonObject options{{QStringLiteral("name"), QStringLiteral("x")}, {QStringLiteral("n"), 5}};
    const QByteArray page = json({{QStringLiteral("3"), options}});
    s.servePages({QStringLiteral("3")}, [=](const QByteArray &target) {
        return RawModule::Answer{target.startsWith(kWritePrefix) ? answer : httpAnswer(200, page)};
    });
    QVERIFY(s.selectModule(1));
    QVERIFY(s.openPage(QStringLiteral("3")));
    QTableWidget *table = s.probe->tableWidget();
    auto *name = qobject_cast<QLineEdit *>(table->cellWidget(s.probe->rowKeys().indexOf(QStringLiteral("name")), 1));
    QVERIFY(name);
    name->setText(QStringLiteral("edited"));

    Heartbeat heartbeat;
    s.probe->saveopt();
    QVERIFY(!s.probe->pushButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply(), kAnswerTimeoutMs);
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");

    // Nothing shown; the edit stays on screen and in the page's values, ready to be sent again.
    QCOMPARE(s.modals.count(), 0);
    QVERIFY(s.probe->pushButton()->isEnabled());
    QCOMPARE(name->text(), QStringLiteral("edited"));
    QJsonObject edited = options;
    edited.insert(QStringLiteral("name"), QStringLiteral("edited"));
    QCOMPARE(s.probe->pageValues(), (QJsonObject{{QStringLiteral("3"), edited}}));

    const int sent = s.module.targets.size();
    s.module.respond = [](const QByteArray &) { return RawModule::Answer{httpAnswer(200, "OK")}; };
    QTest::ignoreMessage(QtDebugMsg, "OK");
    s.probe->saveopt();
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply(), kAnswerTimeoutMs);
    QCOMPARE(s.module.targets.size(), sent + 1);
    QCOMPARE(QJsonDocument::fromJson(writtenDocument(s.module.targets.last())).object(),
             (QJsonObject{{QStringLiteral("3"), edited}}));
}

void TestNetworkFaults::catalogDownloadFaults_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("replaced"); // the catalog and description.json replaced

    const QByteArray catalogBody = "{\"sysall\":{\"select\":{\"1\":\"\xd0\xa1\xd0\xb5\xd1\x82\xd1\x8c\"}}}";
    QTest::newRow("closed in the middle of the body")
        << httpAnswer(200, catalogBody.left(12), {}, catalogBody.size()) << false;
    QTest::newRow("closed before any answer") << QByteArray() << false;
    QTest::newRow("redirect")
        << httpAnswer(302, "Found", "Location: http://127.0.0.1:1/api/app/init.json\r\n") << false;
    QTest::newRow("junk after a NUL") << httpAnswer(200, catalogBody + QByteArray("\0junk", 5)) << false;
    QTest::newRow("title that is not UTF-8")
        << httpAnswer(200, "{\"sysall\":{\"select\":{\"1\":\"\xd1\xf2\"}}}") << false;
    QTest::newRow("ten megabytes")
        << httpAnswer(200, "{\"pad\":\"" + QByteArray(kTenMegabytes, 'p') + "\",\"sysall\":{}}") << true;
}

void TestNetworkFaults::catalogDownloadFaults()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, replaced);
    Session s;
    setTestDescriptionsHost(s.module.address());
    s.module.respond = [answer](const QByteArray &) { return RawModule::Answer{answer, true, 64 * 1024}; };
    Heartbeat heartbeat;

    if (!replaced)
        QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
    else
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^QJsonObject\\(\\{\"pad\":\"ppp")));
    s.probe->loaddescription();
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->descriptionReply(), kAnswerTimeoutMs);
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");
    QCOMPARE(s.module.targets.first(), QByteArray("/api/app/init.json"));
    if (replaced) {
        QCOMPARE(s.modalTexts(), QStringList{mainWindowText(uitexts::descriptionsUpdated)});
        QCOMPARE(s.dir.readFile(catalog::kCatalogFileName), answer.mid(answer.indexOf("\r\n\r\n") + 4));
        QVERIFY(s.probe->descriptions().contains(QStringLiteral("pad")));
    } else {
        QCOMPARE(s.modals.count(), 0);
        QCOMPARE(s.dir.readFile(catalog::kCatalogFileName), QByteArray("{}"));
        QVERIFY(s.probe->descriptions().isEmpty());
    }
}

void TestNetworkFaults::hangingWriteAndDownloadEndAtTheTimeout()
{
    // The simulated module takes the write and the descriptions server the download, and
    // neither ever answers: both end after the transfer timeout, in their failure paths,
    // and the window works meanwhile.
    Session s;
    QVERIFY(s.selectModule(2));
    QVERIFY(s.openPage(s.pageKeys().first()));
    QVERIFY(s.probe->pushButton()->isEnabled());
    ModuleSimulator::Behaviour hang;
    hang.fault = ModuleSimulator::Fault::Hang;
    s.fx.sim.setBehaviour(ModuleSimulator::Endpoint::Write, hang);
    s.fx.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, hang);

    Heartbeat heartbeat;
    QElapsedTimer clock;
    clock.start();
    s.probe->saveopt();
    s.probe->loaddescription();
    QVERIFY(s.probe->saveReply() && s.probe->descriptionReply());
    QVERIFY(!s.probe->pushButton()->isEnabled());

    // Meanwhile another page of the same module comes as usual.
    const QString otherPage = s.pageKeys().at(1);
    QVERIFY(s.openPage(otherPage));
    QCOMPARE(s.modals.count(), 0);
    QVERIFY(s.probe->tableWidget()->rowCount() > 0);
    QVERIFY(s.probe->saveReply() && s.probe->descriptionReply());

    QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
    QTRY_VERIFY_WITH_TIMEOUT(!s.probe->saveReply() && !s.probe->descriptionReply(),
                             kModuleTransferTimeoutMs + kAnswerTimeoutMs);
    QVERIFY(clock.elapsed() >= kModuleTransferTimeoutMs - 1000);
    QVERIFY2(heartbeat.pauseSoFar() < kMaxStallMs, "the event loop kept running");
    QVERIFY(s.probe->pushButton()->isEnabled());
    QCOMPARE(s.modals.count(), 0);
    QCOMPARE(s.probe->pageKey(), otherPage);
    QVERIFY(s.probe->pageValues().value(otherPage).isObject());
    QVERIFY(s.probe->descriptions().isEmpty());
    QCOMPARE(s.dir.readFile(catalog::kCatalogFileName), QByteArray("{}"));
}

QTEST_MAIN(TestNetworkFaults)
#include "tst_networkfaults.moc"
