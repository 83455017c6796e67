#include "cli/atomicfile.h"
#include "cli/backupfile.h"
#include "cli/backuphistory.h"
#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/fleet.h"
#include "cli/interruption.h"
#include "cli/modulereader.h"

#include "core/device/modulerequests.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRunnable>
#include <QThreadPool>

#include <optional>

namespace {

const QString kStandardOutput = QStringLiteral("-");
const QString kIncompleteInfix = QStringLiteral(".incomplete");

// -O names a folder when it ends with "/" or is one; a file otherwise, whatever the number of
// modules, so that the same command line never writes one where the other was meant.
bool isFolderName(const QString &output)
{
    return output.endsWith(QLatin1Char('/')) || QFileInfo(output).isDir();
}

// An incomplete backup goes beside a complete one of the same module instead of over it:
// "boiler.json" -> "boiler.incomplete.json". Elsewhere it takes the path it was given.
QString incompleteBackupPath(const Backup &backup, const QString &path, QString *kept)
{
    if (backup.incomplete.isEmpty() || !QFileInfo(path).isFile())
        return path;
    const BackupRead existing = readBackupFile(path);
    if (existing.kind != BackupRead::Read || !existing.backup.incomplete.isEmpty()
        || moduleAddressKey(existing.backup.address) != moduleAddressKey(backup.address))
        return path;
    *kept = path;
    const QFileInfo file(path);
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    const QString stem = file.fileName().left(file.fileName().size() - suffix.size());
    return file.dir().filePath(stem + kIncompleteInfix + suffix);
}

// What one module's backup came to, as the outcome of its target.
struct Outcome
{
    QString address;
    QString path;
    int pages = 0;
    QStringList incomplete;
    QStringList errors; // why those pages could not be read
    QString keptComplete; // the complete backup the incomplete one was written beside

    TargetOutcome written() const
    {
        if (incomplete.isEmpty())
            return make(TargetStatus::Done, QString());
        QString error = QStringLiteral("the backup %1 lacks pages that could not be read: %2")
                            .arg(path, errors.join(QStringLiteral("; ")));
        if (!keptComplete.isEmpty())
            error += QStringLiteral("; the complete backup %1 is kept").arg(keptComplete);
        return make(TargetStatus::Partial, error);
    }
    TargetOutcome unchanged() const { return make(TargetStatus::Unchanged, QString()); }
    // In a history, a backup that lacks pages leaves the module's last file as it was.
    TargetOutcome kept() const
    {
        return make(TargetStatus::Partial,
                    QStringLiteral("pages could not be read, so %1 keeps its last version: %2")
                        .arg(path, errors.join(QStringLiteral("; "))));
    }
    TargetOutcome failed(const QString &error) const { return make(TargetStatus::Failed, error); }

private:
    TargetOutcome make(TargetStatus status, const QString &error) const
    {
        TargetOutcome outcome;
        outcome.status = status;
        outcome.error = error;
        const QString result = status == TargetStatus::Done ? QStringLiteral("saved")
            : status == TargetStatus::Unchanged             ? QStringLiteral("unchanged")
            : status == TargetStatus::Partial               ? QStringLiteral("incomplete")
                                                            : QStringLiteral("failed");
        const bool hasFile = status != TargetStatus::Failed;
        QJsonObject record{{QStringLiteral("module"), address},
                           {QStringLiteral("status"), result},
                           {QStringLiteral("pages"), pages},
                           {QStringLiteral("incomplete"), QJsonArray::fromStringList(incomplete)}};
        if (hasFile)
            record.insert(QStringLiteral("file"), path);
        if (!error.isEmpty())
            record.insert(QStringLiteral("error"), error);
        outcome.record = record;
        outcome.rows = {{address, hasFile ? path : QString(), QString::number(pages), result, error}};
        return outcome;
    }
};

bool writeToStandardOutput(const Backup &backup)
{
    return writeBackup(backup, printData);
}

// A module's version in a history: written only when it differs from the file there, so
// that an unchanged module costs neither a sync nor a look from git. A backup that lacks
// pages never replaces a file.
TargetOutcome writeHistoryFile(const Backup &backup, const Outcome &outcome)
{
    QFile existing(outcome.path);
    const bool exists = existing.open(QIODevice::ReadOnly);
    if (!backup.incomplete.isEmpty() && exists)
        return outcome.kept();
    QByteArray text;
    writeBackup(
        backup,
        [&text](const QByteArray &part) {
            text += part;
            return true;
        },
        BackupForm::Stable);
    if (exists && existing.size() == text.size() && existing.readAll() == text)
        return outcome.unchanged();
    existing.close();
    AtomicFile file(outcome.path);
    if (!file.open() || !file.write(text) || !file.commit())
        return outcome.failed(file.errorString());
    return outcome.written();
}

struct BackupArgs
{
    TargetChoice targets;
    QString output; // -O; empty: a file per module in the working folder
    QString history; // --git: a file per module in a history, committed
};

class BackupCommand : public Command
{
public:
    explicit BackupCommand(CLI::App &app)
        : Command(app, "backup", "Back up every page of each module into a file")
    {
        addTexts(subcommand, "TARGETS", &args.targets.addresses, "The modules");
        addTargetOptions(subcommand, &args.targets);
        CLI::Option *output
            = addText(subcommand, "-O", &args.output,
                      "A folder when it ends with \"/\" or is one (made when missing), else a "
                      "file (for one module); - for standard output");
        addText(subcommand, "--git", &args.history,
                "A git repository of backups: a file per module, a commit when some changed")
            ->excludes(output);
        subcommand->footer(
            "Without -O, each module's backup goes to ADDRESS.json in the working folder, \":\" written\n"
            "as \"_\" (10.0.0.5_8080.json). An incomplete backup (pages that could not be read) never\n"
            "replaces a complete one of the same module: it goes beside it, as NAME.incomplete.json.\n"
            "With --git, into FOLDER (made and initialised when missing or empty) under the same names,\n"
            "without the time of the run, and committed when some module changed: one commit per run.\n"
            "Example: quillnet backup --all -O backups/\n"
            "Example: quillnet backup --all --git history/");
    }
    int run(Context &context) override;

private:
    BackupArgs args;
};

} // namespace

