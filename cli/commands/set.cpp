#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/fleet.h"
#include "cli/interruption.h"
#include "cli/listedoptions.h"
#include "cli/modulereader.h"
#include "cli/optionpath.h"
#include "cli/valuetext.h"

#include "core/device/modulelock.h"
#include "core/device/modulereplies.h"
#include "core/device/pagecompare.h"
#include "core/device/pagewrite.h"
#include "core/json/jsontext.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

namespace {

const QLatin1Char kAssignment('=');

struct Assignment
{
    OptionPath path;
    QString text;
};

bool parseAssignments(const QStringList &texts, QList<Assignment> *assignments, QString *error)
{
    QStringList seen;
    for (const QString &text : texts) {
        const int equals = text.indexOf(kAssignment);
        if (equals < 0) {
            *error = QStringLiteral("%1 is not PATH=VALUE").arg(text);
            return false;
        }
        const std::optional<OptionPath> path = parseOptionPath(text.left(equals), error);
        if (!path)
            return false;
        if (path->depth < 2) {
            *error = QStringLiteral("%1 names a page; name an option, PAGE/OPTION or PAGE/GROUP/MEMBER")
                         .arg(text.left(equals));
            return false;
        }
        const QString pathText = optionPathText(*path);
        if (seen.contains(pathText)) {
            *error = QStringLiteral("%1 is given twice").arg(pathText);
            return false;
        }
        seen.append(pathText);
        assignments->append({*path, text.mid(equals + 1)});
    }
    return true;
}

QString statusText(TargetStatus status, bool dryRun)
{
    switch (status) {
    case TargetStatus::Done:
        return dryRun ? QStringLiteral("would change") : QStringLiteral("written");
    case TargetStatus::Unchanged:
        return QStringLiteral("unchanged");
    case TargetStatus::Partial:
    case TargetStatus::Failed:
        return QStringLiteral("failed");
    case TargetStatus::BadInput:
        return QStringLiteral("bad input");
    case TargetStatus::NotConfirmed:
        return QStringLiteral("not confirmed");
    }
    return {};
}

// What became of the changes of one page, and of a target some of whose pages were written.
const QString kWritten = QStringLiteral("written");
const QString kNotWritten = QStringLiteral("not written");
const QString kNotConfirmed = QStringLiteral("not confirmed");
const QString kPartlyWritten = QStringLiteral("partly written");

// "1/port (read back 80, written 8080)" for each place a page read back differs in.
QString differencesText(const QList<Difference> &differences)
{
    QStringList places;
    for (const Difference &difference : differences)
        places.append(
            QStringLiteral("%1 (read back %2, written %3)")
                .arg(optionPathText(difference.pathParts()), cellText(difference.a), cellText(difference.b)));
    return places.join(QStringLiteral(", "));
}

// One module: with its lock held, read the pages named, change the values, write each changed
// page back whole and read it again to see that it holds exactly what was written.
class SetJob : public QObject
{
public:
    SetJob(Context *context, const QJsonObject &catalog, const QList<Assignment> &assignments, bool dryRun,
           const Target &target, Fleet::Finish finish)
        : catalog(catalog)
        , assignments(assignments)
        , dryRun(dryRun)
        , target(target)
        , finishJob(std::move(finish))
        , client(target.address, context->clientSettings(), this)
        , lock(target.address)
    { }

    // The read is the read before the write: the lock is taken first, so that no other writer
    // on this machine changes the pages between the two. A dry run writes nothing and takes
    // no turn.
    void start()
    {
        if (dryRun)
            return read();
        lock.acquire(client.timeoutMs(), [this](const QString &error) {
            if (!error.isEmpty())
                return finish(TargetStatus::Failed, error);
            read();
        });
    }

private:
    void read()
    {
        QStringList wanted;
        for (const Assignment &assignment : qAsConst(assignments)) {
            if (!wanted.contains(assignment.path.pageKey))
                wanted.append(assignment.path.pageKey);
        }
        readModule(&client, wanted, [this](const ModuleRead &read) {
            if (!read.listed)
                return finish(TargetStatus::Failed, read.error);
            pageOrder = read.pageKeys;
            if (!read.unknown.isEmpty())
                return finish(TargetStatus::BadInput,
                              QStringLiteral("the module has no page \"%1\"").arg(read.unknown.first()));
            if (!read.errors.isEmpty())
                return finish(TargetStatus::Failed, read.errors.join(QStringLiteral("; ")));
            pages = read.pages;
            plan();
        });
    }

