#include "device/modulerequests.h"

namespace {

const QLatin1String kOptionsPath("/jsonoptions");

QUrl moduleUrl(const QString &moduleAddress, const char *queryName, const QByteArray &value)
{
    // The address is read as the user typed it, tolerantly; the query, percent-encoded here,
    // is set on its own: a written page is a long query, and reading it as user input would
    // parse it twice over (and once more as a would-be IPv6 address).
    QUrl url = QUrl::fromUserInput(QStringLiteral("http://") + moduleAddress + kOptionsPath);
    url.setQuery(QLatin1String(queryName) + QString::fromLatin1(value.toPercentEncoding()));
    return url;
}

} // namespace

QUrl pageListUrl(const QString &moduleAddress)
{
    return moduleUrl(moduleAddress, "select=", QByteArrayLiteral("0"));
}

QUrl pageUrl(const QString &moduleAddress, const QString &pageKey)
{
    return moduleUrl(moduleAddress, "select=", pageKey.toUtf8());
}

QUrl writeUrl(const QString &moduleAddress, const QByteArray &document)
{
    return moduleUrl(moduleAddress, "write=", document);
}
