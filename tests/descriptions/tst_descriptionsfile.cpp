#include "app/uitexts.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

namespace {

const int kWaitMs = 10000;
const QString kFile = QStringLiteral("description.json");
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

QJsonObject parsed(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

// A window in a fresh folder, the simulator its descriptions server, every box recorded and closed.
struct Session
{
    TestWorkDir dir;
    SimFixture fx;
    ModalWatcher watcher;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;

    void start()
    {
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
    }
    void updateFromMenu() { window->menuBar()->actions().at(0)->menu()->actions().at(1)->trigger(); }
    QStringList boxes() const
    {
        QStringList seen;
        for (const ModalRecord &box : watcher.records)
            seen << QString("%1|%2|%3|%4").arg(box.icon).arg(box.title, box.text).arg(box.hasParent);
        return seen;
    }
    // Whatever the window has left in its folder; options.ini comes only at exit.
    QStringList files() const { return QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
};

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
using F = ModuleSimulator::Fault;

} // namespace

class TestDescriptionsFile : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: none
        QTest::addColumn<QByteArray>("catalog");
        QTest::addColumn<QStringList>("boxes");
        const auto row = [](const char *name, const QByteArray &file, const QByteArray &catalog,
                            const QStringList &boxes = {}) {
            QTest::newRow(name) << file << catalog << boxes;
        };
        row("missing: downloaded", {}, kServedCatalog, {kUpdatedBox});
        row("present", kServedCatalog, kServedCatalog);
        row("UTF-8 with a byte-order mark", "\xef\xbb\xbf" + kOldCatalog, kOldCatalog);
        // Anything else is no catalog, without a word: the user can download a fresh one.
        row("not JSON", "<html>descriptions</html>", "{}");
        row("empty file", "", "{}");
        row("cut short", kServedCatalog.left(kServedCatalog.size() / 2), "{}");
        row("Windows-1251 titles", "{\"sysall\":{\"select\":{\"1\":\"\xd1\xf2\xe0\xf0\xee\xe5\"}}}", "{}");
        row("UTF-16", QByteArray("\xff\xfe{\0}\0", 6), "{}");
    }
    void startUp()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, catalog);
        QFETCH(QStringList, boxes);
        Session s;
        s.fx.sim.setCatalog(kServedCatalog);
        if (!file.isNull())
            s.dir.writeFile(kFile, file);
        s.start();
        QCOMPARE(s.probe->descriptionReply() != nullptr, file.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(!s.probe->descriptionReply(), kWaitMs);
        QCOMPARE(s.boxes(), boxes);
        QCOMPARE(s.probe->descriptions(), parsed(catalog));
        QCOMPARE(s.fx.sim.requests(), file.isNull() ? QStringList{kCatalogPath} : QStringList());
        QCOMPARE(s.dir.readFile(kFile), file.isNull() ? kServedCatalog : file);
    }

    // A download replaces the catalog in use only with a JSON object, and its file only
    // whole: when the new one cannot be written the old one stays and a warning is logged.
    void download_data()
    {
        QTest::addColumn<int>("fault"); // of the server
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<int>("obstacle");
        QTest::addColumn<bool>("accepted");
        const auto row = [](const char *name, F fault, const QByteArray &served, bool accepted,
                            Obstacle obstacle = None) {
            QTest::newRow(name) << int(fault) << served << int(obstacle) << accepted;
        };
        const auto padded = [](int size) {
            return "{\"sysall\":{\"select\":{\"1\":\"Новое\"}},\"pad\":\"" + QByteArray(size, 'x') + "\"}";
        };
        row("catalog, byte for byte", F::None, kServedCatalog, true);
        row("empty object: an empty catalog", F::None, "{}", true);
        row("HTTP 500", F::HttpStatus, kServedCatalog, false);
        row("invalid JSON", F::InvalidJson, kServedCatalog, false);
        row("array", F::None, "[{\"sysall\":{}}]", false);
        row("folder in the way", F::None, kServedCatalog, true, Folder);
        // Below and above the size that file writes keep in their buffer.
        row("disk full, small catalog", F::None, padded(3000), true, DiskFull);
        row("disk full, large catalog", F::None, padded(40000), true, DiskFull);
    }
    void download()
    {
        QFETCH(int, fault);
        QFETCH(QByteArray, served);
        QFETCH(int, obstacle);
        QFETCH(bool, accepted);
        Session s;
        s.fx.sim.setCatalog(served);
        s.fx.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, {F(fault), 500, 0});
        const QString old = obstacle == Folder ? kFile + "/kept.json" : kFile;
        if (obstacle == Folder) {
            QVERIFY(QDir().mkdir(kFile));
            QTest::ignoreMessage(QtDebugMsg, uitexts::logErrorLoad);
        }
        s.dir.writeFile(old, kOldCatalog);
        s.start();
        // A folder in the way cannot be read at start-up either.
        QCOMPARE(s.boxes(), obstacle == Folder ? QStringList{kReadErrorBox} : QStringList());
        QCOMPARE(s.probe->descriptions(), parsed(obstacle == Folder ? "{}" : kOldCatalog));
        s.watcher.clear();

        if (!accepted)
            QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
        if (obstacle != None)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^description\\.json: .+"));
        {
            // Room for the old catalog, not for the new one.
            std::unique_ptr<FileSizeLimit> limit(obstacle == DiskFull ? new FileSizeLimit(1024) : nullptr);
            QVERIFY(!limit || limit->active);
            s.updateFromMenu();
            QTRY_VERIFY_WITH_TIMEOUT(!s.probe->descriptionReply(), kWaitMs);
        }
        QCOMPARE(s.boxes(), accepted ? QStringList{kUpdatedBox} : QStringList());
        QCOMPARE(s.probe->descriptions(), parsed(accepted ? served : kOldCatalog));
        QCOMPARE(s.dir.readFile(old), accepted && obstacle == None ? served : kOldCatalog);
        QCOMPARE(s.files(), QStringList{kFile});
        QCOMPARE(s.fx.sim.requests(), QStringList{kCatalogPath});
    }

    void secondRequestWhileStartUpDownloadRunsIsIgnored()
    {
        Session s;
        s.fx.sim.setCatalog(kServedCatalog);
        s.fx.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, {F::None, 500, 300});
        s.start();
        QNetworkReply *pending = s.probe->descriptionReply();
        s.updateFromMenu();
        s.probe->loaddescription();
        QCOMPARE(s.probe->descriptionReply(), pending);
        QTRY_VERIFY_WITH_TIMEOUT(!s.probe->descriptionReply(), kWaitMs);
        QCOMPARE(s.boxes(), QStringList{kUpdatedBox});
        // Once it has finished, the next request goes out again.
        s.fx.sim.setCatalog("{}");
        s.updateFromMenu();
        QTRY_VERIFY_WITH_TIMEOUT(!s.probe->descriptionReply(), kWaitMs);
        QCOMPARE(s.fx.sim.requests(), (QStringList{kCatalogPath, kCatalogPath}));
    }
};

QTEST_MAIN(TestDescriptionsFile)
#include "tst_descriptionsfile.moc"
