#include "core/json/jsontext.h"

#include "core/json/exactnumbers.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QVector>

#include <utility>

// The toolkit reads and writes the JSON; the numbers it would not give back exactly go
// through it as stand-ins: strings made of a marker character, one of the Unicode
// noncharacters, and their place in a list of number texts. A marker is taken that no string
// of the text or the values begins with, so a stand-in is never taken for a string.

namespace {

constexpr char16_t kFirstMarker = 0xFDD0;
constexpr int kMarkers = 32; // U+FDD0 to U+FDEF

using NumberTexts = QVector<QByteArray>;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The places of the numbers that need their text, as the toolkit would read the text: only
// where a value stands, in an array or after a key. Strings are passed over whole.
QVector<std::pair<int, int>> exactNumberSpans(const QByteArray &text)
{
    QVector<std::pair<int, int>> spans;
    QByteArray open; // the brackets around the place being read
    bool valueNext = false;
    const char *const begin = text.constBegin();
    const char *const end = text.constEnd();
    for (const char *p = begin; p < end; ++p) {
        const char c = *p;
        if (isBlank(c))
            continue;
        const bool atValue = valueNext;
        valueNext = false;
        switch (c) {
        case '"':
            for (++p; p < end && *p != '"'; ++p) {
                if (*p == '\\')
                    ++p;
            }
            break;
        case '{':
            open += '{';
            break;
        case '[':
            open += '[';
            valueNext = true;
            break;
        case ':':
            valueNext = open.endsWith('{');
            break;
        case ',':
            valueNext = open.endsWith('[');
            break;
        case '}':
        case ']':
            open.chop(1);
            break;
        default:
            if (atValue && (c == '-' || c == '.' || (c >= '0' && c <= '9'))) {
                const char *tokenEnd = numberTokenEnd(p, end);
                if (needsExactNumber(p, tokenEnd))
                    spans.append({int(p - begin), int(tokenEnd - begin)});
                p = tokenEnd - 1;
            }
            break;
        }
    }
    return spans;
}

QString standIn(QChar marker, int place)
{
    return marker + QString::number(place);
}

// A marker that begins none of the strings of the text, raw or escaped; null when all do.
QChar markerAbsentFrom(const QByteArray &text)
{
    const QByteArray lower = text.toLower();
    for (int i = 0; i < kMarkers; ++i) {
        const QChar marker(char16_t(kFirstMarker + i));
        if (!text.contains(QString(marker).toUtf8())
            && !lower.contains("\\u" + QByteArray::number(marker.unicode(), 16)))
            return marker;
    }
    return {};
}

// Replaces, in an object or array, each member or item that replace (applied to it
// recursively) changes; true when any changed. Only the members that change are put back:
// a member replaced in an object costs the toolkit a pass over the object.
template<typename Replace> bool replaceWithin(QJsonValue *value, const Replace &replace)
{
    if (value->isObject()) {
        QJsonObject object = value->toObject();
        QVector<std::pair<QString, QJsonValue>> changed;
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            QJsonValue member = it.value();
            if (replace(&member))
                changed.append({it.key(), member});
        }
        for (const auto &member : qAsConst(changed))
            object.insert(member.first, member.second);
        if (!changed.isEmpty())
            *value = object;
        return !changed.isEmpty();
    }
    if (value->isArray()) {
        QJsonArray array = value->toArray();
        bool changed = false;
        for (int i = 0; i < array.size(); ++i) {
            QJsonValue item = array.at(i);
            if (replace(&item)) {
                array.replace(i, item);
                changed = true;
            }
        }
        if (changed)
            *value = array;
        return changed;
    }
    return false;
}

// The stand-ins of the value put back as exact numbers; true when there were any.
bool putBackNumbers(QJsonValue *value, QChar marker, const NumberTexts &numbers)
{
    if (value->isString()) {
        const QString text = value->toString();
        if (text.size() < 2 || text.at(0) != marker)
            return false;
        bool ok = false;
        const int place = text.midRef(1).toInt(&ok);
        if (!ok || place < 0 || place >= numbers.size())
            return false;
        *value = exactNumber(numbers.at(place));
        return true;
    }
    return replaceWithin(value, [&](QJsonValue *inner) { return putBackNumbers(inner, marker, numbers); });
}

// The document of a JSON text, or a null one when the text is no JSON. JSON text never holds
// a raw NUL byte: inside a string it is written \u0000. The parser accepts one there all the
// same, but then compares the keys of an object only up to it, so that keys are dropped as
// duplicates and lookups miss members.
QJsonValue parseJson(const QByteArray &text)
{
    if (text.contains('\0'))
        return {};
    const QVector<std::pair<int, int>> spans = exactNumberSpans(text);
    // A text holding every marker is read as the toolkit reads it.
    const QChar marker = spans.isEmpty() ? QChar() : markerAbsentFrom(text);
    QByteArray read = text;
    NumberTexts numbers;
    if (!marker.isNull()) {
        read.clear();
        read.reserve(text.size());
        int from = 0;
        for (const auto &span : spans) {
            numbers.append(text.mid(span.first, span.second - span.first));
            read += text.mid(from, span.first - from);
            read += '"' + standIn(marker, numbers.size() - 1).toUtf8() + '"';
            from = span.second;
        }
        read += text.mid(from);
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(read, &error);
    if (error.error != QJsonParseError::NoError)
        return {};
    QJsonValue root = document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    if (!numbers.isEmpty())
        putBackNumbers(&root, marker, numbers);
    return root;
}

// What writing a value needs to know first: how many exact numbers it holds, and which
// markers begin its strings and keys.
struct Survey
{
    int exactNumbers = 0;
    quint32 markersTaken = 0;

    void noteString(const QString &text)
    {
        if (text.isEmpty())
            return;
        const int marker = text.at(0).unicode() - kFirstMarker;
        if (marker >= 0 && marker < kMarkers)
            markersTaken |= quint32(1) << marker;
    }
    void look(const QJsonValue &value)
    {
        if (isExactNumber(value)) {
            ++exactNumbers;
        } else if (value.isString()) {
            noteString(value.toString());
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
                noteString(it.key());
                look(it.value());
            }
        } else if (value.isArray()) {
            const QJsonArray array = value.toArray();
            for (const QJsonValue item : array)
                look(item);
        }
    }
};

