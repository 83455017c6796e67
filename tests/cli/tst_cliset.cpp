// quillnet set: values keep their type, nothing else on the module changes, every change is
// read back, and a write is sent once whatever the connection does.

#include "quillnetrun.h"

#include "support/testworkdir.h"
#include "support/timeouts.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// The sample pages with some values replaced: {"1/port": 8080, ...}, paths unescaped.
QJsonObject pagesWith(const QJsonObject &changes)
{
    QJsonObject pages = samplePages();
    for (auto change = changes.constBegin(); change != changes.constEnd(); ++change) {
        const QStringList parts = change.key().split('|');
        QJsonObject page = pages.value(parts.at(0)).toObject();
        if (parts.size() == 2) {
            page.insert(parts.at(1), change.value());
        } else {
            QJsonObject group = page.value(parts.at(1)).toObject();
            group.insert(parts.at(2), change.value());
            page.insert(parts.at(1), group);
        }
        pages.insert(parts.at(0), page);
    }
    return pages;
}

// A module that lists page "1", answers it, and closes the connection on a write without a
// word: the write may or may not have been taken, and must not be sent again.
class SilentWriteModule : public QObject
{
public:
    SilentWriteModule()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }

    int writes = 0;

private:
    void answer(QTcpSocket *socket)
    {
        QByteArray &head = heads[socket];
        head += socket->readAll();
        if (!head.contains("\r\n\r\n"))
            return;
        const QByteArray target = head.split(' ').value(1);
        head.clear();
        if (target.contains("write=")) {
            ++writes;
            socket->abort();
            return;
        }
        const QByteArray body = target.endsWith("select=0") ? R"({"select":["1"]})" : R"({"1":{"port":80}})";
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"
                      + body);
    }

    QTcpServer server;
    QHash<QTcpSocket *, QByteArray> heads;
};

} // namespace

class TestCliSet : public QObject
{
    Q_OBJECT

private slots:
    void set_data();
    void set();
    void fleetWithDeadModule();
    void writeIsNeverRepeated();
    void whatBecameOfEachChange_data();
    void whatBecameOfEachChange();
    void concurrentSetsTakeTurns();
};

void TestCliSet::set_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QStringList>("options"); // before the assignments
    QTest::addColumn<int>("writeAnswer"); // ModuleSimulator::Fault
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QJsonObject>("changed"); // "page|option[|member]" -> value on the module after
    QTest::addColumn<QStringList>("written"); // pages written, in order
    using F = ModuleSimulator::Fault;
    const QString odd = "a~1b:c#d%e f Я~0"; // oddKey() escaped
    const int ok = int(F::None);

    QTest::newRow("a number stays a number, a string a string, a choice by label keeps its type")
        << QStringList{"1/port=8080", "1/name=8081", "1/mode=STA", "1/speed=Auto", "3/net/ch=11"}
        << QStringList() << ok << 0
        << QJsonObject{{"1|port", 8080}, {"1|name", "8081"}, {"1|mode", "1"}, {"3|net|ch", 11}}
        << QStringList{"1", "3"};
    QTest::newRow("keys with / : # % blanks Cyrillic and ~ reach the module intact")
        << QStringList{odd + "/" + odd + "=ч/т:о#%20 ~"} << QStringList() << ok << 0
        << QJsonObject{{oddKey() + "|" + oddKey(), "ч/т:о#%20 ~"}} << QStringList{oddKey()};
    QTest::newRow("a choice by its value, a flag, a value with =")
        << QStringList{"1/mode=1", "1/en=false", "3/net/ip=a=b"} << QStringList() << ok << 0
        << QJsonObject{{"1|mode", "1"}, {"1|en", 0}, {"3|net|ip", "a=b"}} << QStringList{"1", "3"};
    QTest::newRow("the value it has: nothing written")
        << QStringList{"1/port=80", "1/mode=AP"} << QStringList() << ok << 0 << QJsonObject()
        << QStringList();
    QTest::newRow("dry run") << QStringList{"1/port=81"} << QStringList{"--dry-run"} << ok << 1
                             << QJsonObject() << QStringList();
    QTest::newRow("unconvertible values: nothing written")
        << QStringList{"1/port=8080", "3/net/ch=eleven"} << QStringList() << ok << 2 << QJsonObject()
        << QStringList();
    QTest::newRow("not a choice") << QStringList{"1/mode=Mesh"} << QStringList() << ok << 2 << QJsonObject()
                                  << QStringList();
    QTest::newRow("a flag takes 0 or 1")
        << QStringList{"1/en=2"} << QStringList() << ok << 2 << QJsonObject() << QStringList();
    QTest::newRow("an option the module lacks")
        << QStringList{"1/port=1", "1/nope=1"} << QStringList() << ok << 2 << QJsonObject() << QStringList();
    QTest::newRow("a page the module lacks")
        << QStringList{"1/port=1", "9/port=1"} << QStringList() << ok << 2 << QJsonObject() << QStringList();
    QTest::newRow("a page path is no option")
        << QStringList{"1=5"} << QStringList() << ok << 2 << QJsonObject() << QStringList();
    // The module answers the write and keeps nothing: the read-back tells.
    QTest::newRow("read back differs") << QStringList{"1/port=8080", "3/period=5"} << QStringList()
                                       << int(F::PlainError404) << 5 << QJsonObject() << QStringList{"1"};
    QTest::newRow("the module refuses the write: not confirmed, as in a restore")
        << QStringList{"1/port=8080"} << QStringList() << int(F::HttpStatus) << 5 << QJsonObject()
        << QStringList{"1"};
}