int BackupCommand::run(Context &context)
{
    QString error;
    QStringList dropped;
    const QList<Target> targets = resolveTargets(args.targets, context.options.modulesFile, &dropped, &error);
    for (const QString &address : qAsConst(dropped))
        context.reporter.warning(
            QStringLiteral("%1 is named more than once; it is backed up once").arg(address));
    if (targets.isEmpty()) {
        context.reporter.error(error);
        return ExitBadInput;
    }

    // Where each backup goes: a file, standard output, a file per module in a folder or in
    // a history.
    const bool intoHistory = !args.history.isEmpty();
    BackupHistory history;
    if (intoHistory) {
        if (history.open(args.history, BackupHistory::Use::Write, &error) != BackupHistory::Opened::Ready) {
            context.reporter.error(error);
            return ExitBadInput;
        }
    }
    const bool toStandardOutput = args.output == kStandardOutput;
    QString folder = QDir::currentPath();
    QString singleFile;
    if (toStandardOutput && targets.size() > 1) {
        context.reporter.error(
            QStringLiteral("-O - writes the backup of one module; name a folder for several"));
        return ExitBadInput;
    }
    if (!args.output.isEmpty() && !toStandardOutput) {
        const QFileInfo output(args.output);
        if (!isFolderName(args.output)) {
            if (targets.size() > 1) {
                context.reporter.error(
                    QStringLiteral("-O %1 names a file, which holds the backup of one module; "
                                   "end a folder's name with \"/\" for several")
                        .arg(args.output));
                return ExitBadInput;
            }
            singleFile = output.absoluteFilePath();
        } else if (output.exists() && !output.isDir()) {
            context.reporter.error(QStringLiteral("-O %1: this is a file, not a folder").arg(args.output));
            return ExitBadInput;
        } else if (!QDir().mkpath(args.output)) {
            context.reporter.error(QStringLiteral("cannot make the folder %1").arg(args.output));
            return ExitBadInput;
        } else {
            folder = output.absoluteFilePath();
        }
    }
    const auto pathFor = [&](const Target &target) {
        if (intoHistory)
            return history.filePath(target.address);
        return singleFile.isEmpty() ? QDir(folder).filePath(backupFileName(target.address)) : singleFile;
    };

    // With -O - the backup itself is the data.
    std::optional<RecordWriter> output;
    if (!toStandardOutput)
        output.emplace(context.options.format,
                       QStringList{QStringLiteral("module"), QStringLiteral("file"), QStringLiteral("pages"),
                                   QStringLiteral("result"), QStringLiteral("reason")});
    // As many writers as modules at once: a file is synced to disk before it counts as
    // saved, and syncs of different files overlap well.
    QThreadPool writers;
    writers.setMaxThreadCount(context.options.jobs);
    catchInterruptions();
    Fleet fleet(targets, context.options.jobs, &context.reporter);
    QList<ModuleNotBackedUp> notBackedUp;
    fleet.run(
        [&](const Target &target, const Fleet::Finish &finish, const Fleet::Release &release) {
            auto *client = new ModuleClient(target.address, context.clientSettings());
            readModule(client, std::nullopt, [&, target, client, finish, release](const ModuleRead &read) {
                client->deleteLater();
                const QString path = toStandardOutput ? kStandardOutput : pathFor(target);
                Outcome outcome{target.address,  path,        int(read.pages.size()),
                                read.incomplete, read.errors, {}};
                if (!read.listed)
                    return finish(outcome.failed(read.error));
                Backup backup = newBackup(target.address, target.label);
                backup.pageKeys = read.pageKeys;
                backup.pages = read.pages;
                backup.incomplete = read.incomplete;
                if (toStandardOutput) {
                    return finish(writeToStandardOutput(backup)
                                      ? outcome.written()
                                      : outcome.failed(QStringLiteral("cannot write to standard output")));
                }
                // The file is written and synced to disk away from the event loop, which goes
                // on serving the other modules meanwhile; the module is done with, so the next
                // one may start.
                release();
                writers.start(
                    QRunnable::create([backup = std::move(backup), outcome, finish, intoHistory]() mutable {
                        TargetOutcome result;
                        if (intoHistory) {
                            result = writeHistoryFile(backup, outcome);
                        } else {
                            QString error;
                            outcome.path = incompleteBackupPath(backup, outcome.path, &outcome.keptComplete);
                            result = writeBackupFile(backup, outcome.path, &error) ? outcome.written()
                                                                                   : outcome.failed(error);
                        }
                        QMetaObject::invokeMethod(
                            QCoreApplication::instance(), [=] { finish(result); }, Qt::QueuedConnection);
                    }));
            });
        },
        [&](const Target &target, const TargetOutcome &outcome) {
            if (output)
                output->add(outcome.record, outcome.rows);
            if (outcome.status == TargetStatus::Failed || outcome.status == TargetStatus::Partial)
                notBackedUp.append({target.address, outcome.error});
        });
    if (output)
        output->finish();
    context.reporter.info(QStringLiteral("backup: %1").arg(fleet.summary()));
    if (!intoHistory)
        return fleet.exitStatus();

    // The run's one commit, once every file is in place: a run killed before it leaves
    // files that the next run commits.
    const HistoryCommit commit = history.commitRun(int(targets.size()), notBackedUp);
    if (!commit.ok) {
        context.reporter.error(QStringLiteral("%1: the files are written but not committed: %2")
                                   .arg(history.root(), commit.error));
        return ExitAllFailed;
    }
    if (commit.commit.isEmpty())
        context.reporter.info(QStringLiteral("history: no module changed; nothing committed"));
    else
        context.reporter.info(QStringLiteral("history: %1 of %2 modules changed, commit %3")
                                  .arg(commit.changed)
                                  .arg(targets.size())
                                  .arg(commit.commit));
    return fleet.exitStatus();
}

std::unique_ptr<Command> addBackupCommand(CLI::App &app)
{
    return std::make_unique<BackupCommand>(app);
}
