// quillnet backup and diff: every page into a file per module, all or nothing, and the
// options that differ between modules and backups.

#include "quillnetrun.h"

#include "support/openfiles.h"
#include "support/testworkdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <csignal>

namespace {

QString fileNameFor(const QString &address)
{
    return QString(address).replace(':', '_') + ".json";
}

// A backup file's pages against the module's sample state: each the whole object the module
// answered, in the module's order.
void checkBackup(const QJsonObject &backup, const QString &address, const QStringList &incomplete)
{
    QCOMPARE(backup.value("format").toString(), QString("quillnet-backup"));
    QCOMPARE(backup.value("formatVersion").toInt(), 1);
    QCOMPARE(backup.value("module").toObject().value("address").toString(), address);
    QCOMPARE(QDateTime::fromString(backup.value("createdAt").toString(), Qt::ISODate).timeSpec(), Qt::UTC);
    QCOMPARE(backup.value("pageKeys").toVariant().toStringList(), sampleOrder());
    QCOMPARE(backup.value("incomplete").toVariant().toStringList(), incomplete);
    QJsonObject pages;
    for (const QString &key : sampleOrder()) {
        if (!incomplete.contains(key))
            pages.insert(key, QJsonObject{{key, samplePages().value(key)}});
    }
    QCOMPARE(backup.value("pages").toObject(), pages);
}

} // namespace

class TestCliBackup : public QObject
{
    Q_OBJECT

private slots:
    void backup_data();
    void backup();
    void whatIsThereIsKept();
    void killedBackupLeavesNoPartialFile();
    void diff_data();
    void diff();
};

void TestCliBackup::backup_data()
{
    QTest::addColumn<int>("modules");
    QTest::addColumn<bool>("deadSecond"); // a module that is down, named second
    QTest::addColumn<QString>("faultyPage"); // answered with HTTP 500 by the first module
    QTest::addColumn<QString>("output"); // -O; empty: none
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("statuses"); // per target, in the order named

    QTest::newRow("one module into a file") << 1 << false << ""
                                            << "saved.json" << 0 << QStringList{"saved"};
    QTest::newRow("into the working folder") << 1 << false << ""
                                             << "" << 0 << QStringList{"saved"};
    QTest::newRow("to standard output") << 1 << false << ""
                                        << "-" << 0 << QStringList();
    QTest::newRow("several to standard output") << 2 << false << ""
                                                << "-" << 2 << QStringList();
    QTest::newRow("a fleet with a dead module: every other one done")
        << 3 << true << ""
        << "fleet/" << 3 << QStringList{"saved", "failed", "saved", "saved"};
    QTest::newRow("a page that cannot be read: written, incomplete")
        << 2 << false << "3"
        << "fleet/" << 3 << QStringList{"incomplete", "saved"};
    QTest::newRow("one module into a folder made with its parents")
        << 1 << false << ""
        << "daily/2026/" << 0 << QStringList{"saved"};
    QTest::newRow("a file name for several: refused") << 2 << false << ""
                                                      << "two.json" << 2 << QStringList();
}

void TestCliBackup::backup()
{
    QFETCH(int, modules);
    QFETCH(bool, deadSecond);
    QFETCH(QString, faultyPage);
    QFETCH(QString, output);
    QFETCH(int, exitCode);
    QFETCH(QStringList, statuses);
    TestWorkDir dir;
    std::vector<std::unique_ptr<ModuleSimulator>> live;
    QStringList targets;
    for (int i = 0; i < modules; ++i) {
        live.push_back(startModule(samplePages(), sampleOrder()));
        targets.append(moduleAddress(*live.back()));
    }
    if (!faultyPage.isEmpty())
        live.front()->setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::HttpStatus},
                                   faultyPage);
    if (deadSecond)
        targets.insert(1, deadAddress());
    QStringList args = QStringList{"-o", "json", "--retries", "0", "backup"} + targets;
    if (!output.isEmpty())
        args += QStringList{"-O", output};

    const QuillnetRun run = runQuillnet(dir.path(), args);
    QCOMPARE(run.exitCode, exitCode);
    if (output == "-") {
        if (exitCode == 0)
            checkBackup(run.json().toObject(), targets.first(), {});
        return;
    }
    QStringList reported;
    for (const QJsonValue &record : run.json().toArray())
        reported.append(record.toObject().value("status").toString());
    QCOMPARE(reported, statuses);
    for (int i = 0; i < modules && exitCode != 2; ++i) {
        const QString address = moduleAddress(*live.at(i));
        const QString name = output == "saved.json" ? output : QDir(output).filePath(fileNameFor(address));
        QCOMPARE(QFile::permissions(dir.filePath(name)),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        checkBackup(jsonObject(dir.readFile(name)), address,
                    i == 0 && !faultyPage.isEmpty() ? QStringList{faultyPage} : QStringList());
    }
    if (deadSecond)
        QVERIFY(!dir.exists(QDir(output).filePath(fileNameFor(targets.at(1)))));
}

