#include "core/device/modulereplies.h"

#include "core/json/jsontext.h"

#include <QJsonArray>
#include <QJsonValue>

namespace {

const QLatin1String kSelect("select");
const QLatin1String kNoApiOptionsText("Error 404");
const QLatin1String kNullPageText("{\"null\"}");
const QLatin1String kEmptyPageOpening("{\"");
const QLatin1String kEmptyPageClosing("\":}}");

// Not a JSON object, or an empty one: an empty object.
QJsonObject jsonObject(const QByteArray &body)
{
    QJsonObject object;
    parseJsonObject(body, &object);
    return object;
}

} // namespace

QString replyText(const QByteArray &body)
{
    return QString::fromUtf8(textUpToNul(body));
}

PageListReply readPageListReply(const QByteArray &body)
{
    PageListReply reply;
    const QJsonValue select = jsonObject(body).value(kSelect);
    if (select.isArray()) {
        const QJsonArray keys = select.toArray();
        reply.kind = PageListReply::Pages;
        reply.keys.reserve(keys.size() + 1);
        for (const QJsonValue &key : keys)
            reply.keys.append(key.toString());
        reply.keys.append(kServicePageKey);
        return reply;
    }
    reply.kind
        = replyText(body) == kNoApiOptionsText ? PageListReply::NoApiOptions : PageListReply::Unrecognised;
    return reply;
}

PageReply readPageReply(const QByteArray &body, const QString &pageKey)
{
    PageReply reply;
    const QString text = replyText(body);
    if (text.isEmpty()) {
        reply.kind = PageReply::EmptyBody;
        return reply;
    }
    if (text == kEmptyPageOpening + pageKey + kEmptyPageClosing || text == kNullPageText) {
        reply.kind = PageReply::EmptyPage;
        return reply;
    }
    reply.values = jsonObject(body);
    reply.kind = reply.values.isEmpty() ? PageReply::ParserError : PageReply::Page;
    return reply;
}

QJsonObject pageOptions(const QJsonObject &pageValues, const QString &pageKey)
{
    return pageValues.value(pageKey).toObject();
}