    void plan()
    {
        QStringList problems;
        for (const Assignment &assignment : qAsConst(assignments)) {
            const OptionPath &path = assignment.path;
            const QJsonObject options = pageOptions(pages.value(path.pageKey), path.pageKey);
            const std::optional<ListedOption> option
                = listedOption(path.pageKey, planRows(catalog, path.pageKey, options), path.optionKey,
                               path.memberKey, path.isMember());
            if (!option) {
                problems.append(QStringLiteral("the module has no option %1").arg(optionPathText(path)));
                continue;
            }
            const PlannedRow &row = option->row;
            QString error;
            const std::optional<QJsonValue> value = valueFromText(row, assignment.text, &error);
            if (!value) {
                problems.append(
                    QStringLiteral("%1=%2: the option %3").arg(optionPathText(path), assignment.text, error));
                continue;
            }
            if (!sameJsonValue(*value, row.value)) {
                changes[path.pageKey].append(
                    {path.pageKey, path.optionKey, path.memberKey, path.isMember(), row.value, *value});
                shown.insert(optionPathText(path),
                             {valueWithChoice(*option), valueWithChoice(option, *value)});
            }
        }
        if (!problems.isEmpty()) {
            // Nothing is written to a module with one value that does not fit: none of its
            // changes are shown as if they would be made.
            changes.clear();
            return finish(TargetStatus::BadInput, problems.join(QStringLiteral("; ")));
        }
        if (changes.isEmpty())
            return finish(TargetStatus::Unchanged);
        if (dryRun)
            return finish(TargetStatus::Done);
        writeChanges();
    }

    // Each changed page in the module's order, read back after its write; the first not
    // confirmed stops the rest.
    void writeChanges()
    {
        QList<PageWrite> writes;
        for (const QString &key : qAsConst(pageOrder)) {
            if (changes.contains(key))
                writes.append(changesWrite(key, pages.value(key), changes.value(key)));
        }
        writeAndReadBackInTurn(
            &client, writes,
            [this, writes](const PagesWritten &result) {
                const PageWriteOutcome &last = result.last;
                const bool allWritten = result.confirmed.size() == writes.size();
                // A write sent counts as not confirmed however it ended, as in a restore: the
                // module may hold it in part or whole.
                const bool notConfirmed = last.kind != PageWriteOutcome::Confirmed && last.writeSent();
                for (const PageWrite &write : writes)
                    pageResults.insert(write.pageKey, kNotWritten);
                for (const QString &key : result.confirmed)
                    pageResults.insert(key, kWritten);
                if (!allWritten && notConfirmed)
                    pageResults.insert(writes.at(result.confirmed.size()).pageKey, kNotConfirmed);
                if (allWritten)
                    return finish(TargetStatus::Done);
                QString error = result.stopped ? QStringLiteral("interrupted") : last.reason;
                if (last.kind == PageWriteOutcome::Differs)
                    error += QStringLiteral(": ") + differencesText(last.differences);
                // Some pages changed and others not: the module is neither as it was nor as asked.
                if (!result.confirmed.isEmpty())
                    return finish(TargetStatus::NotConfirmed, error + writtenSoFar(result.confirmed),
                                  kPartlyWritten);
                if (notConfirmed)
                    return finish(TargetStatus::NotConfirmed, error);
                finish(TargetStatus::Failed, error);
            },
            [] { return interruption() == 0; });
    }

    static QString writtenSoFar(const QStringList &written)
    {
        return QStringLiteral(" (pages written before: %1)").arg(written.join(QStringLiteral(", ")));
    }

    void finish(TargetStatus status, const QString &error = {}, const QString &statusOverride = {})
    {
        lock.release();
        TargetOutcome outcome;
        outcome.status = status;
        outcome.error = error;
        const QString result = statusOverride.isEmpty() ? statusText(status, dryRun) : statusOverride;
        QJsonArray changed;
        for (const QString &key : qAsConst(pageOrder)) {
            for (const Difference &change : changes.value(key)) {
                const QString path = optionPathText(change.pathParts());
                const QString changeResult = pageResults.value(key, result);
                changed.append(QJsonObject{{QStringLiteral("path"), path},
                                           {QStringLiteral("from"), change.a},
                                           {QStringLiteral("to"), change.b},
                                           {QStringLiteral("result"), changeResult}});
                const QStringList fromTo = shown.value(path);
                outcome.rows.append(
                    {target.address, path, fromTo.value(0), fromTo.value(1), changeResult, error});
            }
        }
        if (outcome.rows.isEmpty())
            outcome.rows.append({target.address, QString(), QString(), QString(), result, error});
        QJsonObject record{{QStringLiteral("module"), target.address},
                           {QStringLiteral("status"), result},
                           {QStringLiteral("changes"), changed}};
        if (!error.isEmpty())
            record.insert(QStringLiteral("error"), error);
        outcome.record = record;
        client.cancel();
        finishJob(std::move(outcome));
        deleteLater();
    }

