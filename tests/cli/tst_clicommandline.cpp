// quillnet's command line: the global options after the command as well as before it, input
// refused before anything is sent, and output that could not be written.

#include "quillnetrun.h"

#include "core/modules/modulelistfile.h"
#include "support/testworkdir.h"

#include <QtTest>

class TestCliCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void globalOptionsAfterTheCommand_data();
    void globalOptionsAfterTheCommand();
    void refusedBeforeAnythingIsSent_data();
    void refusedBeforeAnythingIsSent();
    void failedOutput_data();
    void failedOutput();
};

void TestCliCommandLine::globalOptionsAfterTheCommand_data()
{
    QTest::addColumn<QStringList>("args"); // MODULE: the simulated module's address
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out"); // a line of standard output; empty: none at all
    // Neither file has the name quillnet reads by default, and standard output is no terminal,
    // so JSON would be the output without -o.
    QTest::newRow("modules --modules-file")
        << QStringList{"modules", "--modules-file", "fleet.ini", "-o", "jsonl"} << 0
        << QByteArray(R"({"address":"10.0.0.9","label":"Boiler"})");
    QTest::newRow("pages --catalog") << QStringList{"pages",      "MODULE", "--catalog",
                                                    "other.json", "-o",     "jsonl"}
                                     << 0 << QByteArray(R"({"key":"1","title":"Сеть"})");
    QTest::newRow("get -o") << QStringList{"get", "MODULE", "1/port", "-o", "table"} << 0
                            << QByteArray("1/port  port   80");
    QTest::newRow("backup -j, among the command's own options")
        << QStringList{"backup", "MODULE", "-j", "4", "-O", "-", "-q"} << 0
        << QByteArray(R"(  "format": "quillnet-backup",)");
    QTest::newRow("set -o table: a choice with its label, as get shows it")
        << QStringList{"set", "MODULE", "1/mode=STA", "--dry-run", "--catalog", "other.json", "-o", "table"}
        << 1 << QByteArray("MODULE  1/mode  2 (AP)  1 (STA)  would change");
    // Which of the two would count is no guess to leave to the reader of a script.
    QTest::newRow("-j before and after: refused, nothing done")
        << QStringList{"-j", "2", "backup", "MODULE", "-O", "-", "-j", "4"} << 2 << QByteArray();
    QTest::newRow("--catalog before and after, the same: refused")
        << QStringList{"--catalog", "other.json", "pages", "MODULE", "--catalog", "other.json"} << 2
        << QByteArray();
}

void TestCliCommandLine::globalOptionsAfterTheCommand()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    TestWorkDir dir;
    QVERIFY(writeModuleList(dir.filePath("fleet.ini"), {"10.0.0.9 Boiler"}));
    dir.writeFile("other.json", sampleCatalog());
    auto module = startModule(samplePages(), sampleOrder());
    args.replaceInStrings(QRegularExpression("^MODULE$"), moduleAddress(*module));
    out.replace("MODULE", moduleAddress(*module).toUtf8());
    const QuillnetRun run = runQuillnet(dir.path(), args);
    QCOMPARE(run.exitCode, exitCode);
    if (out.isEmpty())
        QVERIFY2(run.out.isEmpty() && !run.err.isEmpty(), run.err);
    else
        QVERIFY2(run.out.split('\n').contains(out), run.out);
}

