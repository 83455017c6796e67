#include "cli/context.h"

#include "core/descriptions/catalogfile.h"

#include <cmath>
#include <unistd.h>

Context::Context(const GlobalOptions &options)
    : options(options)
    , reporter(options.quiet, options.verbose)
{ }

ClientSettings Context::clientSettings()
{
    ClientSettings settings;
    settings.timeoutMs = int(std::lround(options.timeoutSeconds * 1000));
    settings.retries = options.retries;
    settings.retryBeforeFirstAnswer = options.retriesGiven;
    if (options.verbose)
        settings.logFailure = [this](const QString &line) {
            reporter.detail(line);
        };
    return settings;
}

bool Context::loadCatalog(QJsonObject *catalog)
{
    const CatalogFile file = readCatalogFile(options.catalogFile);
    switch (file.kind) {
    case CatalogFile::Missing:
        if (options.catalogGiven) {
            reporter.error(QStringLiteral("no catalog file %1").arg(options.catalogFile));
            return false;
        }
        reporter.detail(
            QStringLiteral("no catalog %1: keys without titles and labels").arg(options.catalogFile));
        return true;
    case CatalogFile::Unreadable:
        reporter.error(QStringLiteral("cannot read the catalog %1: %2").arg(options.catalogFile, file.error));
        return false;
    case CatalogFile::Read:
        if (file.catalog.isEmpty())
            reporter.warning(QStringLiteral("the catalog %1 is not a JSON object; it is not used")
                                 .arg(options.catalogFile));
        *catalog = file.catalog;
        return true;
    }
    return true;
}

bool Context::canAsk() const
{
    return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1;
}
