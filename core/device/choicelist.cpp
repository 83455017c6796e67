#include "core/device/choicelist.h"

namespace {

const QLatin1Char kChoiceSeparator(',');
const QLatin1Char kChoiceValueSeparator('=');

} // namespace

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
    return qMax(choiceEntryOf(entries, value), 0);
}

int choiceEntryOf(const QList<ChoiceEntry> &entries, const QJsonValue &value)
{
    int index = -1;
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

QString choiceValueText(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString::number(value.toInt(0));
}

QJsonValue choiceValue(const QString &valueText, bool asText)
{
    if (asText)
        return QJsonValue(valueText);
    return QJsonValue(valueText.toInt(nullptr, 10));
}

ChoiceList::ChoiceList(const QString &choiceData)
    : entries(choiceEntries(choiceData))
    , labels(choiceLabels(entries))
{
    textValues.reserve(entries.size());
    numberValues.reserve(entries.size());
    for (const ChoiceEntry &entry : qAsConst(entries)) {
        textValues.append(choiceValue(entry.value, true));
        numberValues.append(choiceValue(entry.value, false));
    }
}

std::shared_ptr<const ChoiceList> ChoiceListCache::list(const QString &choiceData)
{
    if (!last || choiceData != lastData) {
        last = std::make_shared<const ChoiceList>(choiceData);
        lastData = choiceData;
    }
    return last;
}
