#include "device/rowmodel.h"

#include "descriptions/catalog.h"

namespace {

const QLatin1Char kChoiceSeparator(',');
const QLatin1Char kChoiceValueSeparator('=');
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

QList<ChoiceEntry> choiceEntries(const QString &choiceData)
{
    const QStringList parts = choiceData.split(kChoiceSeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    QList<ChoiceEntry> entries;
    entries.reserve(parts.size());
    for (const QString &part : parts) {
        const int separator = part.indexOf(kChoiceValueSeparator);
        if (separator < 0) {
            entries.append({part, part});
            continue;
        }
        // "1=a=b" shows "a": the label ends where a further "=" begins.
        const int labelEnd = part.indexOf(kChoiceValueSeparator, separator + 1);
        entries.append(
            {part.left(separator), part.mid(separator + 1, labelEnd < 0 ? -1 : labelEnd - separator - 1)});
    }
    return entries;
}

QStringList choiceLabels(const QList<ChoiceEntry> &entries)
{
    QStringList labels;
    labels.reserve(entries.size());
    for (const ChoiceEntry &entry : entries)
        labels.append(entry.label);
    return labels;
}

int choiceIndex(const QList<ChoiceEntry> &entries, const QJsonValue &value)
{
    int index = 0;
    if (value.isString()) {
        const QString text = value.toString();
        for (int i = 0; i < entries.size(); ++i) {
            if (entries.at(i).value == text)
                index = i;
        }
        return index;
    }
    const int number = value.toInt(0);
    for (int i = 0; i < entries.size(); ++i) {
        // A value part that is no number reads as 0.
        if (entries.at(i).value.toInt(nullptr, 10) == number)
            index = i;
    }
    return index;
}

std::optional<QString> choiceValueAt(const QString &choiceData, int index)
{
    if (index < 0)
        return std::nullopt;
    int begin = 0;
    for (int i = 0; i < index; ++i) {
        begin = choiceData.indexOf(kChoiceSeparator, begin);
        if (begin < 0)
            return std::nullopt;
        ++begin;
    }
    int end = choiceData.indexOf(kChoiceSeparator, begin);
    if (end < 0)
        end = choiceData.size();
    const int separator = choiceData.indexOf(kChoiceValueSeparator, begin);
    return choiceData.mid(begin, (separator >= 0 && separator < end ? separator : end) - begin);
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

RowKeyParts splitRowKey(const QString &rowKey)
{
    // Read in place: the save splits every row key of a page.
    const int first = rowKey.indexOf(kRowKeySeparator);
    if (first < 0)
        return {rowKey, QString(), false};
    const int second = rowKey.indexOf(kRowKeySeparator, first + 1);
    return {rowKey.left(first), rowKey.mid(first + 1, second < 0 ? -1 : second - first - 1), true};
}
