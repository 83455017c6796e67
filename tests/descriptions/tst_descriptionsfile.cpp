#include "app/mainwindow.h"
#include "app/uitexts.h"
#include "descriptions/catalog.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(ModuleSimulator::Fault)

namespace {

constexpr int kDownloadTimeoutMs = 10000;
const QString kCatalogPath = QStringLiteral("/api/app/init.json");

// A catalog as a server would send it: line ends of another platform, Cyrillic titles.
const QByteArray kServedCatalog = "{\r\n  \"sysall\": {\"select\": {\"1\": \"Сеть\", \"2\": \"Порты\"}},\r\n"
                                  "  \"2\": {\"allcfg\": {\"title\": \"Порт\", \"type\": 1}}\r\n}\r\n";
// The catalog already on disk before a download.
const QByteArray kOldCatalog = "{\"sysall\":{\"select\":{\"1\":\"Старое\"}}}\n";

QJsonObject parsed(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

QString mainWindowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QAction *updateAction(MainWindow &window)
{
    const QString text = mainWindowText(uitexts::updateDescriptionsAction);
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// Files of the working folder other than options.ini, which the window keeps there too.
QStringList workFiles(const TestWorkDir &dir)
{
    QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("options.ini"));
    return names;
}

void expectUpdatedBox(const ModalRecord &box)
{
    QCOMPARE(box.className, QStringLiteral("QMessageBox"));
    QCOMPARE(box.title, mainWindowText(uitexts::aboutTitle));
    QCOMPARE(box.title, QStringLiteral("О программе"));
    QCOMPARE(box.text, QStringLiteral("Описания успешно обновлены"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.hasParent);
}

// Lowers the process's file size limit for the lifetime of the object: writing past it
// fails as on a full disk, which holds for root as well. Output that goes to files may be
// cut meanwhile; output to a terminal or pipe is not affected.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit lowered = previous;
        lowered.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active = false;

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

} // namespace

class TestDescriptionsFile : public QObject
{
    Q_OBJECT

private slots:
    void startUpWithoutFileDownloads();
    void startUpWithFileLoadsIt();
    void startUpWithInvalidFile_data();
    void startUpWithInvalidFile();
    void startUpWithUnreadableFile();
    void updateReplacesCatalogAndFile_data();
    void updateReplacesCatalogAndFile();
    void brokenAnswerChangesNothing_data();
    void brokenAnswerChangesNothing();
    void fileInTheWayKeepsIt();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void secondRequestWhilePendingIsIgnored();
};

void TestDescriptionsFile::startUpWithoutFileDownloads()
{
    TestWorkDir dir;
    SimFixture fx;
    fx.sim.setCatalog(kServedCatalog);
    ModalWatcher watcher;

    MainWindow window;
    MainWindowProbe probe(window);
    QVERIFY(probe.descriptionReply());
    QVERIFY(probe.descriptions().isEmpty());

    // The box comes by itself, without the user doing anything.
    QTRY_COMPARE_WITH_TIMEOUT(watcher.count(), 1, kDownloadTimeoutMs);
    expectUpdatedBox(watcher.last());
    QTRY_VERIFY(!probe.descriptionReply());
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), kServedCatalog);
    QCOMPARE(probe.descriptions(), parsed(kServedCatalog));
    QCOMPARE(fx.sim.requests(), QStringList{kCatalogPath});
    QCOMPARE(workFiles(dir), QStringList{catalog::kCatalogFileName});
}

void TestDescriptionsFile::startUpWithFileLoadsIt()
{
    TestWorkDir dir;
    SimFixture fx;
    dir.writeFile(catalog::kCatalogFileName, kServedCatalog);
    ModalWatcher watcher;

    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(probe.descriptions(), parsed(kServedCatalog));
    QVERIFY(!probe.descriptionReply());
    QCoreApplication::processEvents();
    QCOMPARE(watcher.count(), 0);
    QVERIFY(fx.sim.requests().isEmpty());
}

void TestDescriptionsFile::startUpWithInvalidFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not JSON") << QByteArray("<html>descriptions</html>");
    QTest::newRow("array") << QByteArray("[{\"sysall\":{}}]");
    QTest::newRow("null") << QByteArray("null");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("cut short") << kServedCatalog.left(kServedCatalog.size() / 2);
}

void TestDescriptionsFile::startUpWithInvalidFile()
{
    QFETCH(QByteArray, content);
    TestWorkDir dir;
    SimFixture fx;
    dir.writeFile(catalog::kCatalogFileName, content);
    ModalWatcher watcher;

    MainWindow window;
    MainWindowProbe probe(window);
    QVERIFY(probe.descriptions().isEmpty());
    QVERIFY(!probe.descriptionReply());
    QCoreApplication::processEvents();
    QCOMPARE(watcher.count(), 0);
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), content);
    QVERIFY(fx.sim.requests().isEmpty());
}

