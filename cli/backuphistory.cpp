#include "cli/backuphistory.h"

#include "cli/atomicfile.h"
#include "cli/gitprogram.h"

#include "core/json/jsontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Tracked, so that a clone of a history is one too.
const QString kMarkerName = QStringLiteral(".quillnet-history");
const QByteArray kMarkerText
    = "This repository is a history of backups of Quillnet modules, one file per module,\n"
      "written by `quillnet backup --git`. `quillnet history MODULE --git FOLDER` reads it.\n";
// In the git folder, so that it is never part of the work tree.
const QString kRunLockName = QStringLiteral("quillnet-backup.lock");
const QString kPackEvery = QStringLiteral("gc.auto=1000"); // loose objects
// The author of the commits when git has none configured.
const QString kAuthorName = QStringLiteral("quillnet");
const QString kAuthorEmail = QStringLiteral("quillnet@localhost");
// Module files only: not the hidden files of a write under way, nor a restore's undo file.
const QStringList kModuleFiles{QStringLiteral(":(glob)*.json"),
                               QStringLiteral(":(exclude,glob)*.before-restore-*")};

// A line of a commit message: whatever a module or a file said stays on it.
QString oneLine(const QString &text)
{
    static const QRegularExpression control(QStringLiteral("[\\x00-\\x1f\\x7f]+"));
    return QString(text).replace(control, QStringLiteral(" "));
}

// `git cat-file --batch` answers: "<id> <type> <size>\n<content>\n" or "<name> missing\n".
QList<std::optional<QByteArray>> batchContents(const QByteArray &out)
{
    QList<std::optional<QByteArray>> contents;
    int at = 0;
    while (at < out.size()) {
        const int end = out.indexOf('\n', at);
        if (end < 0)
            break;
        const QList<QByteArray> header = out.mid(at, end - at).split(' ');
        at = end + 1;
        if (header.size() != 3) {
            contents.append(std::nullopt);
            continue;
        }
        const int size = header.at(2).toInt();
        contents.append(out.mid(at, size));
        at += size + 1;
    }
    return contents;
}

QList<std::optional<QByteArray>> objects(const QString &workTree, const QStringList &names)
{
    if (names.isEmpty())
        return {};
    const GitResult read = runGit(workTree, {QStringLiteral("cat-file"), QStringLiteral("--batch")},
                                  names.join(QLatin1Char('\n')).toUtf8() + '\n');
    return read.ok() ? batchContents(read.out) : QList<std::optional<QByteArray>>();
}

// What changed in a module's file between two versions, for the commit message.
QString changeText(const std::optional<Backup> &before, const std::optional<Backup> &after)
{
    if (!before)
        return QStringLiteral("added");
    if (!after)
        return QStringLiteral("removed");
    QStringList keys = after->pageKeys;
    for (const QString &key : before->pageKeys) {
        if (!keys.contains(key))
            keys.append(key);
    }
    QStringList pages;
    for (const QString &key : qAsConst(keys)) {
        if (!sameJsonValue(before->pages.value(key), after->pages.value(key))
            || before->pageKeys.contains(key) != after->pageKeys.contains(key))
            pages.append(key);
    }
    QStringList parts;
    if (!pages.isEmpty())
        parts.append((pages.size() == 1 ? QStringLiteral("page ") : QStringLiteral("pages "))
                     + pages.join(QStringLiteral(", ")));
    if (before->label != after->label)
        parts.append(QStringLiteral("label"));
    if (pages.isEmpty() && before->pageKeys != after->pageKeys)
        parts.append(QStringLiteral("page order"));
    if (before->incomplete != after->incomplete)
        parts.append(QStringLiteral("pages not read"));
    return parts.isEmpty() ? QStringLiteral("layout of the file") : parts.join(QStringLiteral("; "));
}

std::optional<Backup> parsed(const std::optional<QByteArray> &text, const QString &name)
{
    if (!text)
        return std::nullopt;
    BackupRead read = readBackupText(*text, name);
    if (read.kind != BackupRead::Read)
        return Backup{};
    return read.backup;
}

