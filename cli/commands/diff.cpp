#include "cli/backupfile.h"
#include "cli/backuphistory.h"
#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/listedoptions.h"
#include "cli/modulereader.h"
#include "cli/optionpath.h"

#include "core/device/modulereplies.h"
#include "core/device/pagecompare.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QJsonObject>

#include <optional>

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace {

// One side of a diff: a module's pages now, or a backup file's.
struct Side
{
    QString name;
    bool isFile = false;
    std::optional<HistoryReference> version; // FOLDER@REV: a module's file in a history
    QString address; // the module it is of, once read
    QStringList pageKeys;
    QMap<QString, QJsonObject> pages;
    QStringList unreadable; // pages it could not give
    int failure = ExitSuccess; // the exit status when the side could not be read at all
    QString error;
};

bool looksLikeFile(const QString &text)
{
    return text.contains(QLatin1Char('/')) || text.endsWith(QLatin1String(".json"));
}

void readFileSide(Side *side, const QString &address = {})
{
    const BackupRead read
        = side->version ? readHistoryBackup(*side->version, address) : readBackupFile(side->name);
    if (read.kind != BackupRead::Read) {
        side->failure = read.kind == BackupRead::Unreadable ? ExitBadInput : ExitNotABackup;
        side->error = read.error;
        return;
    }
    side->address = read.backup.address;
    side->pageKeys = read.backup.pageKeys;
    side->pages = read.backup.pages;
    side->unreadable = read.backup.incomplete;
}

// Both modules are read at once, each through its own client.
void readModuleSides(std::initializer_list<Side *> sides, Context &context)
{
    QList<std::shared_ptr<ModuleClient>> clients;
    QEventLoop loop;
    int reading = 0;
    for (Side *side : sides) {
        if (side->isFile || side->version)
            continue;
        clients.append(std::make_shared<ModuleClient>(side->name, context.clientSettings()));
        ++reading;
        readModule(clients.last().get(), std::nullopt, [side, &reading, &loop](const ModuleRead &read) {
            if (!read.listed) {
                side->failure = ExitAllFailed;
                side->error = QStringLiteral("%1: %2").arg(side->name, read.error);
            }
            side->address = side->name;
            side->pageKeys = read.pageKeys;
            side->pages = read.pages;
            side->unreadable = read.incomplete;
            if (--reading == 0)
                loop.quit();
        });
    }
    if (reading > 0)
        loop.exec();
}

struct DiffArgs
{
    QString a;
    QString b;
    QString module; // whose file FOLDER@REV names when neither side says
};

class DiffCommand : public Command
{
public:
    explicit DiffCommand(CLI::App &app)
        : Command(app, "diff", "Options that differ between two modules or backup files")
    {
        addText(subcommand, "A", &args.a, "A MODULE or a backup file")->required();
        addText(subcommand, "B", &args.b, "A MODULE or a backup file")->required();
        addText(subcommand, "--module", &args.module, "The module whose file FOLDER@REV names");
        subcommand->footer(
            "A or B may be FOLDER@REV, a module's file in a history at a revision (history@HEAD~3): the\n"
            "module of the other side, or --module.\n"
            "Example: quillnet diff 192.168.4.20 boiler.json\n"
            "Example: quillnet diff 192.168.4.20 history@HEAD~1");
    }
    int run(Context &context) override;

private:
    DiffArgs args;
};

} // namespace

int DiffCommand::run(Context &context)
{
    QJsonObject catalog; // for the labels of choices
    if (!context.loadCatalog(&catalog))
        return ExitBadInput;
    Side a;
    Side b;
    a.name = args.a;
    b.name = args.b;
    const std::initializer_list<Side *> sides{&a, &b};
    // Both sides are judged before either module is asked anything.
    for (Side *side : sides) {
        side->isFile = QFileInfo(side->name).isFile();
        side->version = historyReference(side->name);
        if (side->version)
            continue; // read once the other side has said which module it is of
        if (side->isFile) {
            readFileSide(side);
        } else if (looksLikeFile(side->name)) {
            side->failure = ExitBadInput;
            side->error = QStringLiteral("no backup file %1").arg(side->name);
        } else {
            side->error = addressProblem(side->name);
            side->failure = side->error.isEmpty() ? ExitSuccess : ExitBadInput;
        }
    }
    const auto failedSide = [&sides] {
        return std::find_if(sides.begin(), sides.end(),
                            [](const Side *side) { return side->failure != ExitSuccess; });
    };
    if (failedSide() == sides.end())
        readModuleSides(sides, context);
    for (const auto &[side, other] : {std::make_pair(&a, &b), std::make_pair(&b, &a)}) {
        if (!side->version || side->failure != ExitSuccess)
            continue;
        const QString address = !args.module.isEmpty() ? args.module : other->address;
        if (address.isEmpty() && other->failure == ExitSuccess) {
            side->failure = ExitBadInput;
            side->error = QStringLiteral("%1 names a history: say whose file with --module").arg(side->name);
            continue;
        }
        if (!address.isEmpty())
            readFileSide(side, address);
    }
    const auto failed = failedSide();
    if (failed != sides.end()) {
        context.reporter.error((*failed)->error);
        return (*failed)->failure;
    }

    QStringList keys = a.pageKeys;
    for (const QString &key : qAsConst(b.pageKeys)) {
        if (!keys.contains(key))
            keys.append(key);
    }
    bool skipped = false;
    int differences = 0;
    RecordWriter output(context.options.format,
                        {QStringLiteral("path"), QStringLiteral("a"), QStringLiteral("b")});
    for (const QString &key : qAsConst(keys)) {
        if (a.unreadable.contains(key) || b.unreadable.contains(key)) {
            context.reporter.warning(QStringLiteral("page \"%1\" is not compared: %2 could not read it")
                                         .arg(key, a.unreadable.contains(key) ? a.name : b.name));
            skipped = true;
            continue;
        }
        const QJsonObject aOptions = pageOptions(a.pages.value(key), key);
        const QJsonObject bOptions = pageOptions(b.pages.value(key), key);
        const RowPlan aPlan = planRows(catalog, key, aOptions);
        const RowPlan bPlan = planRows(catalog, key, bOptions);
        for (const Difference &difference : compareOptions(key, aOptions, bOptions)) {
            const QString path = optionPathText(difference.pathParts());
            QJsonObject record{{QStringLiteral("path"), path}};
            if (!difference.a.isUndefined())
                record.insert(QStringLiteral("a"), difference.a);
            if (!difference.b.isUndefined())
                record.insert(QStringLiteral("b"), difference.b);
            output.add(record,
                       {{path, valueWithChoice(key, aPlan, difference, difference.a),
                         valueWithChoice(key, bPlan, difference, difference.b)}});
            ++differences;
        }
    }
    output.finish();
    context.reporter.info(
        QStringLiteral("%1 difference(s) between %2 and %3").arg(differences).arg(a.name, b.name));
    if (skipped)
        return ExitSomeFailed;
    return differences > 0 ? ExitDifferences : ExitSuccess;
}

std::unique_ptr<Command> addDiffCommand(CLI::App &app)
{
    return std::make_unique<DiffCommand>(app);
}
