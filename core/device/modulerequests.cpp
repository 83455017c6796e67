#include "core/device/modulerequests.h"

#include "core/modules/moduleaddress.h"

#include <QNetworkReply>

namespace {

const QLatin1String kOptionsPath("/jsonoptions");
const QLatin1String kScheme("http");

// An address that is none gives the empty URL, which the toolkit refuses at once: nothing is
// sent and no name is looked up.
QUrl moduleBaseUrl(const QString &moduleAddress)
{
    const ModuleAddress address = parseModuleAddress(moduleAddress);
    if (!address.isValid())
        return {};
    QUrl url;
    url.setScheme(kScheme);
    url.setHost(address.host);
    if (address.port != kModulePort)
        url.setPort(address.port);
    url.setPath(kOptionsPath);
    return url;
}

// The length each byte takes in a query: 1 for the unreserved characters, 3 for the rest,
// which are written as %XX.
struct EncodedLengths
{
    constexpr EncodedLengths()
    {
        for (int c = 0; c < 256; ++c) {
            const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '-' || c == '.' || c == '_' || c == '~';
            length[c] = unreserved ? 1 : 3;
        }
    }
    unsigned char length[256] = {};
};
constexpr EncodedLengths kEncodedLengths;

// "name=" and the value percent-encoded as QByteArray::toPercentEncoding() encodes it (every
// byte but the unreserved characters), written straight into the text the URL keeps: a
// written page is hundreds of kilobytes, encoded on every save.
QString queryText(QLatin1String name, const QByteArray &value)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    const auto *begin = reinterpret_cast<const uchar *>(value.constData());
    const auto *end = begin + value.size();
    int length = name.size();
    for (const uchar *c = begin; c != end; ++c)
        length += kEncodedLengths.length[*c];
    QString text(length, Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : name)
        *out++ = QLatin1Char(c);
    for (const uchar *c = begin; c != end; ++c) {
        if (kEncodedLengths.length[*c] == 1) {
            *out++ = QLatin1Char(char(*c));
            continue;
        }
        out[0] = QLatin1Char('%');
        out[1] = QLatin1Char(hexDigits[*c >> 4]);
        out[2] = QLatin1Char(hexDigits[*c & 0xf]);
        out += 3;
    }
    return text;
}

QUrl moduleUrl(const QString &moduleAddress, const char *queryName, const QByteArray &value)
{
    // The query, percent-encoded here, is set on its own: a written page is a long query,
    // and reading it as part of a whole URL would parse it twice over.
    QUrl url = moduleBaseUrl(moduleAddress);
    if (url.isEmpty())
        return url;
    url.setQuery(queryText(QLatin1String(queryName), value));
    return url;
}

// The toolkit's text for an HTTP error status holds the whole URL, and a write's URL holds
// the whole page: the status line says as much.
QString statusReason(const QNetworkReply &reply, int status)
{
    return QStringLiteral("HTTP %1 %2")
        .arg(QString::number(status), reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
}

QString noAnswerReason(const QNetworkReply &reply)
{
    return QStringLiteral("no answer within %1 s").arg(reply.request().transferTimeout() / 1000.0);
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

QString moduleAddressKey(const QString &moduleAddress)
{
    const ModuleAddress address = parseModuleAddress(moduleAddress);
    if (!address.isValid())
        return moduleAddress;
    const QString host = address.host.contains(QLatin1Char(':'))
        ? QLatin1Char('[') + address.host + QLatin1Char(']')
        : address.host;
    return host + QLatin1Char(':') + QString::number(address.port);
}

QNetworkRequest moduleRequest(const QUrl &url, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    return request;
}

void abortReply(QNetworkReply **tracked)
{
    QNetworkReply *reply = *tracked;
    if (!reply)
        return;
    *tracked = nullptr;
    QObject::disconnect(reply, &QNetworkReply::finished, nullptr, nullptr);
    reply->abort();
    reply->deleteLater();
}

QString failureLine(const ReplyOutcome &outcome)
{
    return outcome.url + QStringLiteral(": ") + outcome.reason;
}

ReplyOutcome finishReply(QNetworkReply *reply, QNetworkReply **tracked)
{
    reply->deleteLater();
    if (*tracked == reply)
        *tracked = nullptr;
    ReplyOutcome outcome;
    outcome.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    switch (reply->error()) {
    case QNetworkReply::NoError:
        outcome.kind = ReplyOutcome::Answered;
        outcome.body = reply->readAll();
        return outcome;
    case QNetworkReply::ContentReSendError:
        outcome.kind = ReplyOutcome::NotResent;
        outcome.reason = reply->errorString();
        break;
    // A reply abandoned on purpose never reaches here (abortReply() disconnects it first):
    // a cancelled one ran out of its transfer timeout.
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        outcome.kind = ReplyOutcome::NoAnswer;
        outcome.reason = noAnswerReason(*reply);
        break;
    default: {
        const bool errorStatus = outcome.httpStatus >= 400;
        outcome.kind = errorStatus ? ReplyOutcome::ErrorStatus : ReplyOutcome::NetworkError;
        outcome.reason = errorStatus ? statusReason(*reply, outcome.httpStatus) : reply->errorString();
        break;
    }
    }
    outcome.url = reply->url().toString(QUrl::RemoveQuery);
    return outcome;
}
