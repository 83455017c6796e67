#include "support/testdescriptionshost.h"

#include "descriptions/descriptionshost.h"

namespace {

QString &testHost()
{
    static QString host = QStringLiteral("127.0.0.1:1");
    return host;
}

} // namespace

void setTestDescriptionsHost(const QString &host)
{
    testHost() = host;
}

QString descriptionsHost()
{
    return testHost();
}