void TestCliSet::set()
{
    QFETCH(QStringList, assignments);
    QFETCH(QStringList, options);
    QFETCH(int, writeAnswer);
    QFETCH(int, exitCode);
    QFETCH(QJsonObject, changed);
    QFETCH(QStringList, written);
    TestWorkDir dir;
    dir.writeFile("description.json", sampleCatalog());
    auto module = startModule(samplePages(), sampleOrder());
    module->setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault(writeAnswer)});

    const QuillnetRun run = runQuillnet(
        dir.path(), QStringList{"-o", "jsonl", "set", moduleAddress(*module)} + assignments + options);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(writtenPages(*module), written);
    // Every page written whole: the options not named are sent as the module had them.
    for (const QByteArray &document : module->writes()) {
        const QString key = jsonObject(document).keys().value(0);
        QCOMPARE(jsonObject(document).value(key).toObject().keys(),
                 samplePages().value(key).toObject().keys());
    }
    QCOMPARE(module->pages(),
             writeAnswer == int(ModuleSimulator::Fault::None) ? pagesWith(changed) : samplePages());
    if (exitCode == 2)
        QVERIFY2(run.err.contains("the option") || run.err.contains("no option")
                     || run.err.contains("names a page") || run.err.contains("no page \"9\""),
                 run.err);
    // The pages named are read alone; the page list only tells a page the module lacks.
    QCOMPARE(module->requests().contains("/jsonoptions?select=0"), run.err.contains("no page"));
}

// One module down never stops the others: each is set, and the run ends with status 3.
void TestCliSet::fleetWithDeadModule()
{
    TestWorkDir dir;
    auto first = startModule(samplePages(), sampleOrder());
    auto second = startModule(samplePages(), sampleOrder());
    const QString dead = deadAddress();
    dir.writeFile("targets", (moduleAddress(*first) + "\n# a comment\n\n" + dead + "\n").toUtf8());
    const QuillnetRun run = runQuillnet(dir.path(),
                                        {"-o", "jsonl", "--timeout", "0.5", "set", moduleAddress(*second),
                                         "--targets-file", "targets", "1/port=81", "--no-catalog"});
    QCOMPARE(run.exitCode, 3);
    QStringList order, statuses;
    for (const QJsonObject &line : run.lines()) {
        order.append(line.value("module").toString());
        statuses.append(line.value("status").toString());
    }
    QCOMPARE(order, (QStringList{moduleAddress(*second), moduleAddress(*first), dead}));
    QCOMPARE(statuses, (QStringList{"written", "written", "failed"}));
    QCOMPARE(first->pages(), pagesWith({{"1|port", 81}}));
    QCOMPARE(second->pages(), pagesWith({{"1|port", 81}}));
    QVERIFY2(run.err.contains("1 failed"), run.err);
}

