// quillnet restore: a plan first, an undo file before the first write, pages written in the
// module's order and each read back, stopping at the first the module does not confirm.

#include "quillnetrun.h"

#include "core/modules/modulelistfile.h"
#include "support/exactpages.h"
#include "support/testworkdir.h"
#include "support/timeouts.h"

#include <QDir>
#include <QtTest>

#include <atomic>
#include <csignal>

class TestCliRestore : public QObject
{
    Q_OBJECT

private slots:
    void restore_data();
    void restore();
    void exactNumbers_data() { addExactPageRows(); }
    void exactNumbers();
    void interrupted_data();
    void interrupted();
};

void TestCliRestore::restore_data()
{
    QTest::addColumn<QJsonObject>("live"); // pages of the module when restored onto
    // "backup", or a file made from it: "newer", "plain", "other", "huge" (a version beyond an
    // int), or a hand-edited value that set would refuse: "group", "text", "choice", "flag"
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("writeAnswer"); // ModuleSimulator::Fault; change-between: of page 3's reads
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("plan"); // paths, in the module's page order
    QTest::addColumn<QStringList>("written"); // pages
    QTest::addColumn<bool>("restored"); // the module holds the backup's values (and its own extras)

    using F = ModuleSimulator::Fault;
    const int ok = int(F::None);
    const QJsonObject pages = samplePages();
    QJsonObject changed = pages;
    QJsonObject page1 = pages.value("1").toObject();
    page1.insert("port", 81);
    page1.insert("added", "kept"); // an option the backup lacks: it stays
    changed.insert("1", page1);
    QJsonObject page3 = pages.value("3").toObject();
    page3.insert("net", QJsonObject{{"ip", "10.9.9.9"}, {"ch", 6}, {"mode", "1"}, {"new", 1}});
    changed.insert("3", page3);
    QJsonObject odd = pages.value(oddKey()).toObject();
    odd.insert(oddKey(), "changed");
    changed.insert(oddKey(), odd);
    const QStringList fullPlan{"1/port", "3/net/ip", "a~1b:c#d%e f Я~0/a~1b:c#d%e f Я~0"};
    const QStringList allPages{"1", "3", oddKey()};

    QTest::newRow("onto the unchanged module: nothing written")
        << pages << "backup" << QStringList{"--yes"} << ok << 0 << QStringList() << QStringList() << true;
    QTest::newRow("changed pages written in the module's order")
        << changed << "backup" << QStringList{"--yes"} << ok << 0 << fullPlan << allPages << true;
    QTest::newRow("only the pages asked for")
        << changed << "backup" << QStringList{"--yes", "--pages", "3,1"} << ok << 0
        << QStringList(fullPlan.mid(0, 2)) << QStringList{"1", "3"} << false;
    QTest::newRow("dry run") << changed << "backup" << QStringList{"--dry-run"} << ok << 1 << fullPlan
                             << QStringList() << false;
    QTest::newRow("no terminal and no --yes")
        << changed << "backup" << QStringList() << ok << 2 << fullPlan << QStringList() << false;
    QTest::newRow("read back differs: stopped after the first page")
        << changed << "backup" << QStringList{"--yes"} << int(F::PlainError404) << 5 << fullPlan
        << QStringList{"1"} << false;
    QTest::newRow("the module falls silent on the write")
        << changed << "backup" << QStringList{"--yes"} << int(F::Hang) << 5 << fullPlan << QStringList{"1"}
        << false;
    QTest::newRow("page 3 changed after the plan: stopped before it, with the undo command")
        << changed << "backup" << QStringList{"--yes"} << int(F::ChangeBetween) << 7 << fullPlan
        << QStringList{"1"} << false;
    QTest::newRow("a backup of another address")
        << changed << "other" << QStringList{"--yes"} << ok << 2 << QStringList() << QStringList() << false;
    QTest::newRow("another address allowed")
        << changed << "other" << QStringList{"--yes", "--allow-other-module"} << ok << 0 << fullPlan
        << allPages << true;
    QTest::newRow("a newer format version")
        << changed << "newer" << QStringList{"--yes"} << ok << 6 << QStringList() << QStringList() << false;
    QTest::newRow("not a backup") << changed << "plain" << QStringList{"--yes"} << ok << 6 << QStringList()
                                  << QStringList() << false;
    QTest::newRow("a version beyond an int")
        << changed << "huge" << QStringList{"--yes"} << ok << 6 << QStringList() << QStringList() << false;
    for (const char *misfit : {"group", "text", "choice", "flag"})
        QTest::addRow("a value set would refuse: %s, nothing written", misfit)
            << changed << misfit << QStringList{"--yes"} << ok << 2 << QStringList() << QStringList()
            << false;
    QTest::newRow("a value that does not fit, written when asked")
        << changed << "text" << QStringList{"--yes", "--no-value-check"} << ok << 0 << fullPlan << allPages
        << false;
}

