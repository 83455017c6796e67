#include "cli/backuphistory.h"
#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/optionpath.h"

#include "core/device/modulereplies.h"
#include "core/device/pagecompare.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>

#include <optional>

namespace {

const QString kAdded = QStringLiteral("added");
const QString kRemoved = QStringLiteral("removed");
const QString kChanged = QStringLiteral("changed");
constexpr int kShortCommit = 12;

// A date is a whole day in UTC; a time is a moment.
std::optional<QDateTime> parseMoment(const QString &text, bool endOfDay)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid())
        return endOfDay ? QDateTime(date.addDays(1), QTime(0, 0), Qt::UTC).addSecs(-1)
                        : QDateTime(date, QTime(0, 0), Qt::UTC);
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    if (moment.isValid())
        return moment;
    return std::nullopt;
}

// The options of after that differ from before's, page by page in after's order; pages
// either version could not read are not compared.
QList<Difference> versionChanges(const Backup &before, const Backup &after)
{
    QStringList keys = after.pageKeys;
    for (const QString &key : before.pageKeys) {
        if (!keys.contains(key))
            keys.append(key);
    }
    QList<Difference> changes;
    for (const QString &key : qAsConst(keys)) {
        if (before.incomplete.contains(key) || after.incomplete.contains(key))
            continue;
        changes += compareOptions(key, pageOptions(before.pages.value(key), key),
                                  pageOptions(after.pages.value(key), key));
    }
    return changes;
}

struct HistoryArgs
{
    QString module;
    QString repository;
    QString since;
    QString until;
};

class HistoryCommand : public Command
{
public:
    explicit HistoryCommand(CLI::App &app)
        : Command(app, "history", "A module's versions in a history of backups, newest first")
    {
        addText(subcommand, "MODULE", &args.module, "The module")->required();
        addText(subcommand, "--git", &args.repository, "The history (a folder made by backup --git)")
            ->required();
        addText(subcommand, "--since", &args.since, "Versions from this date on (YYYY-MM-DD, UTC)");
        addText(subcommand, "--until", &args.until, "Versions up to this date (YYYY-MM-DD, UTC)");
        subcommand->footer(
            "Each version: its commit, its time and the options it changed, against the version before\n"
            "(the first: added). A version is a backup file: diff and restore read it as FOLDER@COMMIT.\n"
            "Example: quillnet history 192.168.4.20 --git history/ --since 2026-12-01");
    }
    int run(Context &context) override;

private:
    HistoryArgs args;
};

} // namespace

int HistoryCommand::run(Context &context)
{
    std::optional<QDateTime> since;
    std::optional<QDateTime> until;
    for (const auto &[text, moment, endOfDay] :
         {std::make_tuple(args.since, &since, false), std::make_tuple(args.until, &until, true)}) {
        if (text.isEmpty())
            continue;
        *moment = parseMoment(text, endOfDay);
        if (!*moment) {
            context.reporter.error(
                QStringLiteral("\"%1\" is not a date (YYYY-MM-DD) or a time (YYYY-MM-DDTHH:MM:SS)")
                    .arg(text));
            return ExitBadInput;
        }
    }
    BackupHistory history;
    QString error;
    if (history.open(args.repository, BackupHistory::Use::Read, &error) != BackupHistory::Opened::Ready) {
        context.reporter.error(error);
        return ExitBadInput;
    }
    const QString fileName = backupFileName(args.module);
    QList<HistoryVersion> versions;
    if (!history.versions(fileName, &versions, &error)) {
        context.reporter.error(error);
        return ExitNotABackup;
    }
    if (versions.isEmpty()) {
        context.reporter.error(
            QStringLiteral("%1 holds no backup of %2 (%3)").arg(args.repository, args.module, fileName));
        return ExitBadInput;
    }

    RecordWriter output(context.options.format,
                        {QStringLiteral("commit"), QStringLiteral("time"), QStringLiteral("change"),
                         QStringLiteral("from"), QStringLiteral("to")});
    for (int i = 0; i < versions.size(); ++i) {
        const HistoryVersion &version = versions.at(i);
        const QDateTime time = QDateTime::fromSecsSinceEpoch(version.time, Qt::UTC);
        if ((since && time < *since) || (until && time > *until))
            continue;
        // The version before is the next older one, also when the dates leave it out.
        const std::optional<Backup> before
            = i + 1 < versions.size() ? versions.at(i + 1).backup : std::nullopt;
        const QString status = !version.backup ? kRemoved : !before ? kAdded : kChanged;
        const QString timeText = time.toString(Qt::ISODate);
        const QString shortCommit = version.commit.left(kShortCommit);
        QJsonObject record{{QStringLiteral("commit"), version.commit},
                           {QStringLiteral("time"), timeText},
                           {QStringLiteral("status"), status}};
        QList<QStringList> rows;
        if (status == kChanged) {
            QJsonArray changes;
            for (const Difference &difference : versionChanges(*before, *version.backup)) {
                const QString path = optionPathText(difference.pathParts());
                QJsonObject change{{QStringLiteral("path"), path}};
                if (!difference.a.isUndefined())
                    change.insert(QStringLiteral("from"), difference.a);
                if (!difference.b.isUndefined())
                    change.insert(QStringLiteral("to"), difference.b);
                changes.append(change);
                rows.append({shortCommit, timeText, path, cellText(difference.a), cellText(difference.b)});
            }
            record.insert(QStringLiteral("changes"), changes);
        }
        // A version that changed no option (its label, say) still shows.
        if (rows.isEmpty())
            rows.append({shortCommit, timeText, status, QString(), QString()});
        output.add(record, rows);
    }
    output.finish();
    return ExitSuccess;
}

std::unique_ptr<Command> addHistoryCommand(CLI::App &app)
{
    return std::make_unique<HistoryCommand>(app);
}
