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

// A backup of the module's state now, made by this tool.
Backup newBackup(const QString &address, const QString &label);

// The document in the member order above, handed out a page at a time so that a large
// module is never held as text whole; false as soon as sink fails.
bool writeBackup(const Backup &backup, const std::function<bool(const QByteArray &)> &sink);
// Writes the backup file all or nothing, mode 0600; false with the reason in *error.
bool writeBackupFile(const Backup &backup, const QString &path, QString *error);

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