void TestDescriptionsFile::startUpWithUnreadableFile()
{
    TestWorkDir dir;
    SimFixture fx;
    // Permissions do not stop root, so the unreadable "file" is a folder.
    QVERIFY(QDir(dir.path()).mkdir(catalog::kCatalogFileName));
    ModalWatcher watcher;

    QTest::ignoreMessage(QtDebugMsg, uitexts::logErrorLoad);
    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(watcher.count(), 1);
    const ModalRecord &box = watcher.last();
    QCOMPARE(box.className, QStringLiteral("QMessageBox"));
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QCOMPARE(box.text, QStringLiteral("Ошибка чтения файла описаний description.json"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(box.hasParent);
    QVERIFY(probe.descriptions().isEmpty());
    QVERIFY(!probe.descriptionReply());
    QVERIFY(fx.sim.requests().isEmpty());
}

void TestDescriptionsFile::updateReplacesCatalogAndFile_data()
{
    QTest::addColumn<QByteArray>("served");
    QTest::newRow("catalog") << kServedCatalog;
    // An empty object is a valid, empty catalog.
    QTest::newRow("empty object") << QByteArray("{}");
    QTest::newRow("sample catalog") << QByteArray();
}

void TestDescriptionsFile::updateReplacesCatalogAndFile()
{
    QFETCH(QByteArray, served);
    TestWorkDir dir;
    SimFixture fx;
    if (!served.isNull())
        fx.sim.setCatalog(served);
    dir.writeFile(catalog::kCatalogFileName, kOldCatalog);
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(probe.descriptions(), parsed(kOldCatalog));

    QAction *action = updateAction(window);
    QVERIFY(action);
    action->trigger();
    QVERIFY(probe.descriptionReply());
    QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), kDownloadTimeoutMs);

    QCOMPARE(watcher.count(), 1);
    expectUpdatedBox(watcher.last());
    QCOMPARE(fx.sim.requests(), QStringList{kCatalogPath});
    const QByteArray written = dir.readFile(catalog::kCatalogFileName);
    if (!served.isNull())
        QCOMPARE(written, served);
    QVERIFY(written != kOldCatalog);
    QCOMPARE(probe.descriptions(), parsed(written));
    if (served.isNull())
        QVERIFY(!catalog::pageTitles(probe.descriptions()).isEmpty());
    QCOMPARE(workFiles(dir), QStringList{catalog::kCatalogFileName});
}

void TestDescriptionsFile::brokenAnswerChangesNothing_data()
{
    QTest::addColumn<ModuleSimulator::Fault>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("served");
    QTest::addColumn<bool>("serverDown");

    using Fault = ModuleSimulator::Fault;
    QTest::newRow("HTTP 500") << Fault::HttpStatus << 500 << QByteArray() << false;
    QTest::newRow("HTTP 404") << Fault::HttpStatus << 404 << QByteArray() << false;
    QTest::newRow("server down") << Fault::None << 0 << QByteArray() << true;
    QTest::newRow("invalid JSON") << Fault::InvalidJson << 0 << QByteArray() << false;
    QTest::newRow("firmware null text") << Fault::NullPage << 0 << QByteArray() << false;
    QTest::newRow("array") << Fault::None << 0 << QByteArray("[{\"sysall\":{}}]") << false;
    QTest::newRow("null") << Fault::None << 0 << QByteArray("null") << false;
    QTest::newRow("empty body") << Fault::None << 0 << QByteArray("") << false;
    QTest::newRow("cut short") << Fault::None << 0 << kServedCatalog.left(kServedCatalog.size() / 2) << false;
}

void TestDescriptionsFile::brokenAnswerChangesNothing()
{
    QFETCH(ModuleSimulator::Fault, fault);
    QFETCH(int, status);
    QFETCH(QByteArray, served);
    QFETCH(bool, serverDown);
    TestWorkDir dir;
    SimFixture fx;
    if (!served.isNull())
        fx.sim.setCatalog(served);
    ModuleSimulator::Behaviour behaviour;
    behaviour.fault = fault;
    behaviour.status = status;
    fx.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, behaviour);
    dir.writeFile(catalog::kCatalogFileName, kOldCatalog);
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);
    if (serverDown)
        fx.sim.stop();

    QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
    probe.loaddescription();
    QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), kDownloadTimeoutMs);

    QCoreApplication::processEvents();
    QCOMPARE(watcher.count(), 0);
    QCOMPARE(probe.descriptions(), parsed(kOldCatalog));
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), kOldCatalog);
    QCOMPARE(workFiles(dir), QStringList{catalog::kCatalogFileName});
    if (!serverDown)
        QCOMPARE(fx.sim.requests(), QStringList{kCatalogPath});
}

