#include "core/json/jsontext.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace {

// The document of a JSON text, or a null one when the text is no JSON. JSON text never holds
// a raw NUL byte: inside a string it is written \u0000. The parser accepts one there all the
// same, but then compares the keys of an object only up to it, so that keys are dropped as
// duplicates and lookups miss members.
QJsonDocument parseJson(const QByteArray &text)
{
    if (text.contains('\0'))
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    return error.error == QJsonParseError::NoError ? document : QJsonDocument();
}

} // namespace

bool parseJsonObject(const QByteArray &text, QJsonObject *object)
{
    const QJsonDocument document = parseJson(text);
    if (!document.isObject())
        return false;
    *object = document.object();
    return true;
}

bool parseJsonArray(const QByteArray &text, QJsonArray *array)
{
    const QJsonDocument document = parseJson(text);
    if (!document.isArray())
        return false;
    *array = document.array();
    return true;
}

QString jsonText(const QJsonValue &value)
{
    // The toolkit writes only arrays and objects as documents: a value goes in an array of
    // one, whose brackets are cut off again.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QByteArray textUpToNul(const QByteArray &body)
{
    const int nul = body.indexOf('\0');
    return nul < 0 ? body : body.left(nul);
}