    QJsonObject catalog;
    QList<Assignment> assignments;
    bool dryRun;
    Target target;
    Fleet::Finish finishJob;
    ModuleClient client;
    QStringList pageOrder;
    QMap<QString, QJsonObject> pages;
    QMap<QString, QList<Difference>> changes;
    QHash<QString, QStringList> shown; // per path, the values changed from and to as a table shows them
    QMap<QString, QString> pageResults; // once written: what became of each page's changes
    ModuleLock lock;
};

struct SetArgs
{
    TargetChoice targets;
    QStringList assignments; // PATH=VALUE
    bool dryRun = false;
    bool noCatalog = false;
};

class SetCommand : public Command
{
public:
    explicit SetCommand(CLI::App &app)
        : Command(app, "set", "Set options on one module or many: TARGETS PATH=VALUE...")
    {
        addTexts(subcommand, "ARGS", &arguments, "TARGETS, then PATH=VALUE assignments")->required();
        addTargetOptions(subcommand, &args.targets);
        subcommand->add_flag("--dry-run", args.dryRun, "Print what would change and write nothing");
        subcommand->add_flag("--no-catalog", args.noCatalog,
                             "Go on without the catalog: values keep the module's types, choices take "
                             "values only");
        subcommand->footer(
            "With the module's lock held (quillnet and the window on this machine take turns), each\n"
            "page is read, changed, written back whole and read again; a page read back that differs\n"
            "from what was written in any place, asked for or not, is named (exit status 5). Each\n"
            "change is written, not written or not confirmed; a module with some pages written and\n"
            "others not is partly written (5). A value keeps the type the option has on the module;\n"
            "a choice takes its value or its label.\n"
            "Example: quillnet set --all 1/mode=STA 3/net/ch=11 --dry-run");
    }
    int run(Context &context) override;

private:
    QStringList arguments; // TARGETS, then the assignments
    SetArgs args;
};

} // namespace

int SetCommand::run(Context &context)
{
    // Targets first, then the assignments: the first argument with "=" begins them (an
    // address never holds one).
    int first = 0;
    while (first < arguments.size() && !arguments.at(first).contains(kAssignment))
        ++first;
    args.targets.addresses = arguments.mid(0, first);
    args.assignments = arguments.mid(first);
    if (args.assignments.isEmpty()) {
        context.reporter.error(QStringLiteral("set needs at least one PATH=VALUE"));
        return ExitBadInput;
    }

    QString error;
    QList<Assignment> assignments;
    if (!parseAssignments(args.assignments, &assignments, &error)) {
        context.reporter.error(error);
        return ExitBadInput;
    }
    QStringList dropped;
    const QList<Target> targets = resolveTargets(args.targets, context.options.modulesFile, &dropped, &error);
    for (const QString &address : qAsConst(dropped))
        context.reporter.warning(QStringLiteral("%1 is named more than once; it is set once").arg(address));
    if (targets.isEmpty()) {
        context.reporter.error(error);
        return ExitBadInput;
    }
    QJsonObject catalog;
    if (!context.loadCatalog(&catalog, args.noCatalog ? CatalogUse::None : CatalogUse::Writing))
        return ExitBadInput;

    catchInterruptions();
    RecordWriter output(context.options.format,
                        {QStringLiteral("module"), QStringLiteral("path"), QStringLiteral("from"),
                         QStringLiteral("to"), QStringLiteral("result"), QStringLiteral("reason")});
    Fleet fleet(targets, context.options.jobs, &context.reporter);
    fleet.run(
        [&](const Target &target, Fleet::Finish finish, const Fleet::Release &) {
            auto *job = new SetJob(&context, catalog, assignments, args.dryRun, target, std::move(finish));
            job->start();
        },
        [&output](const Target &, const TargetOutcome &outcome) {
            output.add(outcome.record, outcome.rows);
        });
    output.finish();
    context.reporter.info(QStringLiteral("set: %1").arg(
        fleet.summary(args.dryRun ? QStringLiteral("would change") : QStringLiteral("done"))));
    const int status = fleet.exitStatus();
    if (status == ExitSuccess && args.dryRun && fleet.count(TargetStatus::Done) > 0)
        return ExitDifferences;
    return status;
}

std::unique_ptr<Command> addSetCommand(CLI::App &app)
{
    return std::make_unique<SetCommand>(app);
}