void TestDescriptionsFile::fileInTheWayKeepsIt()
{
    // A folder named like the catalog file: it cannot be read at start-up, and a
    // download can update the catalog in use but cannot replace the folder.
    TestWorkDir dir;
    SimFixture fx;
    fx.sim.setCatalog(kServedCatalog);
    QDir work(dir.path());
    QVERIFY(work.mkdir(catalog::kCatalogFileName));
    const QString kept = catalog::kCatalogFileName + QStringLiteral("/kept.json");
    dir.writeFile(kept, kOldCatalog);
    ModalWatcher watcher;
    QTest::ignoreMessage(QtDebugMsg, uitexts::logErrorLoad);
    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(watcher.count(), 1);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^description\\.json: .+")));
    probe.loaddescription();
    QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), kDownloadTimeoutMs);

    // The catalog in use was updated, so the update is reported.
    QCOMPARE(watcher.count(), 2);
    expectUpdatedBox(watcher.last());
    QCOMPARE(probe.descriptions(), parsed(kServedCatalog));
    QVERIFY(QFileInfo(dir.filePath(catalog::kCatalogFileName)).isDir());
    QCOMPARE(dir.readFile(kept), kOldCatalog);
    QCOMPARE(QDir(dir.filePath(catalog::kCatalogFileName)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("kept.json")});
    QCOMPARE(workFiles(dir), QStringList{catalog::kCatalogFileName});
}

void TestDescriptionsFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<int>("size");
    // Below and above the size that file writes keep in their buffer.
    QTest::newRow("small catalog") << 3000;
    QTest::newRow("large catalog") << 40000;
}

void TestDescriptionsFile::failedWriteKeepsOldFile()
{
    QFETCH(int, size);
    TestWorkDir dir;
    SimFixture fx;
    QByteArray served = "{\"sysall\":{\"select\":{\"1\":\"Новое\"}},\"pad\":\"";
    served += QByteArray(size, 'x') + "\"}";
    fx.sim.setCatalog(served);
    dir.writeFile(catalog::kCatalogFileName, kOldCatalog);
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(probe.descriptions(), parsed(kOldCatalog));

    {
        // Room for the old catalog, not for the new one: as a disk that fills up.
        FileSizeLimit limit(1024);
        QVERIFY(limit.active);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^description\\.json: ")));
        probe.loaddescription();
        QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), kDownloadTimeoutMs);
    }

    QCOMPARE(watcher.count(), 1);
    expectUpdatedBox(watcher.last());
    QCOMPARE(probe.descriptions(), parsed(served));
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), kOldCatalog);
    QCOMPARE(workFiles(dir), QStringList{catalog::kCatalogFileName});
}

void TestDescriptionsFile::secondRequestWhilePendingIsIgnored()
{
    // The start-up download is still running when the user asks for one more.
    TestWorkDir dir;
    SimFixture fx;
    fx.sim.setCatalog(kServedCatalog);
    ModuleSimulator::Behaviour slow;
    slow.delayMs = 300;
    fx.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, slow);
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);
    QNetworkReply *pending = probe.descriptionReply();
    QVERIFY(pending);

    QAction *action = updateAction(window);
    QVERIFY(action);
    action->trigger();
    probe.loaddescription();
    QCOMPARE(probe.descriptionReply(), pending);

    QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), kDownloadTimeoutMs);
    QCOMPARE(watcher.count(), 1);
    expectUpdatedBox(watcher.last());
    QCOMPARE(fx.sim.requests(), QStringList{kCatalogPath});
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), kServedCatalog);

    // Once it has finished, the next request goes out again.
    fx.sim.clearBehaviours();
    fx.sim.setCatalog("{}");
    action->trigger();
    QVERIFY(probe.descriptionReply());
    QTRY_VERIFY_WITH_TIMEOUT(!probe.descriptionReply(), kDownloadTimeoutMs);
    QCOMPARE(watcher.count(), 2);
    QCOMPARE(fx.sim.requests(), (QStringList{kCatalogPath, kCatalogPath}));
    QVERIFY(probe.descriptions().isEmpty());
    QCOMPARE(dir.readFile(catalog::kCatalogFileName), QByteArray("{}"));
}

QTEST_MAIN(TestDescriptionsFile)
#include "tst_descriptionsfile.moc"