void TestCliRestore::restore()
{
    QFETCH(QJsonObject, live);
    QFETCH(QString, file);
    QFETCH(QStringList, options);
    QFETCH(int, writeAnswer);
    QFETCH(int, exitCode);
    QFETCH(QStringList, plan);
    QFETCH(QStringList, written);
    QFETCH(bool, restored);
    TestWorkDir dir;
    dir.writeFile("description.json", sampleCatalog());
    auto module = startModule(samplePages(), sampleOrder());
    const QString address = moduleAddress(*module);
    QCOMPARE(runQuillnet(dir.path(), {"backup", address, "-O", "backup.json"}).exitCode, 0);
    // The undo file takes the label the module list gives now.
    QVERIFY(writeModuleList(dir.filePath(kModuleListFileName), {address + " Котельная"}));
    QJsonObject backup = jsonObject(dir.readFile("backup.json"));
    const QHash<QString, QPair<QStringList, QJsonValue>> misfits{{"group", {{"3", "net"}, 5}},
                                                                 {"text", {{"1", "port"}, "8080"}},
                                                                 {"choice", {{"1", "mode"}, "9"}},
                                                                 {"flag", {{"1", "en"}, true}}};
    if (misfits.contains(file)) {
        const auto [place, value] = misfits.value(file);
        QJsonObject pages = backup.value("pages").toObject();
        QJsonObject page = pages.value(place.at(0)).toObject();
        QJsonObject options = page.value(place.at(0)).toObject();
        options.insert(place.at(1), value);
        page.insert(place.at(0), options);
        pages.insert(place.at(0), page);
        backup.insert("pages", pages);
    }
    if (file == "huge")
        backup.insert("formatVersion", 4294967296.0);
    if (file == "newer")
        backup.insert("formatVersion", 2);
    if (file == "plain")
        backup.remove("format");
    if (file == "other")
        backup.insert("module", QJsonObject{{"address", "10.0.0.99"}, {"label", "elsewhere"}});
    dir.writeFile("restore.json", QJsonDocument(backup).toJson());
    module->setPages(live, sampleOrder());
    if (writeAnswer == int(ModuleSimulator::Fault::ChangeBetween))
        module->setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault(writeAnswer)}, "3");
    else
        module->setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault(writeAnswer)});

    // Standard input is a pipe: no terminal to ask.
    const QuillnetRun run = runQuillnet(dir.path(),
                                        QStringList{"-o", "jsonl", "--timeout", "0.5", "restore"} + options
                                            + QStringList{address, "restore.json"});
    QCOMPARE(run.exitCode, exitCode);
    QStringList planned;
    for (const QJsonObject &line : run.lines())
        planned.append(line.value("path").toString());
    QCOMPARE(planned, plan);
    QCOMPARE(writtenPages(*module), written);
    if (exitCode == 7)
        QVERIFY2(run.err.contains("3/between-1") && run.err.contains("--pages 1 --yes"), run.err);

    // The undo file: written before the first write, the module's state then, and only then.
    const QStringList undo = QDir(dir.path()).entryList({"restore.before-restore-*.json"});
    QCOMPARE(undo.size(), written.isEmpty() ? 0 : 1);
    if (!undo.isEmpty()) {
        const QJsonObject undoFile = jsonObject(dir.readFile(undo.first()));
        QCOMPARE(undoFile.value("module").toObject().value("label").toString(), QString("Котельная"));
        const QJsonObject before = undoFile.value("pages").toObject();
        for (const QString &key : sampleOrder())
            QCOMPARE(before.value(key).toObject(), (QJsonObject{{key, live.value(key)}}));
    }
    if (restored) {
        QJsonObject expected = samplePages();
        QJsonObject page1 = expected.value("1").toObject();
        page1.insert("added", "kept");
        QJsonObject page3 = expected.value("3").toObject();
        QJsonObject net = page3.value("net").toObject();
        net.insert("new", 1);
        page3.insert("net", net);
        if (live != samplePages()) {
            expected.insert("1", page1);
            expected.insert("3", page3);
        }
        QCOMPARE(module->pages(), expected);
    } else if (written.isEmpty()) {
        QCOMPARE(module->pages(), live);
    }
}

