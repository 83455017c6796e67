#include "core/json/jsontext.h"

#include <QJsonDocument>
#include <QJsonParseError>

bool parseJsonObject(const QByteArray &text, QJsonObject *object)
{
    // JSON text never holds a raw NUL byte: inside a string it is written \u0000. The
    // parser accepts one there all the same, but then compares the keys of an object only
    // up to it, so that keys are dropped as duplicates and lookups miss members.
    if (text.contains('\0'))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    *object = document.object();
    return true;
}

QByteArray textUpToNul(const QByteArray &body)
{
    const int nul = body.indexOf('\0');
    return nul < 0 ? body : body.left(nul);
}
