#include "sim/writedecoding.h"

#include "core/json/jsontext.h"

QByteArray rawWriteDocument(const QByteArray &target)
{
    const int query = target.indexOf('?');
    if (query < 0)
        return {};
    const QByteArray params = target.mid(query + 1);
    static const QByteArray name = QByteArrayLiteral("write=");
    if (params.startsWith(name))
        return params.mid(name.size());
    const int at = params.indexOf('&' + name);
    return at < 0 ? QByteArray() : params.mid(at + 1 + name.size());
}

QByteArray writeDocument(const QByteArray &target)
{
    const QByteArray raw = rawWriteDocument(target);
    if (raw.isNull())
        return {};
    // fromPercentEncoding() gives a null array for an empty one: an empty write is
    // still a write.
    const QByteArray document = QByteArray::fromPercentEncoding(raw);
    return document.isNull() ? QByteArray("") : document;
}

bool mergeWrite(QJsonObject *pages, const QByteArray &document)
{
    QJsonObject written;
    if (!parseJsonObject(document, &written))
        return false;
    for (auto member = written.begin(); member != written.end(); ++member) {
        if (!member.value().isObject() || !pages->contains(member.key()))
            continue;
        QJsonObject page = pages->value(member.key()).toObject();
        const QJsonObject options = member.value().toObject();
        for (auto option = options.begin(); option != options.end(); ++option)
            page.insert(option.key(), option.value());
        pages->insert(member.key(), page);
    }
    return true;
}