bool isEmptyFolder(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

BackupHistory::Opened BackupHistory::open(const QString &path, Use use, QString *error)
{
    const QFileInfo folder(path);
    workTree = folder.absoluteFilePath();
    if (use == Use::Write && (!folder.exists() || (folder.isDir() && isEmptyFolder(path))))
        return create(error) && lockForRun(error) ? Opened::Ready : Opened::Failed;
    if (!folder.isDir()) {
        *error = QStringLiteral("%1 is not a folder").arg(path);
        return Opened::NotAHistory;
    }
    workTree = folder.canonicalFilePath();
    const GitResult where = runGit(workTree,
                                   {QStringLiteral("rev-parse"), QStringLiteral("--show-toplevel"),
                                    QStringLiteral("--absolute-git-dir")});
    if (!where.started) {
        *error = where.errorText();
        return Opened::Failed;
    }
    const QStringList lines = QString::fromUtf8(where.out).split(QLatin1Char('\n'));
    if (!where.ok() || lines.size() < 2 || QFileInfo(lines.at(0)).canonicalFilePath() != workTree
        || !QFileInfo::exists(QDir(workTree).filePath(kMarkerName))) {
        *error = QStringLiteral("%1 is neither empty nor a history of quillnet backups").arg(path);
        return Opened::NotAHistory;
    }
    gitDir = lines.at(1);
    if (use == Use::Write && !lockForRun(error))
        return Opened::Failed;
    return Opened::Ready;
}

bool BackupHistory::create(QString *error)
{
    if (!QDir().mkpath(workTree)) {
        *error = QStringLiteral("cannot make the folder %1").arg(workTree);
        return false;
    }
    workTree = QFileInfo(workTree).canonicalFilePath();
    const GitResult init = runGit(workTree, {QStringLiteral("init"), QStringLiteral("-q")});
    if (!init.ok()) {
        *error = QStringLiteral("cannot make a git repository in %1: %2").arg(workTree, init.errorText());
        return false;
    }
    gitDir = QDir(workTree).filePath(QStringLiteral(".git"));
    AtomicFile marker(QDir(workTree).filePath(kMarkerName));
    if (!marker.open() || !marker.write(kMarkerText) || !marker.commit()) {
        *error = marker.errorString();
        return false;
    }
    return true;
}

bool BackupHistory::lockForRun(QString *error)
{
    // A lock of a run that has died (its process is gone) is taken over.
    runLock = std::make_unique<QLockFile>(QDir(gitDir).filePath(kRunLockName));
    runLock->setStaleLockTime(0);
    if (!runLock->tryLock(0)) {
        *error = runLock->error() == QLockFile::LockFailedError
            ? QStringLiteral("another backup is running into %1").arg(workTree)
            : QStringLiteral("cannot lock %1 for the backup").arg(workTree);
        return false;
    }
    removeStaleGitLocks();
    return true;
}

// With the run's lock held, no other run works in this repository: a lock git left behind
// is one of a git that was killed with its run, and would stop every run from now on.
void BackupHistory::removeStaleGitLocks() const
{
    QStringList locks{QStringLiteral("index.lock"), QStringLiteral("HEAD.lock")};
    const QDir heads(QDir(gitDir).filePath(QStringLiteral("refs/heads")));
    for (const QString &name : heads.entryList({QStringLiteral("*.lock")}, QDir::Files))
        locks.append(QStringLiteral("refs/heads/") + name);
    for (const QString &lock : qAsConst(locks))
        QFile::remove(QDir(gitDir).filePath(lock));
}

QString BackupHistory::filePath(const QString &address) const
{
    return QDir(workTree).filePath(backupFileName(address));
}

// Ours only where git has none, so that a configured identity is kept.
QStringList BackupHistory::identity() const
{
    const GitResult configured = runGit(
        workTree,
        {QStringLiteral("config"), QStringLiteral("--get-regexp"), QStringLiteral("^user\\.(name|email)$")});
    QString name = kAuthorName;
    QString email = kAuthorEmail;
    bool complete[2] = {false, false};
    for (const QString &line : QString::fromUtf8(configured.out).split(QLatin1Char('\n'))) {
        const QString value = line.section(QLatin1Char(' '), 1);
        if (line.startsWith(QLatin1String("user.name ")) && !value.isEmpty()) {
            name = value;
            complete[0] = true;
        } else if (line.startsWith(QLatin1String("user.email ")) && !value.isEmpty()) {
            email = value;
            complete[1] = true;
        }
    }
    if (complete[0] && complete[1])
        return {};
    return {name, email};
}

HistoryCommit BackupHistory::commitRun(int modules, const QList<ModuleNotBackedUp> &notBackedUp)
{
    HistoryCommit result;
    // git refuses a pattern that matches nothing: the module files are named once there are any.
    QStringList add{QStringLiteral("add"), QStringLiteral("-A"), QStringLiteral("--"), kMarkerName};
    if (!QDir(workTree).entryList({QStringLiteral("*.json")}, QDir::Files | QDir::Hidden).isEmpty())
        add += kModuleFiles;
    const GitResult added = runGit(workTree, add);
    if (!added.ok()) {
        result.error = QStringLiteral("git add: %1").arg(added.errorText());
        return result;
    }
    // Against the last commit, so that files left uncommitted by a killed run count as well.
    const GitResult staged = runGit(
        workTree,
        QStringList{QStringLiteral("diff"), QStringLiteral("--cached"), QStringLiteral("--name-status"),
                    QStringLiteral("--no-renames"), QStringLiteral("-z"), QStringLiteral("--")}
            + kModuleFiles);
    if (!staged.ok()) {
        result.error = QStringLiteral("git diff: %1").arg(staged.errorText());
        return result;
    }
    const QList<QByteArray> fields = staged.out.split('\0');
    QStringList changedFiles;
    QStringList before;
    for (int i = 0; i + 1 < fields.size(); i += 2) {
        const QString name = QString::fromUtf8(fields.at(i + 1));
        changedFiles.append(name);
        before.append(fields.at(i) == "A" ? QString() : QStringLiteral("HEAD:") + name);
    }
    if (changedFiles.isEmpty()) {
        // The marker alone is committed with the first module.
        result.ok = true;
        return result;
    }
    QStringList named = before;
    named.removeAll(QString());
    const QList<std::optional<QByteArray>> old = objects(workTree, named);
    QStringList lines;
    int next = 0;
    for (int i = 0; i < changedFiles.size(); ++i) {
        const QString &name = changedFiles.at(i);
        const std::optional<QByteArray> previous
            = before.at(i).isEmpty() ? std::nullopt : old.value(next++, std::nullopt);
        QFile file(QDir(workTree).filePath(name));
        const std::optional<QByteArray> now
            = file.open(QIODevice::ReadOnly) ? std::optional<QByteArray>(file.readAll()) : std::nullopt;
        const std::optional<Backup> after = parsed(now, name);
        QString module = after && !after->address.isEmpty() ? after->address : name;
        if (!after) {
            const std::optional<Backup> gone = parsed(previous, name);
            if (gone && !gone->address.isEmpty())
                module = gone->address;
        }
        lines.append(oneLine(module) + QStringLiteral(": ")
                     + oneLine(changeText(parsed(previous, name), after)));
    }
    result.changed = int(changedFiles.size());

    QString message = QStringLiteral("%1 of %2 modules changed\n\n").arg(result.changed).arg(modules)
        + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (!notBackedUp.isEmpty()) {
        message += QStringLiteral("\nNot backed up, their files kept as they were:\n");
        for (const ModuleNotBackedUp &module : notBackedUp)
            message += oneLine(module.address) + QStringLiteral(": ") + oneLine(module.reason)
                + QLatin1Char('\n');
    }
    // A run adds a few dozen objects, loose. git packs them only past 6,700 (gc.auto), some
    // 40 MB here, and then reading a module's versions means opening thousands of files:
    // packing every 1,000 keeps the history small and its log fast, at the cost of a pack of
    // that size now and then. In the run, not detached, so that the next run finds it done.
    const GitResult commit = runGitAs(workTree, identity(),
                                      {QStringLiteral("-c"), kPackEvery, QStringLiteral("-c"),
                                       QStringLiteral("gc.autoDetach=false"), QStringLiteral("commit"),
                                       QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-")},
                                      message.toUtf8());
    if (!commit.ok()) {
        result.error = QStringLiteral("git commit: %1").arg(commit.errorText());
        return result;
    }
    const GitResult head
        = runGit(workTree, {QStringLiteral("rev-parse"), QStringLiteral("--short"), QStringLiteral("HEAD")});
    result.commit = QString::fromUtf8(head.out).trimmed();
    result.ok = true;
    return result;
}

std::optional<QByteArray> BackupHistory::fileAt(const QString &revision, const QString &fileName,
                                                QString *error) const
{
    // Read from the object store: nothing is checked out, and the work tree is left alone.
    const GitResult commit
        = runGit(workTree,
                 {QStringLiteral("rev-parse"), QStringLiteral("-q"), QStringLiteral("--verify"),
                  QStringLiteral("--end-of-options"), revision + QStringLiteral("^{commit}")});
    if (!commit.ok()) {
        *error = QStringLiteral("%1 has no revision \"%2\"").arg(workTree, oneLine(revision));
        return std::nullopt;
    }
    const QString id = QString::fromUtf8(commit.out).trimmed();
    const QList<std::optional<QByteArray>> found = objects(workTree, {id + QLatin1Char(':') + fileName});
    if (found.isEmpty() || !found.first()) {
        *error = QStringLiteral("%1@%2 holds no %3").arg(workTree, oneLine(revision), fileName);
        return std::nullopt;
    }
    return found.first();
}

bool BackupHistory::versions(const QString &fileName, QList<HistoryVersion> *versions, QString *error) const
{
    const GitResult log = runGit(workTree,
                                 {QStringLiteral("log"), QStringLiteral("--format=%H %ct"),
                                  QStringLiteral("--"), QStringLiteral(":(literal)") + fileName});
    if (!log.ok()) {
        // A history without a commit yet has no versions.
        const GitResult head = runGit(workTree,
                                      {QStringLiteral("rev-parse"), QStringLiteral("-q"),
                                       QStringLiteral("--verify"), QStringLiteral("HEAD")});
        if (head.started && !head.ok())
            return true;
        *error = QStringLiteral("git log: %1").arg(log.errorText());
        return false;
    }
    QStringList names;
    for (const QString &line : QString::fromUtf8(log.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        HistoryVersion version;
        version.commit = line.section(QLatin1Char(' '), 0, 0);
        version.time = line.section(QLatin1Char(' '), 1, 1).toLongLong();
        versions->append(version);
        names.append(version.commit + QLatin1Char(':') + fileName);
    }
    const QList<std::optional<QByteArray>> contents = objects(workTree, names);
    if (contents.size() != versions->size()) {
        *error = QStringLiteral("cannot read the versions of %1 in %2").arg(fileName, workTree);
        return false;
    }
    for (int i = 0; i < contents.size(); ++i) {
        if (!contents.at(i))
            continue;
        const BackupRead read = readBackupText(*contents.at(i), fileName);
        if (read.kind != BackupRead::Read) {
            *error = QStringLiteral("%1 at %2: %3").arg(fileName, (*versions)[i].commit, read.error);
            return false;
        }
        (*versions)[i].backup = read.backup;
    }
    return true;
}

std::optional<HistoryReference> historyReference(const QString &text)
{
    // A file of that name is a file; a module address never holds "@".
    if (QFileInfo(text).isFile())
        return std::nullopt;
    const int at = text.indexOf(QLatin1Char('@'));
    if (at <= 0 || at == text.size() - 1 || !QFileInfo(text.left(at)).isDir())
        return std::nullopt;
    return HistoryReference{text.left(at), text.mid(at + 1)};
}

BackupRead readHistoryBackup(const HistoryReference &reference, const QString &address)
{
    BackupRead read;
    BackupHistory history;
    QString error;
    const QString name = reference.repository + QLatin1Char('@') + reference.revision;
    if (history.open(reference.repository, BackupHistory::Use::Read, &error)
        != BackupHistory::Opened::Ready) {
        read.error = error;
        return read;
    }
    const std::optional<QByteArray> text
        = history.fileAt(reference.revision, backupFileName(address), &error);
    if (!text) {
        read.error = error;
        return read;
    }
    return readBackupText(*text, name);
}
