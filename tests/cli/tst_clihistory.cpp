// quillnet backup --git and history: one commit per run that changed something, a failed
// module's file kept, a module's versions, and restoring or comparing one of them.

#include "quillnetrun.h"

#include "support/testworkdir.h"
#include "support/waituntil.h"

#include <QDir>
#include <QJsonArray>
#include <QtTest>

#include <csignal>

namespace {

QString git(const QString &repo, const QStringList &args)
{
    QProcess process;
    process.start("git", QStringList{"-C", repo} + args);
    if (!process.waitForFinished() || process.exitCode() != 0)
        return "(git failed: " + QString::fromUtf8(process.readAllStandardError()) + ")";
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// None, also when there is no repository or no commit yet.
int commits(const QString &repo)
{
    return git(repo, {"rev-list", "--count", "HEAD"}).toInt();
}

QString fileNameFor(const QString &address)
{
    return QString(address).replace(':', '_') + ".json";
}

QJsonObject withPort(int port)
{
    QJsonObject pages = samplePages();
    QJsonObject page1 = pages.value("1").toObject();
    page1.insert("port", port);
    pages.insert("1", page1);
    return pages;
}

} // namespace

class TestCliHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void runs();
    void repositoryChoice_data();
    void repositoryChoice();
    void killedRun();
};

// No git configuration at all: the commits carry quillnet's own author.
void TestCliHistory::initTestCase()
{
    qputenv("GIT_CONFIG_GLOBAL", "/dev/null");
    qputenv("GIT_CONFIG_NOSYSTEM", "1");
    qunsetenv("EMAIL");
}

void TestCliHistory::runs()
{
    TestWorkDir dir;
    auto a = startModule(samplePages(), sampleOrder());
    auto b = startModule(samplePages(), sampleOrder());
    const QString dead = deadAddress();
    const QString repo = dir.filePath("history");
    const QStringList backup{"--retries",       "0",  "backup", moduleAddress(*a),
                             moduleAddress(*b), dead, "--git",  "history"};
    const QString fileA = "history/" + fileNameFor(moduleAddress(*a));
    const QString fileB = "history/" + fileNameFor(moduleAddress(*b));

    // The first run commits every module that answered and names the one that did not.
    QCOMPARE(runQuillnet(dir.path(), backup).exitCode, 3);
    QCOMPARE(commits(repo), 1);
    const QString first = git(repo, {"log", "-1", "--format=%an%n%B"});
    QVERIFY2(first.startsWith("quillnet\n2 of 3 modules changed\n"), qPrintable(first));
    QVERIFY2(first.contains(moduleAddress(*a) + ": added") && first.contains(dead + ": "), qPrintable(first));
    QVERIFY(!jsonObject(dir.readFile(fileA)).contains("createdAt"));
    QVERIFY(!dir.exists("history/" + fileNameFor(dead)));

    // Unchanged: the same bytes, no commit.
    const QByteArray before = dir.readFile(fileB);
    QCOMPARE(runQuillnet(dir.path(), backup).exitCode, 3);
    QCOMPARE(commits(repo), 1);

    // One option changed: one commit that names the module and the page.
    a->setPages(withPort(81), sampleOrder());
    QCOMPARE(runQuillnet(dir.path(), backup).exitCode, 3);
    QCOMPARE(commits(repo), 2);
    const QString second = git(repo, {"log", "-1", "--format=%B"});
    QVERIFY2(second.startsWith("1 of 3 modules changed\n\n" + moduleAddress(*a) + ": page 1\n"),
             qPrintable(second));

    // A module with a page it cannot read keeps its last file.
    b->setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::HttpStatus}, "3");
    QCOMPARE(runQuillnet(dir.path(), backup).exitCode, 3);
    QCOMPARE(dir.readFile(fileB), before);
    QCOMPARE(commits(repo), 2);

    // Its versions, newest first, with the option's old and new value.
    const QuillnetRun history
        = runQuillnet(dir.path(), {"-o", "json", "history", moduleAddress(*a), "--git", "history"});
    QCOMPARE(history.exitCode, 0);
    const QJsonArray versions = history.json().toArray();
    QCOMPARE(versions.size(), 2);
    QCOMPARE(versions.at(0)["status"].toString(), QString("changed"));
    QCOMPARE(versions.at(0)["changes"].toArray(),
             QJsonArray({QJsonObject{{"path", "1/port"}, {"from", 80}, {"to", 81}}}));
    QCOMPARE(versions.at(1)["status"].toString(), QString("added"));
    QCOMPARE(versions.at(1)["commit"].toString(), git(repo, {"rev-parse", "HEAD~1"}));

    // The older version compared and restored, read from git.
    const QuillnetRun diff
        = runQuillnet(dir.path(), {"-o", "jsonl", "diff", moduleAddress(*a), "history@HEAD~1"});
    QCOMPARE(diff.exitCode, 1);
    QCOMPARE(diff.lines(), QList<QJsonObject>({{{"path", "1/port"}, {"a", 81}, {"b", 80}}}));
    QCOMPARE(
        runQuillnet(dir.path(), {"restore", moduleAddress(*a), "history@HEAD~1", "--yes", "--no-catalog"})
            .exitCode,
        0);
    QCOMPARE(a->pages(), samplePages());
    QCOMPARE(git(repo, {"status", "--porcelain"}), QString());
}

