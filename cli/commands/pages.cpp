#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"

#include "core/descriptions/catalog.h"

#include <QEventLoop>
#include <QJsonObject>

int runPages(Context &context, const QString &module)
{
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
