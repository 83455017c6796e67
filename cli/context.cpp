#include "cli/context.h"

#include "cli/targets.h"
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

bool Context::loadCatalog(QJsonObject *catalog, CatalogUse use)
{
    if (use == CatalogUse::None)
        return true;
    const CatalogFile file = readCatalogFile(options.catalogFile);
    switch (file.kind) {
    case CatalogFile::Missing:
        if (options.catalogGiven) {
            reporter.error(QStringLiteral("no catalog file %1").arg(options.catalogFile));
            return false;
        }
        if (use == CatalogUse::Writing) {
            reporter.error(
                QStringLiteral("no catalog %1, so the choices and types of the options are not known "
                               "and nothing is written (name one with --catalog, or go on "
                               "without one with --no-catalog)")
                    .arg(options.catalogFile));
            return false;
        }
        reporter.warning(QStringLiteral("no catalog %1: titles, labels and choice labels are missing")
                             .arg(options.catalogFile));
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

bool Context::checkAddress(const QString &address)
{
    const QString problem = addressProblem(address);
    if (!problem.isEmpty())
        reporter.error(problem);
    return problem.isEmpty();
}

bool Context::canAsk() const
{
    return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1;
}