void TestCliHistory::repositoryChoice_data()
{
    QTest::addColumn<QString>("setup"); // what the folder holds before the run
    QTest::addColumn<int>("exitCode");
    QTest::newRow("empty: made") << "empty" << 0;
    QTest::newRow("a folder with a file of its own") << "file" << 2;
    QTest::newRow("another git repository") << "repository" << 2;
}

void TestCliHistory::repositoryChoice()
{
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    TestWorkDir dir;
    auto module = startModule(samplePages(), sampleOrder());
    QVERIFY(QDir(dir.path()).mkdir("history"));
    if (setup == "file")
        dir.writeFile("history/notes.txt", "mine");
    if (setup == "repository")
        QVERIFY(git(dir.path(), {"init", "-q", "history"}).isEmpty());
    QCOMPARE(runQuillnet(dir.path(), {"backup", moduleAddress(*module), "--git", "history"}).exitCode,
             exitCode);
    QCOMPARE(commits(dir.filePath("history")), exitCode == 0 ? 1 : 0);
}

// Killed with one module's new file written and another's page awaited, and a lock left as by
// a git killed with it: the next run commits both and leaves a sound repository.
void TestCliHistory::killedRun()
{
    TestWorkDir dir;
    auto quick = startModule(samplePages(), sampleOrder());
    auto slow = startModule(samplePages(), sampleOrder());
    const QString repo = dir.filePath("history");
    const QStringList backup{"backup", moduleAddress(*quick), moduleAddress(*slow), "--git", "history"};
    QCOMPARE(runQuillnet(dir.path(), backup).exitCode, 0);
    quick->setPages(withPort(81), sampleOrder());
    slow->setPages(withPort(82), sampleOrder());
    slow->setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::Hang}, "3");

    std::unique_ptr<QProcess> process = startQuillnet(dir.path(), backup);
    QVERIFY(process->waitForStarted());
    WAIT_VERIFY(dir.readFile("history/" + fileNameFor(moduleAddress(*quick))).contains("81"));
    ::kill(pid_t(process->processId()), SIGKILL);
    QVERIFY(process->waitForFinished());
    dir.writeFile("history/.git/index.lock", "");
    slow->clearBehaviours();

    const QuillnetRun next = runQuillnet(dir.path(), backup);
    QCOMPARE(next.exitCode, 0);
    QCOMPARE(commits(repo), 2);
    QVERIFY(git(repo, {"log", "-1", "--format=%s"}).startsWith("2 of 2 modules changed"));
    QVERIFY(!git(repo, {"fsck", "--no-progress"}).startsWith("("));
    QCOMPARE(git(repo, {"status", "--porcelain"}), QString());
}

QTEST_GUILESS_MAIN(TestCliHistory)
#include "tst_clihistory.moc"
