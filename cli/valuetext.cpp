#include "cli/valuetext.h"

#include "core/json/exactnumbers.h"
#include "core/json/jsontext.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// Whole numbers up to this a double holds; beyond, a number keeps its text.
constexpr qint64 kLargestExactInteger = qint64(1) << 53;

std::optional<QJsonValue> choiceFromText(const PlannedRow &option, const QString &text, QString *error)
{
    const QList<ChoiceEntry> &choices = option.choices->entries;
    // A value first; a label only when no value matches.
    auto chosen = std::find_if(choices.cbegin(), choices.cend(),
                               [&text](const ChoiceEntry &entry) { return entry.value == text; });
    if (chosen == choices.cend())
        chosen = std::find_if(choices.cbegin(), choices.cend(),
                              [&text](const ChoiceEntry &entry) { return entry.label == text; });
    if (chosen == choices.cend()) {
        QStringList listed;
        for (const ChoiceEntry &entry : choices)
            listed.append(entry.value == entry.label
                              ? entry.value
                              : entry.value + QStringLiteral(" (") + entry.label + QLatin1Char(')'));
        *error = QStringLiteral("takes one of its choices: %1").arg(listed.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    if (option.value.isString())
        return QJsonValue(chosen->value);
    bool ok = false;
    const int number = chosen->value.toInt(&ok, 10);
    if (!ok) {
        *error = QStringLiteral("is a number, and the choice's value %1 is not").arg(chosen->value);
        return std::nullopt;
    }
    return QJsonValue(number);
}

// A number the toolkit's values would not hold exactly (a 20-digit serial, a long decimal),
// as the module would read its JSON text.
std::optional<QJsonValue> exactNumberFromText(const QString &text)
{
    static const QRegularExpression jsonNumber(
        QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][+-]?[0-9]+)?$"));
    QJsonArray parsed;
    if (!jsonNumber.match(text).hasMatch() || !parseJsonArray('[' + text.toUtf8() + ']', &parsed)
        || !isExactNumber(parsed.at(0)))
        return std::nullopt;
    return parsed.at(0);
}

bool isWholeNumber(const QJsonValue &stored)
{
    if (isExactNumber(stored))
        return !jsonText(stored).contains(QRegularExpression(QStringLiteral("[.eE]")));
    const double current = stored.toDouble();
    return current == std::floor(current);
}

std::optional<QJsonValue> numberFromText(const QJsonValue &stored, const QString &text, QString *error)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^-?[0-9]+$"));
    const bool whole = isWholeNumber(stored);
    if (wholeNumber.match(text).hasMatch()) {
        bool ok = false;
        const qint64 number = text.toLongLong(&ok, 10);
        if (ok && std::llabs(number) <= kLargestExactInteger)
            return QJsonValue(number);
        if (std::optional<QJsonValue> exact = exactNumberFromText(text))
            return exact;
    } else if (!whole) {
        if (std::optional<QJsonValue> exact = exactNumberFromText(text))
            return exact;
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (ok && std::isfinite(number))
            return QJsonValue(number);
    }
    *error = whole ? QStringLiteral("takes a whole number") : QStringLiteral("takes a number");
    return std::nullopt;
}

std::optional<QJsonValue> jsonFromText(const QJsonValue &stored, const QString &text, QString *error)
{
    const QByteArray utf8 = text.toUtf8();
    if (stored.isObject()) {
        QJsonObject object;
        if (parseJsonObject(utf8, &object))
            return QJsonValue(object);
        *error = QStringLiteral("takes a JSON object");
        return std::nullopt;
    }
    QJsonArray array;
    if (parseJsonArray(utf8, &array))
        return QJsonValue(array);
    *error = QStringLiteral("takes a JSON array");
    return std::nullopt;
}

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return QStringLiteral("true or false");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a text");
    case QJsonValue::Array:
        return QStringLiteral("a JSON array");
    case QJsonValue::Object:
        return QStringLiteral("a JSON object");
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("null");
}

} // namespace

std::optional<QJsonValue> valueFromText(const PlannedRow &option, const QString &text, QString *error)
{
    const QJsonValue &stored = option.value;
    if (option.kind == ChoiceBox)
        return choiceFromText(option, text, error);
    if (stored.isString())
        return QJsonValue(text);
    if (option.kind == FlagBox && stored.isDouble()) {
        // false and true as well, as scripts and playbooks write a flag.
        if (text == QLatin1String("0") || text == QLatin1String("false"))
            return QJsonValue(0);
        if (text == QLatin1String("1") || text == QLatin1String("true"))
            return QJsonValue(1);
        *error = QStringLiteral("is a flag and takes 0 or 1 (false or true)");
        return std::nullopt;
    }
    if (stored.isDouble())
        return numberFromText(stored, text, error);
    if (stored.isBool()) {
        if (text == QLatin1String("true") || text == QLatin1String("false"))
            return QJsonValue(text == QLatin1String("true"));
        *error = QStringLiteral("takes true or false");
        return std::nullopt;
    }
    if (stored.isObject() || stored.isArray())
        return jsonFromText(stored, text, error);
    *error = QStringLiteral("holds null on the module, a value of no known type");
    return std::nullopt;
}

QString valueMismatch(const PlannedRow &option, const QJsonValue &value)
{
    // A number for a number fits: it is written as the backup holds it, at any size, where
    // its text would have to pass through a double.
    if (option.kind != ChoiceBox && option.kind != FlagBox && option.value.isDouble() && value.isDouble())
        return {};
    // Otherwise judged as a set judges the same value typed on the command line: what it
    // would write must be the value itself, type and all.
    QString error;
    const std::optional<QJsonValue> written
        = valueFromText(option, value.isString() ? value.toString() : jsonText(value), &error);
    if (!written)
        return error;
    if (*written == value)
        return {};
    if (written->type() == value.type())
        return QStringLiteral("takes a choice's value, and the backup holds its label");
    return QStringLiteral("takes %1, and the backup holds %2").arg(typeName(*written), typeName(value));
}
