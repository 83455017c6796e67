// The window's two files in bad shape: a working directory it may not write, options.ini
// and description.json cut short or in other encodings, and the program killed while it
// replaces description.json. Nothing may crash and no file may be lost.

#include "app/mainwindow.h"
#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kDownloadTimeoutMs = 10000;
const QString kOptionsFile = QStringLiteral("options.ini");
const QByteArray kOldCatalog = "{\"sysall\":{\"select\":{\"1\":\"Старое\"}}}\n";
const QByteArray kServedCatalog = "{\"sysall\":{\"select\":{\"1\":\"Новое\"}}}";

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Takes away the right to create, replace or change anything in a folder for the lifetime
// of the object, while reading stays allowed. Permission bits do not bind root, so a
// process running as root also drops its effective user and group to nobody meanwhile
// (and takes them back afterwards, which the saved user id allows).
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path)
        : path(QFile::encodeName(path))
    {
        if (::chmod(this->path.constData(), 0555) != 0)
            return;
        if (::geteuid() == 0) {
            if (::setegid(kNobody) != 0)
                return;
            if (::seteuid(kNobody) != 0) {
                [[maybe_unused]] const int restored = ::setegid(0);
                return;
            }
            dropped = true;
        }
        // Whoever we are now must indeed be refused.
        QFile probe(QFile::decodeName(this->path) + QStringLiteral("/probe"));
        active = !probe.open(QIODevice::WriteOnly);
    }
    ~ReadOnlyFolder()
    {
        if (dropped) {
            [[maybe_unused]] const int user = ::seteuid(0);
            [[maybe_unused]] const int group = ::setegid(0);
        }
        ::chmod(path.constData(), 0700);
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    bool active = false;

private:
    static constexpr uid_t kNobody = 65534;
    QByteArray path;
    bool dropped = false;
};

// Whether process pid has a file of folder open: the program opens nothing there but the
// copy of the catalog it is writing, which may have no name in the folder yet. Plain
// system calls: this runs in a tight loop that has to see writes of a few milliseconds.
bool writingInFolder(qint64 pid, const QByteArray &folder)
{
    const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd/";
    DIR *listing = ::opendir(fds.constData());
    if (!listing)
        return false;
    bool found = false;
    while (const dirent *entry = ::readdir(listing)) {
        char target[4096];
        const ssize_t size = ::readlink((fds + entry->d_name).constData(), target, sizeof target);
        if (size > folder.size() && std::memcmp(target, folder.constData(), size_t(folder.size())) == 0
            && target[folder.size()] == '/') {
            found = true;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

QString storedModules(const TestWorkDir &dir)
{
    const QSettings settings(dir.filePath(kOptionsFile), QSettings::IniFormat);
    return settings.value(QStringLiteral("global/modules")).toString();
}

} // namespace

class TestFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void unwritableWorkingDirectory_data();
    void unwritableWorkingDirectory();
    void optionsFileCutOrEncodedOtherwise_data();
    void optionsFileCutOrEncodedOtherwise();
    void catalogFileEncodedOtherwise_data();
    void catalogFileEncodedOtherwise();
    void killedWhileReplacingTheCatalog();
};

void TestFileFaults::unwritableWorkingDirectory_data()
{
    QTest::addColumn<bool>("filesPresent");
    QTest::newRow("both files present") << true;
    QTest::newRow("no files yet") << false;
}

void TestFileFaults::unwritableWorkingDirectory()
{
    QFETCH(bool, filesPresent);
    TestWorkDir dir;
    SimFixture fx;
    fx.sim.setCatalog(kServedCatalog);
    QByteArray options;
    if (filesPresent) {
        dir.writeFile(catalog::kCatalogFileName, kOldCatalog);
        {
            QSettings settings(dir.filePath(kOptionsFile), QSettings::IniFormat);
            settings.setValue(QStringLiteral("global/modules"), QStringLiteral("10.0.0.1 Котельная/10.0.0.2"));
        }
        options = dir.readFile(kOptionsFile);
    }
    const QStringList before = entries(dir.path());
    ModalWatcher watcher;
    {
        ReadOnlyFolder readOnly(dir.path());
        if (!readOnly.active)
            QSKIP("Cannot take the right to write the working folder away");

        MainWindow window;
        MainWindowProbe probe(window);
        if (filesPresent) {
            QCOMPARE(probe.modules(), (QStringList{QStringLiteral("10.0.0.1 Котельная"), QStringLiteral("10.0.0.2")}));
            QCOMPARE(probe.descriptions(), QJsonDocument::fromJson(kOldCatalog).object());
            probe.loaddescription();
        }
        // The download still updates the catalog in use; its copy on disk stays as it was.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^description\\.json: .+")));
        QVERIFY(probe.descriptionReply());
        QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), kDownloadTimeoutMs);
        QCOMPARE(watcher.count(), 1);
        QCOMPARE(watcher.last().text, QStringLiteral("Описания успешно обновлены"));
        QCOMPARE(probe.descriptions(), QJsonDocument::fromJson(kServedCatalog).object());

        probe.modules() << QStringLiteral("10.0.0.9");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("options\\.ini")));
    }
    QCOMPARE(entries(dir.path()), before);
    QCOMPARE(dir.readFile(kOptionsFile), options);
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), filesPresent ? kOldCatalog : QByteArray());
}

