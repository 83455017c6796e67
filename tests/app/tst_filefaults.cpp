// The window's files in bad shape (more of description.json's: tst_descriptionsfile): no crash, no loss.

#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QtTest>

#include <csignal>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCatalogFile = QStringLiteral("description.json");
const QByteArray kOldCatalog = "{\"sysall\":{\"select\":{\"1\":\"Старое\"}}}\n";
const QByteArray kServedCatalog = "{\"sysall\":{\"select\":{\"1\":\"Новое\"}}}";

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Takes away the right to change anything in a folder while it lives, reading still allowed.
// Permission bits do not bind root, so root also drops its effective ids to nobody meanwhile.
struct ReadOnlyFolder
{
    explicit ReadOnlyFolder(const QString &path)
        : path(QFile::encodeName(path))
    {
        if (::chmod(this->path.constData(), 0555) != 0)
            return;
        dropped = ::geteuid() == 0;
        if (dropped && (::setegid(65534) != 0 || ::seteuid(65534) != 0)) // nobody
            return;
        active = !QFile(path + "/probe").open(QIODevice::WriteOnly); // whoever we are now is refused
    }
    ~ReadOnlyFolder()
    {
        [[maybe_unused]] const bool restored = !dropped || (::seteuid(0) == 0 && ::setegid(0) == 0);
        ::chmod(path.constData(), 0700);
    }
    bool active = false;
    QByteArray path;
    bool dropped = false;
};

// Whether process pid has a file of folder open: only the catalog copy being written, maybe nameless yet.
// Plain system calls: this runs in a tight loop that has to see writes of a few milliseconds.
bool writingInFolder(qint64 pid, const QByteArray &folder)
{
    const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd/";
    DIR *listing = ::opendir(fds.constData());
    bool found = false;
    while (const dirent *entry = listing ? ::readdir(listing) : nullptr) {
        char target[4096] = {};
        if (::readlink((fds + entry->d_name).constData(), target, sizeof target - 1) > 0)
            found = found || QByteArray(target).startsWith(folder + '/');
    }
    if (listing)
        ::closedir(listing);
    return found;
}

} // namespace

class TestFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void unwritableWorkingDirectory()
    {
        TestWorkDir dir;
        SimFixture fx;
        fx.sim.setCatalog(kServedCatalog);
        const QByteArray options = "[global]\nmodules=10.0.0.1 Boiler/10.0.0.2\n";
        dir.writeFile(kCatalogFile, kOldCatalog);
        dir.writeFile("options.ini", options);
        ModalWatcher watcher;
        {
            ReadOnlyFolder readOnly(dir.path());
            if (!readOnly.active)
                QSKIP("Cannot take the right to write the working folder away");
            MainWindow window;
            MainWindowProbe probe(window);
            QCOMPARE(probe.modules().size(), 2);
            // The download still updates the catalog in use; its copy on disk stays as it was.
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^description\\.json: .+"));
            probe.loaddescription();
            QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), 10000);
            QCOMPARE(watcher.count(), 1);
            QCOMPARE(probe.descriptions(), QJsonDocument::fromJson(kServedCatalog).object());
            probe.modules() << "10.0.0.9"; // and the list cannot be saved at exit
        }
        QCOMPARE(entries(dir.path()), (QStringList{kCatalogFile, "options.ini"}));
        QCOMPARE(dir.readFile("options.ini"), options);
        QCOMPARE(dir.readFile(kCatalogFile), kOldCatalog);
    }

    void optionsFileCutOrEncodedOtherwise_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("modules");
        QTest::newRow("cut inside an entry")
            << QByteArray("[global]\nmodules=10.0.0.1 Boiler/10.0") << QStringList{"10.0.0.1 Boiler", "10.0"};
        QTest::newRow("NUL byte in the value") << QByteArray("[global]\nmodules=10.0.0.1\0junk\n", 30)
                                               << QStringList{QString("10.0.0.1") + QChar(0) + "junk"};
    }
    void optionsFileCutOrEncodedOtherwise()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, modules);
        TestWorkDir dir;
        dir.writeFile(kCatalogFile, "{}");
        dir.writeFile("options.ini", content);
        {
            MainWindow window;
            MainWindowProbe probe(window);
            QCOMPARE(probe.modules(), modules);
        }
        // What was read is written back whole and reads the same next time.
        QCOMPARE(QSettings("options.ini", QSettings::IniFormat).value("global/modules").toString(),
                 modules.join('/'));
        MainWindow again;
        QCOMPARE(MainWindowProbe(again).modules(), modules);
    }

    // The real program, started where description.json is missing, downloads a large catalog
    // and writes it. Killed at any moment, it leaves description.json missing or whole.
    void killedWhileReplacingTheCatalog()
    {
        const QString host = QUILLNET_BUILD_DESCRIPTIONS_HOST;
        if (host.section(':', 0, 0) != "127.0.0.1")
            QSKIP("The program's descriptions server is not on this machine");
        ModuleSimulator server;
        QByteArray served = "{\"sysall\":{\"select\":{\"1\":\"Сеть\"}},\"pad\":[";
        for (int i = 0; i < 100000; ++i)
            served += "{\"title\":\"Порт " + QByteArray::number(i) + "\",\"type\":4,\"data\":\"1=A,2=B\"},";
        server.setCatalog(served += "{}]}");
        server.setBehaviour(ModuleSimulator::Endpoint::Catalog, {ModuleSimulator::Fault::None, 500, 200});
        if (!server.start("127.0.0.1", host.contains(':') ? host.section(':', 1).toInt() : 80))
            QSKIP("The program's descriptions port is taken by another process");
        qputenv("QT_QPA_PLATFORM", "offscreen");

        // The first run is killed once the file is there, the others as soon as it is being written.
        int killedWhileWriting = 0;
        for (int run = 0; run < 6; ++run) {
            QTemporaryDir dir;
            QFile file(dir.filePath(kCatalogFile));
            const auto whole = [&] {
                return file.open(QIODevice::ReadOnly) && file.readAll() == served;
            };
            QProcess program;
            program.setWorkingDirectory(dir.path());
            program.setStandardOutputFile(QProcess::nullDevice());
            program.setStandardErrorFile(QProcess::nullDevice());
            program.start(QUILLNET_CONFIGURATOR_PATH, QStringList());
            QElapsedTimer clock;
            clock.start();
            bool there = false, writing = false;
            do {
                there = file.exists();
                writing = writingInFolder(program.processId(), QFile::encodeName(dir.path()));
            } while (!there && !(run > 0 && writing) && clock.elapsed() < 20000);
            ::kill(pid_t(program.processId()), SIGKILL);
            QVERIFY2(there || writing, "the moment came within the bound");
            QVERIFY2(!there || whole(), "description.json is whole as soon as it is there");
            file.close();
            killedWhileWriting += !there;
            QVERIFY(program.waitForFinished(10000));
            QVERIFY2(file.exists() ? whole() : run > 0,
                     "description.json is whole, and there after the first run");
            // At most the unfinished copy the write had begun is left beside it.
            for (const QString &name : entries(dir.path()))
                QVERIFY2(name == kCatalogFile || name.startsWith(kCatalogFile + '.'), qPrintable(name));
        }
        QVERIFY2(killedWhileWriting > 0, "at least one kill came while description.json was being written");
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