void TestCliCommandLine::refusedBeforeAnythingIsSent_data()
{
    QTest::addColumn<QStringList>("args"); // MODULE: the simulated module's address
    QTest::addColumn<bool>("withCatalog"); // description.json in the working folder
    QTest::addColumn<QString>("message"); // part of standard error
    const QString noAddress = "is not a module address";
    QTest::newRow("a URL is no address")
        << QStringList{"get", "http://MODULE"} << true << "\"http://127.0.0.1:";
    QTest::newRow("a port beyond 65535")
        << QStringList{"pages", "127.0.0.1:99999"} << true << "the port must be a number from 1 to 65535";
    QTest::newRow("a port that is no number") << QStringList{"get", "127.0.0.1:abc"} << true << noAddress;
    QTest::newRow("the module forgotten before the path")
        << QStringList{"get", "1/port"} << true << noAddress;
    QTest::newRow("a number alone is no IPv4 address") << QStringList{"get", "1"} << true << noAddress;
    QTest::newRow("an IPv6 address without brackets") << QStringList{"get", "::1"} << true << noAddress;
    QTest::newRow("one bad target among good ones: none is set")
        << QStringList{"set", "MODULE", "MODULE/x", "1/port=81"} << true << "\"127.0.0.1:";
    QTest::newRow("a bad target in a backup")
        << QStringList{"backup", "MODULE", "MODULE:0"} << true << noAddress;
    QTest::newRow("diff: a bad second side, the first not read")
        << QStringList{"diff", "MODULE", "10.0.0.256"} << true << noAddress;
    QTest::newRow("restore to a bad address")
        << QStringList{"restore", "[::1", "b.json", "--yes"} << true << "lacks its \"]\"";
    QTest::newRow("set without a catalog")
        << QStringList{"set", "MODULE", "1/mode=STA"} << false << "no catalog description.json";
    QTest::newRow("a dry run without a catalog")
        << QStringList{"set", "MODULE", "1/mode=1", "--dry-run"} << false << "--no-catalog";
}

void TestCliCommandLine::refusedBeforeAnythingIsSent()
{
    QFETCH(QStringList, args);
    QFETCH(bool, withCatalog);
    QFETCH(QString, message);
    TestWorkDir dir;
    if (withCatalog)
        dir.writeFile("description.json", sampleCatalog());
    auto module = startModule(samplePages(), sampleOrder());
    args.replaceInStrings("MODULE", moduleAddress(*module));
    const QuillnetRun run = runQuillnet(dir.path(), args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message.toUtf8()), run.err);
    QCOMPARE(module->requests(), QStringList());
}

// Standard output or error on a full disk: never a success.
void TestCliCommandLine::failedOutput_data()
{
    QTest::addColumn<QStringList>("args"); // MODULE: the simulated module's address
    QTest::addColumn<bool>("outFull"); // else standard error is
    QTest::addColumn<int>("exitCode");
    QTest::newRow("get -o json") << QStringList{"-o", "json", "get", "MODULE", "1/port"} << true << 4;
    QTest::newRow("a table") << QStringList{"-o", "table", "pages", "MODULE"} << true << 4;
    QTest::newRow("backup -O -") << QStringList{"backup", "MODULE", "-O", "-"} << true << 4;
    QTest::newRow("--help") << QStringList{"--help"} << true << 4;
    QTest::newRow("diff with differences") << QStringList{"diff", "MODULE", "other.json"} << true << 4;
    QTest::newRow("a failure keeps its status") << QStringList{"get", "MODULE", "9/x"} << true << 2;
    QTest::newRow("the summary on standard error") << QStringList{"backup", "MODULE"} << false << 4;
}

void TestCliCommandLine::failedOutput()
{
    QFETCH(QStringList, args);
    QFETCH(bool, outFull);
    QFETCH(int, exitCode);
    TestWorkDir dir;
    dir.writeFile("other.json",
                  R"({"format":"quillnet-backup","formatVersion":1,"module":{"address":"x"},)"
                  R"("pageKeys":["1"],"pages":{"1":{"port":1}}})");
    auto module = startModule(samplePages(), sampleOrder());
    args.replaceInStrings(QRegularExpression("^MODULE$"), moduleAddress(*module));
    const QuillnetRun run = runQuillnet(dir.path(), args, {}, [outFull](QProcess *process) {
        if (outFull)
            process->setStandardOutputFile("/dev/full");
        else
            process->setStandardErrorFile("/dev/full");
    });
    QCOMPARE(run.exitCode, exitCode);
    if (outFull && exitCode == 4)
        QVERIFY2(run.err.contains("cannot write to standard output: No space left on device"), run.err);
}

QTEST_GUILESS_MAIN(TestCliCommandLine)
#include "tst_clicommandline.moc"