void TestFileFaults::optionsFileCutOrEncodedOtherwise_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("modules");

    QTest::newRow("cut inside an entry")
        << QByteArray("[global]\nmodules=10.0.0.1 Boiler/10.0")
        << QStringList{QStringLiteral("10.0.0.1 Boiler"), QStringLiteral("10.0")};
    QTest::newRow("cut inside a quoted value")
        << QByteArray("[global]\nmodules=\"10.0.0.1 a,b/10.0")
        << QStringList{QStringLiteral("10.0.0.1 a,b"), QStringLiteral("10.0")};
    QTest::newRow("cut inside an escape")
        << QByteArray("[global]\nmodules=10.0.0.1 \\x41")
        << QStringList{QStringLiteral("10.0.0.1 A")};
    QTest::newRow("cut inside the group name") << QByteArray("[glob") << QStringList{QString()};
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xef\xbb\xbf[global]\nmodules=10.0.0.1 \xd0\x9a\xd0\xbe\xd1\x82\n")
        << QStringList{QStringLiteral("10.0.0.1 Кот")};
    QTest::newRow("Windows line ends")
        << QByteArray("[global]\r\nmodules=10.0.0.1 A/10.0.0.2\r\n")
        << QStringList{QStringLiteral("10.0.0.1 A"), QStringLiteral("10.0.0.2")};
    QTest::newRow("NUL byte in the value")
        << QByteArray("[global]\nmodules=10.0.0.1\0junk\n", 30)
        << QStringList{QStringLiteral("10.0.0.1") + QChar(0) + QStringLiteral("junk")};
}

void TestFileFaults::optionsFileCutOrEncodedOtherwise()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, modules);
    TestWorkDir dir;
    dir.writeFile(catalog::kCatalogFileName, "{}");
    dir.writeFile(kOptionsFile, content);
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QCOMPARE(probe.modules(), modules);
        QCOMPARE(probe.comboBox()->count(), modules.size() + 1);
    }
    // What was read is written back whole and reads the same next time.
    QCOMPARE(storedModules(dir), modules.join(QLatin1Char('/')));
    MainWindow again;
    QCOMPARE(MainWindowProbe(again).modules(), modules);
}

void TestFileFaults::catalogFileEncodedOtherwise_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable"); // parses to a catalog, else an empty catalog

    QTest::newRow("UTF-8") << kOldCatalog << true;
    QTest::newRow("UTF-8 with a byte-order mark") << "\xef\xbb\xbf" + kOldCatalog << true;
    QTest::newRow("Windows-1251 titles")
        << QByteArray("{\"sysall\":{\"select\":{\"1\":\"\xd1\xf2\xe0\xf0\xee\xe5\"}}}") << false;
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe{\0}\0", 6) << false;
    QTest::newRow("NUL and junk after the catalog") << kOldCatalog + QByteArray("\0junk", 5) << false;
    QTest::newRow("Windows line ends") << QByteArray(kOldCatalog).replace("\n", "\r\n") << true;
}

void TestFileFaults::catalogFileEncodedOtherwise()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    TestWorkDir dir;
    SimFixture fx;
    dir.writeFile(catalog::kCatalogFileName, content);
    ModalWatcher watcher;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QCOMPARE(probe.descriptions().isEmpty(), !readable);
        if (readable)
            QCOMPARE(catalog::pageTitles(probe.descriptions()).value(QStringLiteral("1")).toString(),
                     QStringLiteral("Старое"));
        QVERIFY2(!probe.descriptionReply(), "a file that is present is not downloaded again");
        QCoreApplication::processEvents();
        QCOMPARE(watcher.count(), 0);
    }
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), content);
    QVERIFY(fx.sim.requests().isEmpty());
}

