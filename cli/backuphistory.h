#pragma once

#include "cli/backupfile.h"

#include <QByteArray>
#include <QList>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// A history of backups: a git work tree holding one backup file per module, named as -O
// names it, and a commit for every run of `backup --git` that changed some file. The files
// leave out what belongs to the run, so an unchanged module gives the same bytes and git
// sees no change. A tracked file marks the work tree as such a history, also in its clones.

// A module that was not backed up in a run, and why: named in the run's commit.
struct ModuleNotBackedUp
{
    QString address;
    QString reason;
};

// What a run's commit came to.
struct HistoryCommit
{
    bool ok = false;
    QString error;
    QString commit; // empty when nothing changed
    int changed = 0; // modules whose file changed
};

// One version of a module's file, newest first in a history.
struct HistoryVersion
{
    QString commit;
    qint64 time = 0; // seconds since the epoch, when it was committed
    std::optional<Backup> backup; // none: the file was removed in this commit
};

class BackupHistory
{
public:
    enum class Use {
        Write, // made when missing or empty; locked against another run
        Read,
    };
    enum class Opened { Ready, NotAHistory, Failed };

    BackupHistory() = default;
    // Ready, or why not in *error; NotAHistory for a folder that is neither empty nor ours.
    Opened open(const QString &path, Use use, QString *error);

    QString root() const { return workTree; }
    QString filePath(const QString &address) const;

    // Commits every module file that differs from the last commit, with a message that says
    // how many of `modules` changed, each changed module with its pages, and notBackedUp.
    HistoryCommit commitRun(int modules, const QList<ModuleNotBackedUp> &notBackedUp);

    // A module's file at a revision; none, with the reason in *error, when there is none.
    std::optional<QByteArray> fileAt(const QString &revision, const QString &fileName, QString *error) const;
    // Every version of a module's file, newest first; false with the reason in *error.
    bool versions(const QString &fileName, QList<HistoryVersion> *versions, QString *error) const;

private:
    bool create(QString *error);
    bool lockForRun(QString *error);
    void removeStaleGitLocks() const;
    QStringList identity() const;

    QString workTree;
    QString gitDir;
    std::unique_ptr<QLockFile> runLock;
};

// `REPO@REV` as a backup source: the history's folder and the revision, when text names one
// (a history folder before its first "@"); none otherwise.
struct HistoryReference
{
    QString repository;
    QString revision;
};
std::optional<HistoryReference> historyReference(const QString &text);

// A module's backup at a history's revision, as readBackupFile reads a file.
BackupRead readHistoryBackup(const HistoryReference &reference, const QString &address);