// A complete backup is never replaced by an incomplete one of the same module, which goes
// beside it; a symbolic link is never replaced; a module without the service page gives a
// complete backup.
void TestCliBackup::whatIsThereIsKept()
{
    TestWorkDir dir;
    auto module = startModule(samplePages(), sampleOrder());
    const QString address = moduleAddress(*module);
    const QStringList backup{"-o", "json", "--retries", "0", "backup", address, "-O"};
    QCOMPARE(runQuillnet(dir.path(), backup + QStringList{"good.json"}).exitCode, 0);
    const QByteArray good = dir.readFile("good.json");
    module->setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::HttpStatus}, "3");
    const QuillnetRun incomplete = runQuillnet(dir.path(), backup + QStringList{"good.json"});
    QCOMPARE(incomplete.exitCode, 3);
    QCOMPARE(dir.readFile("good.json"), good);
    checkBackup(jsonObject(dir.readFile("good.incomplete.json")), address, {"3"});
    QCOMPARE(incomplete.json().toArray().at(0).toObject().value("file").toString(),
             dir.filePath("good.incomplete.json"));
    QVERIFY2(
        incomplete.err.contains("the complete backup " + dir.filePath("good.json").toUtf8() + " is kept"),
        incomplete.err);

    QVERIFY(QFile::link("good.json", dir.filePath("link.json")));
    module->clearBehaviours();
    QCOMPARE(runQuillnet(dir.path(), backup + QStringList{"link.json"}).exitCode, 4);
    QCOMPARE(QFileInfo(dir.filePath("link.json")).symLinkTarget(), dir.filePath("good.json"));
    QCOMPARE(dir.readFile("good.json"), good);

    QJsonObject pages = samplePages();
    pages.remove("promode");
    module->setPages(pages, sampleOrder());
    QCOMPARE(runQuillnet(dir.path(), backup + QStringList{"plain.json"}).exitCode, 0);
    const QJsonObject plain = jsonObject(dir.readFile("plain.json"));
    QCOMPARE(plain.value("pageKeys").toVariant().toStringList(), sampleOrder().mid(0, 3));
    QCOMPARE(plain.value("incomplete").toArray(), QJsonArray());
}

// Killed while the file is being written, a backup leaves nothing in the folder: no file cut
// short at the target name and no temporary file beside it.
void TestCliBackup::killedBackupLeavesNoPartialFile()
{
    TestWorkDir dir;
    QJsonObject pages;
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        const QString key = "p" + QString::number(i);
        pages.insert(key, QJsonObject{{"blob", QString(4 << 20, QChar('a' + i))}});
        order.append(key);
    }
    auto module = startModule(pages, order);
    QVERIFY(QDir(dir.path()).mkdir("out"));
    const QString out = QDir(dir.filePath("out")).canonicalPath();
    std::unique_ptr<QProcess> process
        = startQuillnet(dir.path(), {"backup", moduleAddress(*module), "-O", out + "/module.json"});
    QVERIFY(process->waitForStarted());
    // Polled closely: the file is open for a fraction of a second.
    const QByteArray outFolder = QFile::encodeName(out);
    QElapsedTimer waited;
    waited.start();
    bool seen = false;
    while (!(seen = hasFileOpenUnder(process->processId(), outFolder)) && !waited.hasExpired(60000))
        QThread::usleep(200);
    QVERIFY2(seen, "the backup was never seen writing");
    ::kill(pid_t(process->processId()), SIGKILL);
    QVERIFY(process->waitForFinished());
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
}

void TestCliBackup::diff_data()
{
    QTest::addColumn<QString>("a"); // "module", "backup", "other" (a second module) or a file name
    QTest::addColumn<QString>("b");
    QTest::addColumn<QJsonObject>("liveChange"); // the module's page "1" after the backup
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QList<QJsonObject>>("differences");

    const QJsonObject page1 = samplePages().value("1").toObject();
    QJsonObject changed = page1;
    changed.insert("port", 81);
    changed.remove("name");
    changed.insert("extra", "x");
    const QList<QJsonObject> found{{{"path", "1/extra"}, {"a", "x"}},
                                   {{"path", "1/name"}, {"b", "Boiler"}},
                                   {{"path", "1/port"}, {"a", 81}, {"b", 80}}};
    QTest::newRow("a module and its backup") << "module"
                                             << "backup" << page1 << 0 << QList<QJsonObject>();
    QTest::newRow("changed, missing and added options") << "module"
                                                        << "backup" << changed << 1 << found;
    QTest::newRow("two modules") << "module"
                                 << "other" << changed << 1 << found;
    QTest::newRow("a newer format version") << "newer.json"
                                            << "module" << page1 << 6 << QList<QJsonObject>();
    QTest::newRow("not a backup") << "plain.json"
                                  << "module" << page1 << 6 << QList<QJsonObject>();
    QTest::newRow("no such file") << "missing.json"
                                  << "module" << page1 << 2 << QList<QJsonObject>();
}

void TestCliBackup::diff()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QJsonObject, liveChange);
    QFETCH(int, exitCode);
    QFETCH(QList<QJsonObject>, differences);
    TestWorkDir dir;
    auto module = startModule(samplePages(), sampleOrder());
    auto other = startModule(samplePages(), sampleOrder());
    QCOMPARE(runQuillnet(dir.path(), {"backup", moduleAddress(*other), "-O", "backup"}).exitCode, 0);
    QJsonObject pages = samplePages();
    pages.insert("1", liveChange);
    module->setPages(pages, sampleOrder());
    QJsonObject newer = jsonObject(dir.readFile("backup"));
    newer.insert("formatVersion", 2);
    dir.writeFile("newer.json", QJsonDocument(newer).toJson());
    dir.writeFile("plain.json", R"({"1":{"port":80}})");
    const auto side = [&](const QString &name) {
        return name == "module" ? moduleAddress(*module) : name == "other" ? moduleAddress(*other) : name;
    };

    const QuillnetRun run = runQuillnet(dir.path(), {"-o", "jsonl", "diff", side(a), side(b)});
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.lines(), differences);
}

QTEST_GUILESS_MAIN(TestCliBackup)
#include "tst_clibackup.moc"
