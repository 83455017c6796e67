// description.json and the download that replaces it: the catalog in use is replaced only by
// a JSON object, and the file only whole, even when the program is killed meanwhile.

#include "core/descriptions/catalogfile.h"
#include "core/descriptions/descriptionsserver.h"
#include "support/openfiles.h"
#include "support/rawmodule.h"
#include "support/waituntil.h"
#include "support/windowfixture.h"
#include "window/app/uitexts.h"

#include <QThread>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kCatalogPath = QStringLiteral("/api/app/init.json");
// A catalog as a server would send it: line ends of another platform, Cyrillic titles.
const QByteArray kServedCatalog = "{\r\n  \"sysall\": {\"select\": {\"1\": \"Сеть\", \"2\": \"Порты\"}},\r\n"
                                  "  \"2\": {\"allcfg\": {\"title\": \"Порт\", \"type\": 1}}\r\n}\r\n";
const QByteArray kOldCatalog = "{\"sysall\":{\"select\":{\"1\":\"Старое\"}}}\n";
// Boxes as "icon|title|text|tied to the window".
const QString kUpdatedBox
    = QString("%1|О программе|Описания успешно обновлены|0").arg(QMessageBox::Information);
const QString kReadErrorBox
    = QString("%1|Ошибка|Ошибка чтения файла описаний description.json|1").arg(QMessageBox::Warning);

QStringList boxes(const ModalWatcher &modals)
{
    QStringList seen;
    for (const ModalRecord &box : modals.records)
        seen << QString("%1|%2|%3|%4").arg(box.icon).arg(box.title, box.text).arg(box.hasParent);
    return seen;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Lowers the file size limit while it lives: writing past it fails as on a full disk, for root too.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit lowered{bytes, previous.rlim_max};
        active = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous); }
    rlimit previous{};
    bool active = false;
};

enum Obstacle { None, Folder, DiskFull }; // in the way of a new description.json

} // namespace

