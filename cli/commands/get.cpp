#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"
#include "cli/listedoptions.h"
#include "cli/modulereader.h"
#include "cli/optionpath.h"

#include "core/device/modulereplies.h"

#include <QJsonObject>

namespace {

struct GetArgs
{
    QString module;
    QString path; // empty: every page
};

class GetCommand : public Command
{
public:
    explicit GetCommand(CLI::App &app)
        : Command(app, "get", "A whole module, one page, one option or one member")
    {
        addText(subcommand, "MODULE", &args.module, "The module")->required();
        addText(subcommand, "PATH", &args.path, "PAGE, PAGE/OPTION or PAGE/GROUP/MEMBER");
        subcommand->footer("Example: quillnet get 192.168.4.20 3/net/ip");
    }
    int run(Context &context) override;

private:
    GetArgs args;
};

} // namespace

int GetCommand::run(Context &context)
{
    if (!context.checkAddress(args.module))
        return ExitBadInput;
    QString error;
    std::optional<OptionPath> path;
    if (!args.path.isEmpty()) {
        path = parseOptionPath(args.path, &error);
        if (!path) {
            context.reporter.error(error);
            return ExitBadInput;
        }
    }
    QJsonObject catalog;
    if (!context.loadCatalog(&catalog))
        return ExitBadInput;

    ModuleClient client(args.module, context.clientSettings());
    const ModuleRead read = readModuleAndWait(
        &client, path ? std::optional<QStringList>(QStringList{path->pageKey}) : std::nullopt);
    if (!read.listed) {
        context.reporter.error(QStringLiteral("%1: %2").arg(args.module, read.error));
        return ExitAllFailed;
    }
    if (!read.unknown.isEmpty()) {
        context.reporter.error(QStringLiteral("%1 has no page \"%2\"").arg(args.module, path->pageKey));
        return ExitBadInput;
    }
    for (const QString &message : read.errors)
        context.reporter.error(QStringLiteral("%1: %2").arg(args.module, message));
    if (path && read.pages.isEmpty())
        return ExitAllFailed;

    QList<ListedOption> rows;
    QJsonValue value; // for -o json: the options of every page, of the page, or the value
    int status = ExitSuccess;
    if (!path) {
        QJsonObject pages;
        for (const QString &key : read.pageKeys) {
            if (!read.pages.contains(key))
                continue;
            const QJsonObject options = pageOptions(read.pages.value(key), key);
            rows += listedOptions(key, planRows(catalog, key, options));
            pages.insert(key, options);
        }
        value = pages;
        status = read.incomplete.isEmpty() ? ExitSuccess : ExitSomeFailed;
    } else {
        const QJsonObject options = pageOptions(read.pages.value(path->pageKey), path->pageKey);
        const RowPlan plan = planRows(catalog, path->pageKey, options);
        const QJsonValue option = options.value(path->optionKey);
        if (path->depth > 1
            && (!options.contains(path->optionKey)
                || (path->isMember() && !option.toObject().contains(path->memberKey)))) {
            context.reporter.error(
                QStringLiteral("%1 has no option %2").arg(args.module, optionPathText(*path)));
            return ExitBadInput;
        }
        if (path->depth == 1) {
            rows = listedOptions(path->pageKey, plan);
            value = options;
        } else if (path->isMember()) {
            if (const std::optional<ListedOption> member
                = listedOption(path->pageKey, plan, path->optionKey, path->memberKey, true))
                rows = {*member};
            value = option.toObject().value(path->memberKey);
        } else {
            rows = listedOptions(path->pageKey, plan, path->optionKey);
            value = option;
        }
    }

    if (context.options.format == OutputFormat::Json) {
        printData(jsonDocumentText(value));
        return status;
    }
    RecordWriter output(context.options.format,
                        {QStringLiteral("path"), QStringLiteral("label"), QStringLiteral("value")});
    for (const ListedOption &option : qAsConst(rows)) {
        const QString text = optionPathText(option.pathParts());
        output.add(QJsonObject{{QStringLiteral("path"), text},
                               {QStringLiteral("label"), option.label},
                               {QStringLiteral("value"), option.row.value}},
                   {{text, option.label, valueWithChoice(option)}});
    }
    return status;
}

std::unique_ptr<Command> addGetCommand(CLI::App &app)
{
    return std::make_unique<GetCommand>(app);
}