// Every path a page takes through quillnet gives each number back with the value sent.
void TestCliRestore::exactNumbers()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, kept);
    TestWorkDir dir;
    // Every module has the service page besides.
    auto module = startModule({{"1", jsonObject(sent)}, {"promode", QJsonObject{{"mode", 1}}}}, {"1"});
    const QString address = moduleAddress(*module);
    const QByteArray page = "{\"1\":" + kept + "}";

    QCOMPARE(runQuillnet(dir.path(), {"backup", address, "-O", "backup.json"}).exitCode, 0);
    QVERIFY(dir.readFile("backup.json").contains("\"1\": " + page));
    QCOMPARE(runQuillnet(dir.path(), {"set", address, "1/name=m", "--no-catalog"}).exitCode, 0);
    QCOMPARE(module->writes(), QList<QByteArray>{withNameChanged(page)});
    // Only the option set differs from the backup.
    const QuillnetRun diff = runQuillnet(dir.path(), {"-o", "jsonl", "diff", address, "backup.json"});
    QCOMPARE(diff.exitCode, 1);
    QCOMPARE(diff.lines().size(), 1);
    QCOMPARE(diff.lines().first().value("path").toString(), QString("1/name"));

    QCOMPARE(runQuillnet(dir.path(), {"restore", address, "backup.json", "--yes", "--no-catalog"}).exitCode,
             0);
    QCOMPARE(module->writes().value(1), page);
    const QStringList undo = QDir(dir.path()).entryList({"backup.before-restore-*.json"});
    QCOMPARE(undo.size(), 1);
    QVERIFY(dir.readFile(undo.first()).contains("\"1\": " + withNameChanged(page)));
    QCOMPARE(runQuillnet(dir.path(), {"diff", address, "backup.json"}).exitCode, 0);
}

// A signal while page 1 is written: that write is finished and read back, page 3 is never
// sent, the summary tells what was written, and the status tells the signal.
void TestCliRestore::interrupted_data()
{
    QTest::addColumn<QStringList>("args"); // after the module
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("told");
    QTest::newRow("restore, Ctrl-C") << QStringList{"restore", "backup.json", "--yes"} << SIGINT
                                     << "to undo: quillnet restore %1 ";
    QTest::newRow("set, SIGTERM") << QStringList{"set", "1/port=80", "3/period=30"} << SIGTERM
                                  << "interrupted (pages written before: 1)";
}

void TestCliRestore::interrupted()
{
    QFETCH(QStringList, args);
    QFETCH(int, signal);
    QFETCH(QString, told);
    TestWorkDir dir;
    dir.writeFile("description.json", sampleCatalog());
    auto module = startModule(samplePages(), sampleOrder());
    const QString address = moduleAddress(*module);
    QCOMPARE(runQuillnet(dir.path(), {"backup", address, "-O", "backup.json"}).exitCode, 0);
    QJsonObject live = samplePages();
    for (const QString key : {"1", "3"}) {
        QJsonObject options = live.value(key).toObject();
        options.insert(key == "1" ? "port" : "period", 7);
        live.insert(key, options);
    }
    module->setPages(live, sampleOrder());
    std::atomic<qint64> pid{0};
    module->setWriteListener([&pid, signal](const QByteArray &, bool) {
        if (const qint64 quillnet = pid.exchange(0))
            ::kill(pid_t(quillnet), signal);
    });
    auto quillnet = startQuillnet(dir.path(), QStringList{"-o", "jsonl", args.at(0), address} + args.mid(1));
    pid = quillnet->processId();
    QVERIFY(quillnet->waitForFinished(kWaitMs));
    const QByteArray err = quillnet->readAllStandardError();
    QCOMPARE(quillnet->exitCode(), 128 + signal);
    QCOMPARE(writtenPages(*module), QStringList{"1"});
    QVERIFY2(err.contains(told.arg(address).toUtf8()), err);
}

QTEST_GUILESS_MAIN(TestCliRestore)
#include "tst_clirestore.moc"
