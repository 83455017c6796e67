#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// The backup of one module: every page as the module answered it, in a versioned JSON file.
//   {"format":"quillnet-backup","formatVersion":1,"createdAt":"<UTC, ISO 8601>",
//    "tool":"quillnet <version>","module":{"address":"...","label":"..."},
//    "pageKeys":[<the page list in the module's order>],
//    "pages":{"<key>":<the whole object the module answered to select=<key>>},
//    "incomplete":[<keys of pages that could not be read>]}
// In a history (backup --git) the file leaves out createdAt and tool, which belong to the run,
// and writes each page indented, one option per line, so that an unchanged module gives the
// same bytes and a change shows in git option by option.
inline const QString kBackupFormat = QStringLiteral("quillnet-backup");
inline constexpr int kBackupFormatVersion = 1;

struct Backup
{
    QString createdAt;
    QString tool;
    QString address;
    QString label;
    QStringList pageKeys;
    QMap<QString, QJsonObject> pages;
    QStringList incomplete;
};

enum class BackupForm {
    Dated, // a file of its own, which says when and by what it was made
    Stable, // a version in a history: the same module state gives the same bytes
};

// A backup of the module's state now, made by this tool.
Backup newBackup(const QString &address, const QString &label);
// The name of a module's file in a folder of backups: "10.0.0.5_8080.json".
QString backupFileName(const QString &address);

// The document in the member order above, handed out a page at a time so that a large
// module is never held as text whole; false as soon as sink fails.
bool writeBackup(const Backup &backup, const std::function<bool(const QByteArray &)> &sink,
                 BackupForm form = BackupForm::Dated);
// Writes the backup file all or nothing, mode 0600; false with the reason in *error.
bool writeBackupFile(const Backup &backup, const QString &path, QString *error,
                     BackupForm form = BackupForm::Dated);

struct BackupRead
{
    enum Kind {
        Read,
        Unreadable, // the file cannot be opened
        NotABackup, // not JSON, or not this format
        NewerVersion, // a format version this tool does not know
    };
    Kind kind = Unreadable;
    Backup backup;
    QString error;
};
BackupRead readBackupFile(const QString &path);
// The same for a backup's text; path says where it came from, in the messages.
BackupRead readBackupText(const QByteArray &text, const QString &path);
