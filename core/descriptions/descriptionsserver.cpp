#include "core/descriptions/descriptionsserver.h"

namespace {

const QLatin1String kCatalogPath("/api/app/init.json");

QString &host()
{
    // Assigned through the reference returned, which cppcheck does not follow.
    // cppcheck-suppress unassignedVariable
    static QString value;
    return value;
}

} // namespace

void setDescriptionsHost(const QString &newHost)
{
    host() = newHost;
}

QString descriptionsHost()
{
    return host();
}

QUrl catalogUrl()
{
    return QUrl::fromUserInput(QStringLiteral("http://") + host() + kCatalogPath);
}
