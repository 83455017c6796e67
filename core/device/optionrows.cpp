#include "core/device/optionrows.h"

#include "core/descriptions/catalog.h"

#include <cmath>
#include <limits>

namespace {

const QLatin1Char kRowKeySeparator(':');
const QLatin1Char kNestedSeparator(',');
const QLatin1String kNestedSuffix("sub");
const QLatin1String kEnableKey("en");

// Whether a number field, a check box or a choice list can show the value as it is: the
// integer conversion gives 0 for anything that is not an integer in the range of int.
bool holdsInt(const QJsonValue &value)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()
        && number == std::trunc(number);
}

// Shared tail of both decisions: a value that is not a string.
RowKind numericRowKind(const QJsonValue &value, int editorKind, const QString &key)
{
    if (!holdsInt(value))
        return JsonField;
    if (editorKind == catalog::ChoiceKind)
        return ChoiceBox;
    if (editorKind == catalog::FlagKind || key == kEnableKey)
        return FlagBox;
    return NumberField;
}

// A text value in a line edit, unless it is too long for one.
RowKind textRowKind(const QJsonValue &value)
{
    return value.toString().size() > kLineEditTextLimit ? TextCell : TextField;
}

} // namespace

bool isOptionGroup(const QJsonValue &value)
{
    return !value.toObject().isEmpty();
}

RowKind optionRowKind(const QJsonValue &value, int editorKind, const QString &key)
{
    if (value.isString()) {
        if (editorKind == catalog::TextCellKind)
            return TextCell;
        return editorKind == catalog::ChoiceKind ? ChoiceBox : textRowKind(value);
    }
    return numericRowKind(value, editorKind, key);
}

RowKind memberRowKind(const QJsonValue &value, int editorKind, const QString &subKey)
{
    if (value.isObject())
        return NestedField;
    if (value.isString())
        return editorKind == catalog::ChoiceKind ? ChoiceBox : textRowKind(value);
    return numericRowKind(value, editorKind, subKey);
}

QString nestedText(const QJsonObject &nested)
{
    QString text;
    for (auto it = nested.constBegin(); it != nested.constEnd(); ++it) {
        if (it != nested.constBegin())
            text += kNestedSeparator;
        const QJsonValue value = it.value();
        text += it.key() + kRowKeySeparator
            + (value.isString() ? value.toString() : QString::number(value.toInt(0)));
    }
    return text;
}

QString memberRowKey(const QString &groupKey, const QString &subKey)
{
    return groupKey + kRowKeySeparator + subKey;
}

QString nestedRowKey(const QString &groupKey, const QString &subKey)
{
    return memberRowKey(groupKey, subKey) + kRowKeySeparator + kNestedSuffix;
}

QJsonValue flagValue(Qt::CheckState state)
{
    return state == Qt::Unchecked ? 0 : 1;
}

QJsonValue numberValue(const QString &text)
{
    return text.toInt(nullptr, 10);
}

bool isNumberText(const QString &text)
{
    bool ok = false;
    static_cast<void>(text.toInt(&ok, 10)); // only whether it reads as one
    return ok;
}