void TestFileFaults::killedWhileReplacingTheCatalog()
{
    // The real program, started where description.json is missing, downloads a large
    // catalog and writes it. Killed at any moment, it leaves description.json either
    // missing or whole, never cut short.
    const QString host = QStringLiteral(QUILLNET_BUILD_DESCRIPTIONS_HOST);
    const int colon = host.lastIndexOf(QLatin1Char(':'));
    const QString address = colon < 0 ? host : host.left(colon);
    const int port = colon < 0 ? 80 : host.mid(colon + 1).toInt();
    if (address != QLatin1String("127.0.0.1") && address != QLatin1String("localhost"))
        QSKIP("The program's descriptions server is not on this machine");
    ModuleSimulator server;
    QByteArray served = "{\"sysall\":{\"select\":{\"1\":\"Сеть\"}},\"pad\":[";
    for (int i = 0; i < 100000; ++i)
        served += "{\"title\":\"Порт " + QByteArray::number(i) + "\",\"type\":4,\"data\":\"1=A,2=B\"},";
    served += "{}]}";
    server.setCatalog(served);
    ModuleSimulator::Behaviour slow;
    slow.delayMs = 200;
    server.setBehaviour(ModuleSimulator::Endpoint::Catalog, slow);
    if (!server.start(address, port))
        QSKIP("The program's descriptions port is taken by another process");

    const QString catalogName = catalog::kCatalogFileName;
    enum Moment { RequestReceived, WriteSeen, CatalogSeen, Elapsed };
    struct Run
    {
        Moment moment;
        qint64 afterRequestMs; // for Elapsed
    };
    // First a run that is left to finish, to learn how long the whole download takes;
    // then kills at events around the write (the request seen, the new copy open) and at
    // fractions of that time.
    qint64 fullRunMs = 0;
    QList<Run> runs{{CatalogSeen, 0}, {RequestReceived, 0}, {WriteSeen, 0}, {WriteSeen, 0}, {WriteSeen, 0}};
    for (int tenth = 2; tenth <= 12; tenth += 2)
        runs.append({Elapsed, -tenth});
    int wholeFiles = 0, missingFiles = 0, killedWhileWriting = 0;

    for (const Run &run : runs) {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const int requestsBefore = server.requests().size();
        QProcess program;
        program.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(QProcess::nullDevice());
        program.start(QStringLiteral(QUILLNET_CONFIGURATOR_PATH), QStringList());
        QVERIFY(program.waitForStarted());

        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray catalogPath = QFile::encodeName(dir.filePath(catalogName));
        QElapsedTimer clock;
        clock.start();
        qint64 requestAt = -1;
        const qint64 killAfter = run.moment == Elapsed ? fullRunMs * -run.afterRequestMs / 10 : 0;
        bool killed = false;
        // Watches the folder as closely as it can until the moment comes; whenever the
        // catalog file is there it must be whole.
        while (!killed && clock.elapsed() < 2 * kDownloadTimeoutMs) {
            if (requestAt < 0 && server.requests().size() > requestsBefore)
                requestAt = clock.elapsed();
            const bool catalogThere = ::access(catalogPath.constData(), F_OK) == 0;
            const bool writing = writingInFolder(program.processId(), folder);
            if (catalogThere) {
                QFile file(dir.filePath(catalogName));
                QVERIFY(file.open(QIODevice::ReadOnly));
                QVERIFY2(file.readAll() == served, "description.json is whole whenever it is there");
            }
            bool now = false;
            switch (run.moment) {
            case RequestReceived: now = requestAt >= 0; break;
            case WriteSeen: now = writing || catalogThere; break;
            case CatalogSeen: now = catalogThere; break;
            case Elapsed: now = requestAt >= 0 && clock.elapsed() - requestAt >= killAfter; break;
            }
            if (now) {
                if (run.moment == CatalogSeen && fullRunMs == 0)
                    fullRunMs = clock.elapsed() - requestAt;
                ::kill(pid_t(program.processId()), SIGKILL);
                killed = true;
                if (writing && !catalogThere)
                    ++killedWhileWriting;
            }
        }
        QVERIFY2(killed, "the moment came within the bound");
        QVERIFY(program.waitForFinished(kDownloadTimeoutMs));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);

        const QStringList left = entries(dir.path());
        if (left.contains(catalogName)) {
            QFile file(dir.filePath(catalogName));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.readAll() == served, "description.json is whole");
            ++wholeFiles;
        } else {
            ++missingFiles;
        }
        if (run.moment == RequestReceived)
            QVERIFY(!left.contains(catalogName));
        if (run.moment == CatalogSeen)
            QVERIFY(left.contains(catalogName));
        // Nothing else is left but, at most, the unfinished copy the write had begun (where
        // files can be written before they are given a name, not even that).
        for (const QString &name : left)
            QVERIFY2(name == catalogName || name.startsWith(catalogName + QLatin1Char('.')), qPrintable(name));
    }
    qInfo("%d runs: description.json whole %d times, missing %d times, killed while writing it %d times; "
          "a full download took %lld ms",
          int(runs.size()), wholeFiles, missingFiles, killedWhileWriting, fullRunMs);
    QVERIFY(fullRunMs > 0);
    QVERIFY2(killedWhileWriting > 0, "at least one kill came while description.json was being written");
}

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
