// quillnet's command line: the global options after the command as well as before it.

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
    const QuillnetRun run = runQuillnet(dir.path(), args);
    QCOMPARE(run.exitCode, exitCode);
    if (out.isEmpty())
        QVERIFY2(run.out.isEmpty() && !run.err.isEmpty(), run.err);
    else
        QVERIFY2(run.out.split('\n').contains(out), run.out);
}

QTEST_GUILESS_MAIN(TestCliCommandLine)
#include "tst_clicommandline.moc"