class TestDescriptionsFile : public QObject
{
    Q_OBJECT

private slots:
    // A missing file is downloaded at start-up; a second request meanwhile sends nothing.
    void startUpDownloadsAMissingCatalogOnce()
    {
        WindowFixture f;
        f.sim.setCatalog(kServedCatalog);
        f.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, {ModuleSimulator::Fault::None, 500, 300});
        f.open({}, QByteArray());
        QNetworkReply *pending = f.probe->descriptionReply();
        QVERIFY(pending && f.trigger("Обновить описания"));
        QCOMPARE(f.probe->descriptionReply(), pending);
        WAIT_VERIFY(!f.probe->descriptionReply());
        QCOMPARE(boxes(f.modals), QStringList{kUpdatedBox});
        QCOMPARE(f.probe->descriptions(), jsonObject(kServedCatalog));
        QCOMPARE(f.dir.readFile(kCatalogFileName), kServedCatalog);
        // Once it has finished, the next request goes out again.
        f.sim.setCatalog("{}");
        QVERIFY(f.trigger("Обновить описания"));
        WAIT_VERIFY(!f.probe->descriptionReply());
        QCOMPARE(f.sim.requests(), (QStringList{kCatalogPath, kCatalogPath}));
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("old"); // description.json at start-up
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<int>("obstacle");
        QTest::addColumn<bool>("accepted");
        const auto row = [](const char *name, int status, const QByteArray &served, bool accepted,
                            Obstacle obstacle = None, const QByteArray &old = kOldCatalog) {
            QTest::newRow(name) << old << status << served << int(obstacle) << accepted;
        };
        const auto padded = [](int size) {
            return "{\"sysall\":{\"select\":{\"1\":\"Новое\"}},\"pad\":\"" + QByteArray(size, 'x') + "\"}";
        };
        row("catalog, byte for byte", 200, kServedCatalog, true);
        // A copy that is no JSON object is no catalog, without a word: a fresh one replaces it.
        row("over a copy cut short", 200, kServedCatalog, true, None, kServedCatalog.left(20));
        row("empty object: an empty catalog", 200, "{}", true);
        row("HTTP error with a catalog as its body", 500, kServedCatalog, false);
        row("not JSON", 200, "<html>descriptions</html>", false);
        row("array", 200, "[{\"sysall\":{}}]", false);
        row("folder in the way", 200, kServedCatalog, true, Folder);
        // Below and above the size that file writes keep in their buffer.
        row("disk full, small catalog", 200, padded(3000), true, DiskFull);
        row("disk full, large catalog", 200, padded(40000), true, DiskFull);
    }
    void download()
    {
        QFETCH(QByteArray, old);
        QFETCH(int, status);
        QFETCH(QByteArray, served);
        QFETCH(int, obstacle);
        QFETCH(bool, accepted);
        WindowFixture f;
        RawModule server;
        server.respond = [&](const QByteArray &) {
            return RawModule::answer(status, served);
        };
        setDescriptionsHost(server.address());
        const QString file = obstacle == Folder ? kCatalogFileName + "/kept.json" : kCatalogFileName;
        if (obstacle == Folder) {
            QVERIFY(QDir().mkdir(kCatalogFileName));
            QTest::ignoreMessage(QtDebugMsg, uitexts::logErrorLoad);
        }
        f.dir.writeFile(file, old);
        f.openWindow();
        // A folder in the way cannot be read at start-up either.
        QCOMPARE(boxes(f.modals), obstacle == Folder ? QStringList{kReadErrorBox} : QStringList());
        QCOMPARE(f.probe->descriptions(), jsonObject(obstacle == Folder ? "{}" : old));
        f.modals.clear();

        if (!accepted)
            QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
        if (obstacle != None)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^description\\.json: .+"));
        {
            // Room for the old catalog, not for the new one.
            std::unique_ptr<FileSizeLimit> limit(obstacle == DiskFull ? new FileSizeLimit(1024) : nullptr);
            QVERIFY(!limit || limit->active);
            QVERIFY(f.trigger("Обновить описания"));
            WAIT_VERIFY(!f.probe->descriptionReply());
        }
        QCOMPARE(boxes(f.modals), accepted ? QStringList{kUpdatedBox} : QStringList());
        QCOMPARE(f.probe->descriptions(), jsonObject(accepted ? served : old));
        QCOMPARE(f.dir.readFile(file), accepted && obstacle == None ? served : old);
        QCOMPARE(entries(f.dir.path()), QStringList{kCatalogFileName});
        QCOMPARE(server.targets, QList<QByteArray>{kCatalogPath.toUtf8()});
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

        // The first run is killed once the file is there, the two others as soon as it is being
        // written: each of them nearly always comes in time, and a run takes over a second.
        int killedWhileWriting = 0;
        for (int run = 0; run < 3; ++run) {
            QTemporaryDir dir;
            QFile file(dir.filePath(kCatalogFileName));
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
            for (;;) {
                there = file.exists();
                writing = hasFileOpenUnder(program.processId(), QFile::encodeName(dir.path()));
                if (there || (run > 0 && writing) || clock.elapsed() >= kWaitMs)
                    break;
                // Polled closely, but not in a spin that takes a processor from the program.
                QThread::usleep(200);
            }
            ::kill(pid_t(program.processId()), SIGKILL);
            QVERIFY2(there || writing, "the moment came within the bound");
            QVERIFY2(!there || whole(), "description.json is whole as soon as it is there");
            file.close();
            killedWhileWriting += !there;
            QVERIFY(program.waitForFinished(kWaitMs));
            QVERIFY2(file.exists() ? whole() : run > 0,
                     "description.json is whole, and there after the first run");
            // At most the unfinished copy the write had begun is left beside it.
            for (const QString &name : entries(dir.path()))
                QVERIFY2(name == kCatalogFileName || name.startsWith(kCatalogFileName + '.'),
                         qPrintable(name));
        }
        QVERIFY2(killedWhileWriting > 0, "at least one kill came while description.json was being written");
    }
};

QTEST_MAIN(TestDescriptionsFile)
#include "tst_descriptionsfile.moc"
