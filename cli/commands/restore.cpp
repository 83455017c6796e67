#include "cli/backupfile.h"
#include "cli/backuphistory.h"
#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/interruption.h"
#include "cli/listedoptions.h"
#include "cli/modulereader.h"
#include "cli/optionpath.h"
#include "cli/targets.h"
#include "cli/valuetext.h"

#include "core/device/modulereplies.h"
#include "core/device/modulerequests.h"
#include "core/device/pagecompare.h"
#include "core/device/pagewrite.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

const QString kSafetyInfix = QStringLiteral(".before-restore-");
const QString kSafetySuffix = QStringLiteral(".json");

// Next to the file restored from, named for it and for the moment:
// "boiler.json" -> "boiler.before-restore-20250301T101500Z.json".
QString safetyBackupPath(const QString &restoredFrom)
{
    const QFileInfo file(restoredFrom);
    const QString stem = QDir::cleanPath(file.dir().filePath(
        file.completeBaseName() + kSafetyInfix
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"))));
    QString path = stem + kSafetySuffix;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QLatin1Char('-') + QString::number(n) + kSafetySuffix;
    return path;
}

bool confirmed(Reporter *reporter, const QString &question)
{
    reporter->ask(question);
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

// The safe sequence for one page, waited for.
PageWriteOutcome savePageAndWait(ModuleClient *client, const PageSave &save)
{
    PageWriteOutcome result;
    QEventLoop loop;
    savePage(client, save, [&](const PageWriteOutcome &outcome) {
        result = outcome;
        loop.quit();
    });
    loop.exec();
    return result;
}

QString moduleLabel(const QString &address, const QString &modulesFile)
{
    const QString key = moduleAddressKey(address);
    const QList<Target> listed = moduleListTargets(modulesFile);
    const auto entry = std::find_if(listed.cbegin(), listed.cend(), [&key](const Target &target) {
        return moduleAddressKey(target.address) == key;
    });
    return entry == listed.cend() ? address : entry->label;
}

// A word as a shell reads it back unchanged.
QString shellWord(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@%+=,-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    return QLatin1Char('\'') + QString(word).replace(QLatin1Char('\''), QStringLiteral("'\\''"))
        + QLatin1Char('\'');
}

struct RestoreArgs
{
    QString module;
    QString file;
    QStringList pages;
    bool dryRun = false;
    bool yes = false;
    bool allowOtherModule = false;
    bool noValueCheck = false;
    bool noCatalog = false;
};

class RestoreCommand : public Command
{
public:
    explicit RestoreCommand(CLI::App &app)
        : Command(app, "restore", "Write a backup back onto a module")
    {
        addText(subcommand, "MODULE", &args.module, "The module")->required();
        addText(subcommand, "FILE", &args.file, "The backup file, or FOLDER@REV in a history")->required();
        // One value each time it is given, so that MODULE and FILE after it stay arguments.
        addTexts(subcommand, "--pages", &args.pages, "Only these pages (keys separated by commas)")
            ->delimiter(',')
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        subcommand->add_flag("--dry-run", args.dryRun, "Show the plan and write nothing");
        subcommand->add_flag("--yes", args.yes, "Write without asking");
        subcommand->add_flag("--allow-other-module", args.allowOtherModule,
                             "Restore a backup made from another address");
        subcommand->add_flag("--no-value-check", args.noValueCheck,
                             "Write values that do not fit the module's options (another type, no choice "
                             "of the list), as set would refuse them");
        subcommand->add_flag("--no-catalog", args.noCatalog,
                             "Go on without the catalog: values are checked against the module's types only");
        subcommand->footer(
            "Shows the plan, saves the module's state next to FILE (NAME.before-restore-TIME.json),\n"
            "then writes the pages that differ in the module's order, each read again just before its\n"
            "write and read back after it. Every value is first checked against the module's option\n"
            "as set checks it; one that does not fit stops the whole restore. A page no longer as the\n"
            "plan showed it stops the restore before it is written (exit status 7). Interrupted\n"
            "(Ctrl-C, SIGTERM), the write under way is finished and read back, the pages written are\n"
            "told with the command that undoes them, and the status is 130 (143).\n"
            "FOLDER@REV is the module's file in a history (backup --git) at a revision; the state\n"
            "before the restore is then saved in the working folder.\n"
            "Example: quillnet restore 192.168.4.20 boiler.json --dry-run\n"
            "Example: quillnet restore 192.168.4.20 history@HEAD~3 --dry-run");
    }
    int run(Context &context) override;

private:
    RestoreArgs args;
};

} // namespace

int RestoreCommand::run(Context &context)
{
    Reporter &reporter = context.reporter;
    if (!context.checkAddress(args.module))
        return ExitBadInput;
    // FOLDER@REV: the module's file in a history, read from git without checking anything out.
    const std::optional<HistoryReference> version = historyReference(args.file);
    const BackupRead file = version ? readHistoryBackup(*version, args.module) : readBackupFile(args.file);
    if (file.kind != BackupRead::Read) {
        reporter.error(file.error);
        return file.kind == BackupRead::Unreadable ? ExitBadInput : ExitNotABackup;
    }
    const Backup &backup = file.backup;
    QJsonObject catalog;
    if (!context.loadCatalog(&catalog, args.noCatalog ? CatalogUse::None : CatalogUse::Writing))
        return ExitBadInput;
    if (moduleAddressKey(backup.address) != moduleAddressKey(args.module) && !args.allowOtherModule) {
        reporter.error(QStringLiteral("%1 is a backup of %2, not of %3 (restore it there anyway with "
                                      "--allow-other-module)")
                           .arg(args.file, backup.address, args.module));
        return ExitBadInput;
    }
    QStringList keys = args.pages.isEmpty() ? backup.pageKeys : args.pages;
    for (const QString &key : qAsConst(keys)) {
        if (!backup.pageKeys.contains(key)) {
            reporter.error(QStringLiteral("%1 holds no page \"%2\"").arg(args.file, key));
            return ExitBadInput;
        }
        if (backup.incomplete.contains(key) && !args.pages.isEmpty()) {
            reporter.error(
                QStringLiteral("page \"%1\" could not be read when %2 was made").arg(key, args.file));
            return ExitBadInput;
        }
    }
    for (const QString &key : backup.incomplete) {
        if (keys.removeAll(key) > 0)
            reporter.warning(
                QStringLiteral("page \"%1\" is not restored: it could not be read when %2 was made")
                    .arg(key, args.file));
    }

    // The plan: every page of the module read, the backup's compared with the live ones.
    ModuleClient client(args.module, context.clientSettings());
    const ModuleRead live = readModuleAndWait(&client, std::nullopt);
    if (!live.listed) {
        reporter.error(QStringLiteral("%1: %2").arg(args.module, live.error));
        return ExitAllFailed;
    }
    for (const QString &key : qAsConst(keys)) {
        if (!live.pageKeys.contains(key)) {
            reporter.error(QStringLiteral("%1 has no page \"%2\" (restore the others with --pages)")
                               .arg(args.module, key));
            return ExitBadInput;
        }
        if (live.incomplete.contains(key)) {
            reporter.error(QStringLiteral("%1: %2").arg(args.module, live.errors.join(QStringLiteral("; "))));
            return ExitAllFailed;
        }
    }
    QMap<QString, QList<Difference>> changes;
    QStringList toWrite; // in the module's page order
    QStringList misfits; // values that set would refuse for the live options
    QList<QJsonObject> records;
    QList<QStringList> rows;
    for (const QString &key : live.pageKeys) {
        if (!keys.contains(key))
            continue;
        const QJsonObject liveOptions = pageOptions(live.pages.value(key), key);
        const QList<Difference> pageChanges
            = valuesNotHeld(key, liveOptions, pageOptions(backup.pages.value(key), key));
        if (pageChanges.isEmpty())
            continue;
        changes.insert(key, pageChanges);
        toWrite.append(key);
        const RowPlan rowPlan = planRows(catalog, key, liveOptions);
        for (const Difference &change : pageChanges) {
            const QString path = optionPathText(change.pathParts());
            const std::optional<ListedOption> option
                = listedOption(key, rowPlan, change.optionKey, change.memberKey, change.isMember);
            const QString misfit = option ? valueMismatch(option->row, change.b)
                                          : QStringLiteral("the module has no such option");
            if (!misfit.isEmpty())
                misfits.append(QStringLiteral("%1: %2").arg(path, misfit));
            QJsonObject record{{QStringLiteral("path"), path}, {QStringLiteral("backup"), change.b}};
            if (!change.a.isUndefined())
                record.insert(QStringLiteral("live"), change.a);
            records.append(record);
            rows.append({path, valueWithChoice(option, change.a), valueWithChoice(option, change.b)});
        }
    }
    if (!misfits.isEmpty() && !args.noValueCheck) {
        for (const QString &misfit : qAsConst(misfits))
            reporter.error(QStringLiteral("%1 holds a value that does not fit %2: %3")
                               .arg(args.file, args.module, misfit));
        reporter.error(QStringLiteral("nothing written (write such values anyway with --no-value-check)"));
        return ExitBadInput;
    }
    RecordWriter plan(context.options.format,
                      {QStringLiteral("path"), QStringLiteral("live"), QStringLiteral("backup")});
    for (int i = 0; i < records.size(); ++i)
        plan.add(records.at(i), {rows.at(i)});
    plan.finish();
    if (toWrite.isEmpty()) {
        reporter.info(QStringLiteral("nothing to restore: %1 holds the backup's values").arg(args.module));
        return ExitSuccess;
    }
    const QString pageList = toWrite.join(QStringLiteral(", "));
    if (args.dryRun) {
        reporter.info(QStringLiteral("dry run: pages %1 would be written; nothing written").arg(pageList));
        return ExitDifferences;
    }
    if (!args.yes) {
        if (!context.canAsk()) {
            reporter.error(QStringLiteral("restoring writes pages %1 of %2; confirm with --yes")
                               .arg(pageList, args.module));
            return ExitBadInput;
        }
        if (!confirmed(&reporter,
                       QStringLiteral("Write pages %1 to %2? [y/N] ").arg(pageList, args.module))) {
            reporter.info(QStringLiteral("nothing written"));
            return ExitDifferences;
        }
    }

    // Undo first: the module's state now, next to the file restored from.
    // Labelled as the module list labels the module now, not as the backup was.
    Backup before = newBackup(args.module, moduleLabel(args.module, context.options.modulesFile));
    before.pageKeys = live.pageKeys;
    before.pages = live.pages;
    before.incomplete = live.incomplete;
    // Never inside a history, where it would count as a module's file: in the working folder.
    const QString safetyPath = safetyBackupPath(version ? backupFileName(args.module) : args.file);
    QString error;
    if (!writeBackupFile(before, safetyPath, &error)) {
        reporter.error(
            QStringLiteral("no backup of the module's state could be saved, so nothing is written: %1")
                .arg(error));
        return ExitAllFailed;
    }
    reporter.info(QStringLiteral("the module's state before the restore is saved in %1 (restore it to undo)")
                      .arg(safetyPath));

    // Each page read again just before its write, under the module's lock: one that is no
    // longer as the plan showed it stops the restore before it is written.
    catchInterruptions();
    QStringList written;
    PageWriteOutcome last;
    last.kind = PageWriteOutcome::Confirmed;
    for (const QString &key : qAsConst(toWrite)) {
        if (interruption())
            break;
        last = savePageAndWait(&client,
                               {key, live.pages.value(key), changes.value(key), PageSave::StopOnAnyChange});
        if (last.kind != PageWriteOutcome::Confirmed)
            break;
        written.append(key);
    }
    if (written.size() == toWrite.size()) {
        reporter.info(QStringLiteral("restored pages %1 of %2").arg(pageList, args.module));
        return ExitSuccess;
    }
    // Stopped by the page under way, or by a signal between two pages.
    const bool pageStopped = last.kind != PageWriteOutcome::Confirmed;
    const QStringList notWritten = toWrite.mid(written.size());
    QString why = pageStopped ? last.reason : QStringLiteral("interrupted");
    if (last.kind == PageWriteOutcome::Changed) {
        QStringList places;
        for (const Difference &difference : qAsConst(last.differences))
            places.append(optionPathText(difference.pathParts()));
        why += QStringLiteral(" (%1); it is not written").arg(places.join(QStringLiteral(", ")));
    }
    reporter.error(
        QStringLiteral("%1: %2; stopped. Written and confirmed: %3. Not written or not confirmed: %4")
            .arg(args.module, why,
                 written.isEmpty() ? QStringLiteral("none") : written.join(QStringLiteral(", ")),
                 notWritten.join(QStringLiteral(", "))));
    if (!written.isEmpty() || last.writeSent()) {
        QStringList undone = written;
        if (pageStopped && last.writeSent())
            undone.append(notWritten.first());
        reporter.info(QStringLiteral("to undo: quillnet restore %1 %2 --pages %3 --yes")
                          .arg(shellWord(args.module), shellWord(safetyPath),
                               shellWord(undone.join(QLatin1Char(',')))));
    }
    if (interruption())
        return ExitSuccess; // the program's status tells the interruption
    return last.kind == PageWriteOutcome::Changed ? ExitModuleChanged : ExitNotConfirmed;
}

std::unique_ptr<Command> addRestoreCommand(CLI::App &app)
{
    return std::make_unique<RestoreCommand>(app);
}
