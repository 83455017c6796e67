#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"

#include "core/descriptions/catalog.h"

#include <QEventLoop>
#include <QJsonObject>

namespace {

class PagesCommand : public Command
{
public:
    explicit PagesCommand(CLI::App &app)
        : Command(app, "pages", "The page keys of a module in its order, with their titles")
    {
        addText(subcommand, "MODULE", &module, "The module")->required();
    }
    int run(Context &context) override;

private:
    QString module;
};

} // namespace

int PagesCommand::run(Context &context)
{
    if (!context.checkAddress(module))
        return ExitBadInput;
    QJsonObject catalog;
    if (!context.loadCatalog(&catalog))
        return ExitBadInput;
    ModuleClient client(module, context.clientSettings());
    ClientResult list;
    QEventLoop loop;
    client.readPageList([&](const ClientResult &result) {
        list = result;
        loop.quit();
    });
    loop.exec();
    if (!list.ok) {
        context.reporter.error(QStringLiteral("%1: %2").arg(module, list.error));
        return ExitAllFailed;
    }
    const QJsonObject titles = catalog::pageTitles(catalog);
    RecordWriter output(context.options.format, {QStringLiteral("key"), QStringLiteral("title")});
    for (const QString &key : qAsConst(list.pageKeys)) {
        const QString title = catalog::pageTitle(titles, key);
        QJsonObject record{{QStringLiteral("key"), key}};
        if (!title.isEmpty())
            record.insert(QStringLiteral("title"), title);
        output.add(record, {{key, title}});
    }
    output.finish();
    return ExitSuccess;
}

std::unique_ptr<Command> addPagesCommand(CLI::App &app)
{
    return std::make_unique<PagesCommand>(app);
}