// The value with each exact number replaced by its stand-in, its text added to *numbers;
// true when there were any.
bool putStandIns(QJsonValue *value, QChar marker, NumberTexts *numbers)
{
    if (isExactNumber(*value)) {
        numbers->append(exactNumberText(*value));
        *value = standIn(marker, numbers->size() - 1);
        return true;
    }
    return replaceWithin(value, [&](QJsonValue *inner) { return putStandIns(inner, marker, numbers); });
}

QByteArray toolkitText(const QJsonValue &objectOrArray, QJsonDocument::JsonFormat format)
{
    const QJsonDocument document = objectOrArray.isArray() ? QJsonDocument(objectOrArray.toArray())
                                                           : QJsonDocument(objectOrArray.toObject());
    return document.toJson(format);
}

// The text the toolkit writes, with each stand-in, quotes and all, replaced by its number.
QByteArray withNumbers(const QByteArray &text, QChar marker, const NumberTexts &numbers)
{
    const QByteArray markerText = QString(marker).toUtf8();
    QByteArray result;
    result.reserve(text.size());
    int from = 0;
    for (int at = text.indexOf(markerText); at >= 0; at = text.indexOf(markerText, at + 1)) {
        int end = at + markerText.size();
        while (end < text.size() && text.at(end) >= '0' && text.at(end) <= '9')
            ++end;
        if (at == 0 || text.at(at - 1) != '"' || end >= text.size() || text.at(end) != '"')
            continue;
        const int place = text.mid(at + markerText.size(), end - at - markerText.size()).toInt();
        result += text.mid(from, at - 1 - from);
        result += numbers.value(place);
        from = end + 1;
    }
    result += text.mid(from);
    return result;
}

QByteArray documentText(const QJsonValue &objectOrArray, QJsonDocument::JsonFormat format)
{
    if (!exactNumbersInUse())
        return toolkitText(objectOrArray, format);
    Survey survey;
    survey.look(objectOrArray);
    if (survey.exactNumbers == 0)
        return toolkitText(objectOrArray, format);
    int free = 0;
    while (free < kMarkers && (survey.markersTaken & (quint32(1) << free)))
        ++free;
    // Strings beginning with every one of the markers: the numbers go out as the toolkit
    // holds them, not a stand-in taken for a string.
    if (free == kMarkers)
        return toolkitText(objectOrArray, format);
    const QChar marker(char16_t(kFirstMarker + free));
    NumberTexts numbers;
    QJsonValue standIns = objectOrArray;
    putStandIns(&standIns, marker, &numbers);
    return withNumbers(toolkitText(standIns, format), marker, numbers);
}

} // namespace

bool parseJsonObject(const QByteArray &text, QJsonObject *object)
{
    const QJsonValue root = parseJson(text);
    if (!root.isObject())
        return false;
    *object = root.toObject();
    return true;
}

bool parseJsonArray(const QByteArray &text, QJsonArray *array)
{
    const QJsonValue root = parseJson(text);
    if (!root.isArray())
        return false;
    *array = root.toArray();
    return true;
}

QString jsonText(const QJsonValue &value)
{
    if (isExactNumber(value))
        return QString::fromLatin1(exactNumberText(value));
    // The toolkit writes only arrays and objects as documents: a value goes in an array of
    // one, whose brackets are cut off again.
    const QByteArray text = documentText(QJsonArray{value}, QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QByteArray compactJson(const QJsonObject &object)
{
    return documentText(object, QJsonDocument::Compact);
}

QByteArray indentedJson(const QJsonValue &objectOrArray)
{
    return documentText(objectOrArray, QJsonDocument::Indented);
}

bool sameJsonValue(const QJsonValue &a, const QJsonValue &b)
{
    // Not the toolkit's comparison even for plain numbers: it holds an integral double as an
    // integer, so 99999999999045e4 and 999999999990450000, one value, compare unequal.
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case QJsonValue::Double:
        return sameNumber(a, b);
    case QJsonValue::Object: {
        const QJsonObject objectA = a.toObject();
        const QJsonObject objectB = b.toObject();
        if (objectA.size() != objectB.size())
            return false;
        for (auto itA = objectA.constBegin(), itB = objectB.constBegin(); itA != objectA.constEnd();
             ++itA, ++itB) {
            if (itA.key() != itB.key() || !sameJsonValue(itA.value(), itB.value()))
                return false;
        }
        return true;
    }
    case QJsonValue::Array: {
        const QJsonArray arrayA = a.toArray();
        const QJsonArray arrayB = b.toArray();
        if (arrayA.size() != arrayB.size())
            return false;
        for (int i = 0; i < arrayA.size(); ++i) {
            if (!sameJsonValue(arrayA.at(i), arrayB.at(i)))
                return false;
        }
        return true;
    }
    default:
        return a == b;
    }
}

QByteArray textUpToNul(const QByteArray &body)
{
    const int nul = body.indexOf('\0');
    return nul < 0 ? body : body.left(nul);
}
