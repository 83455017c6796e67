// The reader that keeps every number exact, against the toolkit's reader of the same text:
// the same verdict on what is JSON, the same values within a double's precision, and its
// own writing read back to the same values exactly.
//
// Where the two may differ: a number beyond a double's range (1e400, 1e-400) is JSON to the
// exact reader and no number to the toolkit's; a raw NUL byte, which the toolkit lets
// through inside a string, is no JSON to the exact reader.

#include "fuzzsupport.h"

#include "core/json/exactnumbers.h"
#include "core/json/jsontext.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <cstdlib>

namespace {

// The double the toolkit reads for the number; *outOfRange is set when the text overflows
// a double (1e400) or underflows it (1e-400).
double numberValue(const QJsonValue &value, bool *outOfRange)
{
    if (!isExactNumber(value))
        return value.toDouble();
    errno = 0;
    const double read = std::strtod(exactNumberText(value).constData(), nullptr);
    if (errno == ERANGE)
        *outOfRange = true;
    return read;
}

// Whether the exact reader's value is the toolkit's, numbers within a double's precision.
bool sameAsToolkit(const QJsonValue &exact, const QJsonValue &toolkit)
{
    if (exact.type() != toolkit.type())
        return false;
    switch (exact.type()) {
    case QJsonValue::Double: {
        bool outOfRange = false;
        return numberValue(exact, &outOfRange) == toolkit.toDouble();
    }
    case QJsonValue::Array: {
        const QJsonArray a = exact.toArray();
        const QJsonArray b = toolkit.toArray();
        if (a.size() != b.size())
            return false;
        for (int i = 0; i < a.size(); ++i) {
            if (!sameAsToolkit(a.at(i), b.at(i)))
                return false;
        }
        return true;
    }
    case QJsonValue::Object: {
        const QJsonObject a = exact.toObject();
        const QJsonObject b = toolkit.toObject();
        if (a.keys() != b.keys())
            return false;
        for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
            if (!sameAsToolkit(it.value(), b.value(it.key())))
                return false;
        }
        return true;
    }
    default:
        return exact == toolkit;
    }
}

// Whether the text holds a number that over- or underflows a double. Read from the text, not
// from the values: of a key given twice only the last value is kept, but the toolkit refuses
// the text for a number of any of them.
bool holdsNumberOutOfRange(const QByteArray &text)
{
    const char *const end = text.constEnd();
    for (const char *p = text.constBegin(); p < end; ++p) {
        if (*p < '0' || *p > '9')
            continue;
        const char *tokenEnd = numberTokenEnd(p, end);
        errno = 0;
        std::strtod(text.mid(int(p - text.constBegin()), int(tokenEnd - p)).constData(), nullptr);
        if (errno == ERANGE)
            return true;
        p = tokenEnd - 1;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzz::bytes(data, size);

    QJsonParseError error;
    const QJsonDocument toolkit = QJsonDocument::fromJson(text, &error);
    const bool toolkitRead = error.error == QJsonParseError::NoError;

    QJsonObject object;
    QJsonArray array;
    const bool readObject = parseJsonObject(text, &object);
    const bool readArray = !readObject && parseJsonArray(text, &array);
    FUZZ_CHECK(!(readObject && readArray));

    if (!readObject && !readArray) {
        // Refused here, read there: only for a raw NUL byte.
        FUZZ_CHECK(!toolkitRead || text.contains('\0'));
        return 0;
    }
    const QJsonValue exact = readObject ? QJsonValue(object) : QJsonValue(array);
    fuzz::checkLookups(readObject ? object : QJsonObject{{QStringLiteral("root"), exact}});

    if (toolkitRead) {
        FUZZ_CHECK(toolkit.isObject() == readObject);
        const QJsonValue read = readObject ? QJsonValue(toolkit.object()) : QJsonValue(toolkit.array());
        FUZZ_CHECK(sameAsToolkit(exact, read));
    } else {
        // Read here, refused there: only for a number beyond a double's range.
        FUZZ_CHECK(error.error == QJsonParseError::IllegalNumber);
        FUZZ_CHECK(holdsNumberOutOfRange(text));
    }

    // Written and read again, every value is exactly the one read.
    const QByteArray indented = indentedJson(exact);
    if (readObject) {
        QJsonObject again;
        FUZZ_CHECK(parseJsonObject(compactJson(object), &again));
        FUZZ_CHECK(sameJsonValue(again, object));
        FUZZ_CHECK(parseJsonObject(indented, &again));
        FUZZ_CHECK(sameJsonValue(again, object));
    } else {
        QJsonArray again;
        FUZZ_CHECK(parseJsonArray(indented, &again));
        FUZZ_CHECK(sameJsonValue(again, array));
    }
    return 0;
}
