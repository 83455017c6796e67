#include "fuzzsupport.h"

#include "core/descriptions/catalog.h"
#include "core/descriptions/catalogfile.h"
#include "core/json/jsontext.h"
#include "support/mainwindowprobe.h"
#include "window/app/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <memory>

namespace fuzz {

namespace {

QByteArray readSample(const char *name)
{
    QFile file(QStringLiteral(QUILLNET_FUZZ_SAMPLES_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Cannot read the sample %s\n", qPrintable(file.fileName()));
        std::abort();
    }
    return file.readAll();
}

// The settings file is written in full, and synced to disk, on every input that stores
// the module list: a folder in memory keeps that from bounding the speed of the run.
QString temporaryFolderTemplate()
{
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    const QString base = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    return base + QStringLiteral("/quillnet-fuzz-XXXXXX");
}

// Members are destroyed in reverse order: the window first, the folder last.
struct Session
{
    QTemporaryDir folder{temporaryFolderTemplate()};
    std::unique_ptr<QApplication> application;
    std::unique_ptr<MainWindow> window;
};

std::unique_ptr<Session> &session()
{
    static std::unique_ptr<Session> instance;
    return instance;
}

} // namespace

void checkLookups(const QJsonObject &object)
{
    for (auto member = object.constBegin(); member != object.constEnd(); ++member) {
        FUZZ_CHECK(object.contains(member.key()));
        FUZZ_CHECK(sameJsonValue(object.value(member.key()), member.value()));
        if (member.value().isObject())
            checkLookups(member.value().toObject());
    }
}

QJsonObject samplePages()
{
    static const QJsonObject pages = QJsonDocument::fromJson(readSample("pages.json"))
                                         .object()
                                         .value(QStringLiteral("pages"))
                                         .toObject();
    return pages;
}

QByteArray sampleCatalogText()
{
    static const QByteArray text = readSample("catalog.json");
    return text;
}

QJsonObject sampleCatalog()
{
    static const QJsonObject catalog = QJsonDocument::fromJson(sampleCatalogText()).object();
    return catalog;
}

void startWindow(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // libFuzzer reads its corpus folders, input files and flags only after this returns,
    // and works with those paths after the working directory has changed: make them
    // absolute.
    const QByteArray folder = QDir::currentPath().toLocal8Bit() + '/';
    static const QByteArray pathFlags[] = {"-dict=", "-artifact_prefix=", "-exact_artifact_path="};
    for (int i = 1; i < *argc; ++i) {
        char *&argument = (*argv)[i];
        QByteArray text(argument);
        int valueStart = 0;
        if (text.startsWith('-')) {
            valueStart = -1;
            for (const QByteArray &flag : pathFlags) {
                if (text.startsWith(flag))
                    valueStart = flag.size();
            }
        }
        if (valueStart < 0 || text.mid(valueStart).startsWith('/'))
            continue;
        text.insert(valueStart, folder);
        argument = qstrdup(text.constData());
    }
    auto state = std::make_unique<Session>();
    if (!state->folder.isValid() || !QDir::setCurrent(state->folder.path())) {
        std::fprintf(stderr, "Cannot work in a temporary folder\n");
        std::abort();
    }
    QFile catalogFile(kCatalogFileName);
    if (!catalogFile.open(QIODevice::WriteOnly) || catalogFile.write(sampleCatalogText()) < 0) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(kCatalogFileName));
        std::abort();
    }
    catalogFile.close();
    state->application = std::make_unique<QApplication>(*argc, *argv);
    state->window = std::make_unique<MainWindow>();
    // No target listens for announcements: give the discovery port back at once, so that
    // a run never keeps the tests (or a configurator) from binding it.
    MainWindowProbe(*state->window).udpSocket().close();
    session() = std::move(state);
}

MainWindow &window()
{
    return *session()->window;
}

} // namespace fuzz
