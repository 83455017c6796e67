#include "core/device/modulelock.h"

#include "core/device/modulerequests.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How often a waiter looks at the lock again, and how often its holder touches it: often
// enough for the shortest request timeout quillnet takes.
constexpr int kRetryMs = 20;
constexpr int kHeartbeatMs = 100;
constexpr int kHashLength = 8;
const QString kFolderName = QStringLiteral("quillnet");
const QString kLockSuffix = QStringLiteral(".lock");

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A folder only this user may enter, made if missing; never a link, so no one else can
// point the locks elsewhere.
bool ownFolder(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot make the lock folder %1: %2").arg(path, systemError());
        return false;
    }
    struct stat status = {};
    if (::lstat(native.constData(), &status) != 0) {
        *error = QStringLiteral("cannot read the lock folder %1: %2").arg(path, systemError());
        return false;
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() || (status.st_mode & (S_IRWXG | S_IRWXO))) {
        *error = QStringLiteral("the lock folder %1 is not a folder of this user's alone").arg(path);
        return false;
    }
    return true;
}

} // namespace

ModuleLock::ModuleLock(const QString &moduleAddress, QObject *parent)
    : QObject(parent)
    , address(moduleAddress)
{
    retry.setSingleShot(true);
    connect(&retry, &QTimer::timeout, this, &ModuleLock::tryOnce);
    heartbeat.setInterval(kHeartbeatMs);
    connect(&heartbeat, &QTimer::timeout, this,
            [this] { ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0); });
}

ModuleLock::~ModuleLock()
{
    release();
}

QString ModuleLock::folder(QString *error)
{
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    const QString path = !runtime.isEmpty() && QFileInfo(runtime).isDir()
        ? QDir(runtime).filePath(kFolderName)
        : QDir(QDir::tempPath()).filePath(kFolderName + QLatin1Char('-') + QString::number(::geteuid()));
    return ownFolder(path, error) ? path : QString();
}

QString ModuleLock::fileName(const QString &moduleAddress, const QString &folder)
{
    // "192.168.4.20:80", readable, and a hash so that two addresses never share a file.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9.-]"));
    const QString key = moduleAddressKey(moduleAddress);
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(kHashLength));
    return QDir(folder).filePath(QString(key).replace(unsafe, QStringLiteral("_")) + QLatin1Char('-') + hash
                                 + kLockSuffix);
}

void ModuleLock::acquire(int timeout, std::function<void(const QString &)> whenDone)
{
    done = std::move(whenDone);
    timeoutMs = timeout;
    waitingSince = QDateTime::currentMSecsSinceEpoch();
    // A free lock is taken at once, which spares each save a turn of the event loop; a busy
    // one, and any failure, is told from the event loop.
    if (!takeIfFree())
        retry.start(0);
}

void ModuleLock::tell(const QString &error)
{
    const auto told = std::move(done);
    done = nullptr;
    if (told)
        told(error);
}

bool ModuleLock::takeIfFree()
{
    if (!file) {
        const QString lockFolder = folder(&folderError);
        if (lockFolder.isEmpty())
            return false;
        path = fileName(address, lockFolder);
        file = std::make_unique<QLockFile>(path);
        // Only the lock of a process that is gone is taken over, however long it was held.
        file->setStaleLockTime(0);
    }
    if (!file->tryLock(0))
        return false;
    held = true;
    heartbeat.start();
    tell({});
    return true;
}

void ModuleLock::tryOnce()
{
    if (takeIfFree())
        return;
    if (!file)
        return tell(folderError);
    if (file->error() != QLockFile::LockFailedError)
        return tell(QStringLiteral("cannot make the lock file %1").arg(path));
    const qint64 lastSign = qMax(waitingSince, QFileInfo(path).lastModified().toMSecsSinceEpoch());
    if (QDateTime::currentMSecsSinceEpoch() - lastSign >= timeoutMs) {
        return tell(QStringLiteral("another writer on this machine (%1) holds the module and has shown no "
                                   "sign of life for %2 s")
                        .arg(holderText())
                        .arg(timeoutMs / 1000.0));
    }
    retry.start(kRetryMs);
}

QString ModuleLock::holderText() const
{
    qint64 pid = 0;
    QString host, application;
    if (!file || !file->getLockInfo(&pid, &host, &application))
        return QStringLiteral("lock file %1").arg(path);
    return QStringLiteral("%1, process %2").arg(application).arg(pid);
}

void ModuleLock::release()
{
    retry.stop();
    heartbeat.stop();
    done = nullptr;
    if (held)
        file->unlock();
    held = false;
}
