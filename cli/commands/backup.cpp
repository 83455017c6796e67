#include "cli/backupfile.h"
#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/fleet.h"
#include "cli/modulereader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QRunnable>
#include <QThreadPool>

#include <cstdio>
#include <optional>

namespace {

const QString kStandardOutput = QStringLiteral("-");
const QString kBackupSuffix = QStringLiteral(".json");

// A file name that says which module it holds: "10.0.0.5_8080.json".
QString backupFileName(const QString &address)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return QString(address).replace(unsafe, QStringLiteral("_")) + kBackupSuffix;
}

// What one module's backup came to, as the outcome of its target.
struct Outcome
{
    QString address;
    QString path;
    int pages = 0;
    QStringList incomplete;
    QStringList errors; // why those pages could not be read

    TargetOutcome written() const
    {
        if (incomplete.isEmpty())
            return make(TargetStatus::Done, QString());
        return make(TargetStatus::Partial,
                    QStringLiteral("the backup %1 lacks pages that could not be read: %2")
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
        outcome.rows = {{address, hasFile ? path : QString(), QString::number(pages), result}};
        return outcome;
    }
};

bool writeToStandardOutput(const Backup &backup)
{
    const bool written = writeBackup(backup, [](const QByteArray &text) {
        return std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size());
    });
    return std::fflush(stdout) == 0 && written;
}

struct BackupArgs
{
    TargetChoice targets;
    QString output; // -O; empty: a file per module in the working folder
};

class BackupCommand : public Command
{
public:
    explicit BackupCommand(CLI::App &app)
        : Command(app, "backup", "Back up every page of each module into a file")
    {
        addTexts(subcommand, "TARGETS", &args.targets.addresses, "The modules");
        addTargetOptions(subcommand, &args.targets);
        addText(subcommand, "-O", &args.output,
                "A file for one module, a folder for several, - for standard output");
        subcommand->footer(
            "Without -O, each module's backup goes to ADDRESS.json in the working folder, \":\" written\n"
            "as \"_\" (10.0.0.5_8080.json).\n"
            "Example: quillnet backup --all -O backups/");
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

    // Where each backup goes: a file, standard output, or a file per module in a folder.
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
        if (targets.size() == 1 && !output.isDir()) {
            singleFile = output.absoluteFilePath();
        } else if (output.exists() && !output.isDir()) {
            context.reporter.error(QStringLiteral("-O %1: backups of several modules go into a folder, and "
                                                  "this is a file")
                                       .arg(args.output));
            return ExitBadInput;
        } else if (!QDir().mkpath(args.output)) {
            context.reporter.error(QStringLiteral("cannot make the folder %1").arg(args.output));
            return ExitBadInput;
        } else {
            folder = output.absoluteFilePath();
        }
    }
    const auto pathFor = [&](const Target &target) {
        return singleFile.isEmpty() ? QDir(folder).filePath(backupFileName(target.address)) : singleFile;
    };

    // With -O - the backup itself is the data.
    std::optional<RecordWriter> output;
    if (!toStandardOutput)
        output.emplace(context.options.format,
                       QStringList{QStringLiteral("module"), QStringLiteral("file"), QStringLiteral("pages"),
                                   QStringLiteral("result")});
    // As many writers as modules at once: a file is synced to disk before it counts as
    // saved, and syncs of different files overlap well.
    QThreadPool writers;
    writers.setMaxThreadCount(context.options.jobs);
    Fleet fleet(targets, context.options.jobs, &context.reporter);
    fleet.run(
        [&](const Target &target, const Fleet::Finish &finish, const Fleet::Release &release) {
            auto *client = new ModuleClient(target.address, context.clientSettings());
            readModule(client, std::nullopt, [&, target, client, finish, release](const ModuleRead &read) {
                client->deleteLater();
                const QString path = toStandardOutput ? kStandardOutput : pathFor(target);
                Outcome outcome{target.address, path, int(read.pages.size()), read.incomplete, read.errors};
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
                writers.start(QRunnable::create([backup = std::move(backup), path, outcome, finish] {
                    QString error;
                    const bool written = writeBackupFile(backup, path, &error);
                    QMetaObject::invokeMethod(
                        QCoreApplication::instance(),
                        [=] { finish(written ? outcome.written() : outcome.failed(error)); },
                        Qt::QueuedConnection);
                }));
            });
        },
        [&](const Target &, const TargetOutcome &outcome) {
            if (output)
                output->add(outcome.record, outcome.rows);
        });
    if (output)
        output->finish();
    context.reporter.info(QStringLiteral("backup: %1").arg(fleet.summary()));
    return fleet.exitStatus();
}

std::unique_ptr<Command> addBackupCommand(CLI::App &app)
{
    return std::make_unique<BackupCommand>(app);
}