// Qt's HTTP layer sends a GET again when the connection closes before the answer; a write
// must reach the module once and be reported as not confirmed, never as done.
void TestCliSet::writeIsNeverRepeated()
{
    TestWorkDir dir;
    SilentWriteModule module;
    const QuillnetRun run
        = runQuillnet(dir.path(), {"-o", "jsonl", "set", module.address(), "1/port=8080", "--no-catalog"});
    QCOMPARE(run.exitCode, 5);
    QCOMPARE(module.writes, 1);
    QCOMPARE(run.lines().value(0).value("status").toString(), QString("not confirmed"));
    QVERIFY2(run.err.contains("not sent again"), run.err);
}

// Every place of a page read back counts, and each change tells what became of it.
void TestCliSet::whatBecameOfEachChange_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<int>("pageAnswer"); // of page 1: ModuleSimulator::Fault
    QTest::addColumn<bool>("refuseAfterFirst"); // the module refuses every write after the first
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("results"); // of each change
    QTest::addColumn<QString>("named"); // in the error
    QTest::newRow("a place not asked for changed between the read and the write")
        << QStringList{"1/port=8080"} << int(ModuleSimulator::Fault::ChangeBetween) << false
        << "not confirmed" << QStringList{"not confirmed"} << "1/between-1 (read back 1, written (missing))";
    QTest::newRow("page 1 written, page 3 refused")
        << QStringList{"1/port=8080", "3/period=5"} << int(ModuleSimulator::Fault::None) << true
        << "partly written" << QStringList{"written", "not confirmed"} << "pages written before: 1";
}

void TestCliSet::whatBecameOfEachChange()
{
    QFETCH(QStringList, assignments);
    QFETCH(int, pageAnswer);
    QFETCH(bool, refuseAfterFirst);
    QFETCH(QString, status);
    QFETCH(QStringList, results);
    QFETCH(QString, named);
    TestWorkDir dir;
    auto module = startModule(samplePages(), sampleOrder());
    module->setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault(pageAnswer)}, "1");
    ModuleSimulator *sim = module.get();
    module->setWriteListener([sim, refuseAfterFirst](const QByteArray &, bool) {
        if (refuseAfterFirst)
            sim->setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::HttpStatus});
    });
    const QuillnetRun run = runQuillnet(
        dir.path(), QStringList{"-o", "jsonl", "set", moduleAddress(*module), "--no-catalog"} + assignments);
    QCOMPARE(run.exitCode, 5);
    const QJsonObject line = run.lines().value(0);
    QCOMPARE(line.value("status").toString(), status);
    QStringList changeResults;
    for (const QJsonValue change : line.value("changes").toArray())
        changeResults.append(change.toObject().value("result").toString());
    QCOMPARE(changeResults, results);
    QVERIFY2(run.err.contains(named.toUtf8()), run.err);
}

// Two sets of one page at once, each changing an option of its own, on a slow module: they take
// turns, and each reads the page after the other has written it.
void TestCliSet::concurrentSetsTakeTurns()
{
    TestWorkDir dir;
    auto module = startModule(samplePages(), sampleOrder());
    module->setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 500, 300});
    auto first = startQuillnet(dir.path(), {"set", moduleAddress(*module), "1/port=8080", "--no-catalog"});
    auto second = startQuillnet(dir.path(), {"set", moduleAddress(*module), "1/name=second", "--no-catalog"});
    QVERIFY(first->waitForFinished(kWaitMs) && second->waitForFinished(kWaitMs));
    QCOMPARE(first->exitCode(), 0);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(module->pages(), pagesWith({{"1|port", 8080}, {"1|name", "second"}}));
}

QTEST_GUILESS_MAIN(TestCliSet)
#include "tst_cliset.moc"
