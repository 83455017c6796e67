#include "cli/backupfile.h"

#include "cli/atomicfile.h"
#include "core/json/jsontext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>

#include <cmath>

namespace {

const QLatin1String kFormatKey("format");
const QLatin1String kFormatVersionKey("formatVersion");
const QLatin1String kCreatedAtKey("createdAt");
const QLatin1String kToolKey("tool");
const QLatin1String kModuleKey("module");
const QLatin1String kAddressKey("address");
const QLatin1String kLabelKey("label");
const QLatin1String kPageKeysKey("pageKeys");
const QLatin1String kPagesKey("pages");
const QLatin1String kIncompleteKey("incomplete");
const QString kBackupSuffix = QStringLiteral(".json");

QByteArray member(const QLatin1String &key, const QJsonValue &value)
{
    return "  " + jsonText(QString(key)).toUtf8() + ": " + jsonText(value).toUtf8();
}

bool readStrings(const QJsonValue &value, QStringList *strings)
{
    if (!value.isArray())
        return false;
    const QJsonArray items = value.toArray();
    for (const QJsonValue &item : items) {
        if (!item.isString())
            return false;
        strings->append(item.toString());
    }
    return true;
}

BackupRead notABackup(const QString &path, const QString &why)
{
    BackupRead read;
    read.kind = BackupRead::NotABackup;
    read.error = QStringLiteral("%1 is not a quillnet backup: %2").arg(path, why);
    return read;
}

} // namespace

Backup newBackup(const QString &address, const QString &label)
{
    Backup backup;
    backup.createdAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    backup.tool
        = QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion();
    backup.address = address;
    backup.label = label;
    return backup;
}

QString backupFileName(const QString &address)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return QString(address).replace(unsafe, QStringLiteral("_")) + kBackupSuffix;
}

bool writeBackup(const Backup &backup, const std::function<bool(const QByteArray &)> &sink, BackupForm form)
{
    QByteArray head = "{\n";
    head += member(kFormatKey, kBackupFormat) + ",\n";
    head += member(kFormatVersionKey, kBackupFormatVersion) + ",\n";
    if (form == BackupForm::Dated) {
        head += member(kCreatedAtKey, backup.createdAt) + ",\n";
        head += member(kToolKey, backup.tool) + ",\n";
    }
    head += member(kModuleKey, QJsonObject{{kAddressKey, backup.address}, {kLabelKey, backup.label}}) + ",\n";
    head += member(kPageKeysKey, QJsonArray::fromStringList(backup.pageKeys)) + ",\n";
    head += "  " + jsonText(QString(kPagesKey)).toUtf8() + ": {";
    if (!sink(head))
        return false;
    bool first = true;
    for (const QString &key : backup.pageKeys) {
        const auto page = backup.pages.constFind(key);
        if (page == backup.pages.constEnd())
            continue;
        // Each page as the module sent it, every number exact.
        QByteArray text;
        if (form == BackupForm::Stable) {
            // Nested under "pages": every line after the first moves in by two levels.
            text = indentedJson(page.value());
            text.chop(1);
            text.replace('\n', "\n    ");
        } else {
            text = compactJson(page.value());
        }
        if (!sink((first ? "\n    " : ",\n    ") + jsonText(key).toUtf8() + ": " + text))
            return false;
        first = false;
    }
    return sink((first ? "},\n" : "\n  },\n")
                + member(kIncompleteKey, QJsonArray::fromStringList(backup.incomplete)) + "\n}\n");
}

bool writeBackupFile(const Backup &backup, const QString &path, QString *error, BackupForm form)
{
    AtomicFile file(path);
    if (!file.open()
        || !writeBackup(
            backup, [&file](const QByteArray &text) { return file.write(text); }, form)
        || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

BackupRead readBackupFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        BackupRead read;
        read.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return read;
    }
    return readBackupText(file.readAll(), path);
}

BackupRead readBackupText(const QByteArray &text, const QString &path)
{
    BackupRead read;
    QJsonObject root;
    if (!parseJsonObject(text, &root))
        return notABackup(path, QStringLiteral("not a JSON object"));
    if (root.value(kFormatKey).toString() != kBackupFormat)
        return notABackup(path, QStringLiteral("\"format\" is not \"%1\"").arg(kBackupFormat));
    const QJsonValue version = root.value(kFormatVersionKey);
    const double number = version.toDouble(-1);
    // Judged as a double: a crafted version beyond the range of an int must not be converted.
    if (!version.isDouble() || number < 1 || number != std::floor(number))
        return notABackup(path, QStringLiteral("\"formatVersion\" is not a version number"));
    if (number > kBackupFormatVersion) {
        read.kind = BackupRead::NewerVersion;
        read.error = QStringLiteral("%1 has format version %2; this quillnet reads version %3 and older")
                         .arg(path, QString::number(number), QString::number(kBackupFormatVersion));
        return read;
    }

    Backup &backup = read.backup;
    const QJsonObject module = root.value(kModuleKey).toObject();
    backup.address = module.value(kAddressKey).toString();
    backup.label = module.value(kLabelKey).toString();
    backup.createdAt = root.value(kCreatedAtKey).toString();
    backup.tool = root.value(kToolKey).toString();
    if (backup.address.isEmpty())
        return notABackup(path, QStringLiteral("no module address"));
    if (!readStrings(root.value(kPageKeysKey), &backup.pageKeys))
        return notABackup(path, QStringLiteral("\"pageKeys\" is not a list of page keys"));
    if (root.contains(kIncompleteKey) && !readStrings(root.value(kIncompleteKey), &backup.incomplete))
        return notABackup(path, QStringLiteral("\"incomplete\" is not a list of page keys"));
    const QJsonValue pages = root.value(kPagesKey);
    if (!pages.isObject())
        return notABackup(path, QStringLiteral("\"pages\" is not an object"));
    const QJsonObject pageObjects = pages.toObject();
    for (auto page = pageObjects.constBegin(); page != pageObjects.constEnd(); ++page) {
        if (!page.value().isObject())
            return notABackup(path, QStringLiteral("page \"%1\" is not an object").arg(page.key()));
        backup.pages.insert(page.key(), page.value().toObject());
        if (!backup.pageKeys.contains(page.key()))
            backup.pageKeys.append(page.key());
    }
    // A listed page the file holds no answer for could not be read either.
    for (const QString &key : qAsConst(backup.pageKeys)) {
        if (!backup.pages.contains(key) && !backup.incomplete.contains(key))
            backup.incomplete.append(key);
    }
    read.kind = BackupRead::Read;
    return read;
}
