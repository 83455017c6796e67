#include "cli/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kOwnerOnly = 0600;
// Hidden names of content being written: ".NAME.quillnet-partial-PID".
const QString kPartialMarker = QStringLiteral(".quillnet-partial-");

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

bool processAlive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

void syncDirectory(const QString &directory)
{
    const int dirFd = ::open(native(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

AtomicFile::AtomicFile(const QString &path)
    : path(QFileInfo(path).absoluteFilePath())
    , directory(QFileInfo(path).absolutePath())
{ }

AtomicFile::~AtomicFile()
{
    if (fd >= 0)
        ::close(fd);
    if (!partial.isEmpty())
        ::unlink(native(partial).constData());
}

bool AtomicFile::fail(const QString &what)
{
    error = QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

QString AtomicFile::partialPath(qint64 pid) const
{
    return directory + QLatin1Char('/') + QLatin1Char('.') + QFileInfo(path).fileName() + kPartialMarker
        + QString::number(pid);
}

void AtomicFile::removeStalePartials() const
{
    const QString prefix = QLatin1Char('.') + QFileInfo(path).fileName() + kPartialMarker;
    const QStringList names
        = QDir(directory).entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        bool ok = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&ok);
        if (ok && !processAlive(pid))
            QFile::remove(QDir(directory).filePath(name));
    }
}

bool AtomicFile::open()
{
    // A link points at a file this class did not choose; replacing it would drop the link
    // and the file it names would keep the old content.
    if (QFileInfo(path).isSymLink()) {
        error = QStringLiteral("%1 is a symbolic link; it is not replaced").arg(path);
        return false;
    }
    fd = ::open(native(directory).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kOwnerOnly);
    if (fd < 0) {
        // Kernels and file systems without unnamed files refuse in one of these ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return fail(QStringLiteral("cannot write"));
        if (!openNamed())
            return false;
    }
    // The mode given to open() passes through the umask; the file must end up 0600 exactly.
    if (::fchmod(fd, kOwnerOnly) != 0)
        return fail(QStringLiteral("cannot set the mode of"));
    return true;
}

bool AtomicFile::openNamed()
{
    // Only a file system without unnamed files ever gets hidden names, so only there can a
    // writer that died have left one. Looking costs a listing of the folder, once per file.
    removeStalePartials();
    partial = partialPath(::getpid());
    fd = ::open(native(partial).constData(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, kOwnerOnly);
    if (fd < 0) {
        partial.clear();
        return fail(QStringLiteral("cannot write"));
    }
    return true;
}

bool AtomicFile::write(const QByteArray &data)
{
    const char *next = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(QStringLiteral("cannot write"));
        }
        next += written;
        left -= written;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (::fsync(fd) != 0)
        return fail(QStringLiteral("cannot write"));
    if (partial.isEmpty()) {
        // The unnamed file gets a name; when the target exists, a hidden one first, and then
        // the rename replaces the target in one step.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, native(path).constData(), AT_SYMLINK_FOLLOW)
            == 0) {
            syncDirectory(directory);
            return true;
        }
        if (errno != EEXIST)
            return fail(QStringLiteral("cannot write"));
        partial = partialPath(::getpid());
        ::unlink(native(partial).constData());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, native(partial).constData(), AT_SYMLINK_FOLLOW)
            != 0) {
            partial.clear();
            return fail(QStringLiteral("cannot write"));
        }
    }
    if (::rename(native(partial).constData(), native(path).constData()) != 0)
        return fail(QStringLiteral("cannot write"));
    partial.clear();
    syncDirectory(directory);
    return true;
}
