#include "device/optionrows.h"

#include "descriptions/catalog.h"

namespace {

const QLatin1Char kRowKeySeparator(':');
const QLatin1Char kNestedSeparator(',');
const QLatin1String kNestedSuffix("sub");
const QLatin1String kEnableKey("en");

// Shared tail of both decisions: a value that is not a string.
RowKind numericRowKind(int editorKind, const QString &key)
{
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
    return numericRowKind(editorKind, key);
}

RowKind memberRowKind(const QJsonValue &value, int editorKind, const QString &subKey)
{
    if (value.isObject())
        return NestedField;
    if (value.isString())
        return editorKind == catalog::ChoiceKind ? ChoiceBox : textRowKind(value);
    return numericRowKind(editorKind, subKey);
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

RowPlace splitRowKey(const QString &rowKey)
{
    // Read in place: the save splits every row key of a page.
    const int first = rowKey.indexOf(kRowKeySeparator);
    if (first < 0)
        return {rowKey, QString(), false};
    const int second = rowKey.indexOf(kRowKeySeparator, first + 1);
    return {rowKey.left(first), rowKey.mid(first + 1, second < 0 ? -1 : second - first - 1), true};
}

QJsonValue flagValue(Qt::CheckState state)
{
    return state == Qt::Unchecked ? 0 : 1;
}

QJsonValue numberValue(const QString &text)
{
    return text.toInt(nullptr, 10);
}
