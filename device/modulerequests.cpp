#include "device/modulerequests.h"

namespace {

QUrl moduleUrl(const QString &moduleAddress, const char *pathAndQuery, const QByteArray &value)
{
    return QUrl::fromUserInput(QStringLiteral("http://") + moduleAddress
                               + QLatin1String(pathAndQuery)
                               + QString::fromLatin1(value.toPercentEncoding()));
}

} // namespace

QUrl pageListUrl(const QString &moduleAddress)
{
    return moduleUrl(moduleAddress, "/jsonoptions?select=", QByteArrayLiteral("0"));
}

QUrl pageUrl(const QString &moduleAddress, const QString &pageKey)
{
    return moduleUrl(moduleAddress, "/jsonoptions?select=", pageKey.toUtf8());
}

QUrl writeUrl(const QString &moduleAddress, const QByteArray &document)
{
    return moduleUrl(moduleAddress, "/jsonoptions?write=", document);
}
