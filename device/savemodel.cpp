#include "device/savemodel.h"

#include "descriptions/catalog.h"

namespace savemodel {

QJsonValue storedValue(const QJsonObject &page, const RowKeyParts &place)
{
    if (!place.isMember)
        return page.value(place.key);
    return page.value(place.key).toObject().value(place.subKey);
}

void storeValue(QJsonObject *page, const RowKeyParts &place, const QJsonValue &value)
{
    if (!place.isMember) {
        page->insert(place.key, value);
        return;
    }
    QJsonObject group = page->value(place.key).toObject();
    group.insert(place.subKey, value);
    page->insert(place.key, group);
}

QJsonValue flagValue(Qt::CheckState state)
{
    return state == Qt::Unchecked ? 0 : 1;
}

QJsonValue numberValue(const QString &text)
{
    return text.toInt(nullptr, 10);
}

QJsonObject choiceEntry(const QJsonObject &pageDescriptions, bool allcfg, const RowKeyParts &place)
{
    const QJsonObject entry = catalog::optionEntry(pageDescriptions, allcfg, place.key);
    return place.isMember ? catalog::memberEntry(entry, place.subKey) : entry;
}

std::optional<QJsonValue> choiceValue(const QString &data, int index, const QJsonValue &stored)
{
    // The combo box holds only the labels: the entry's position is the one link back.
    const QList<ChoiceEntry> entries = choiceEntries(data);
    if (index < 0 || index >= entries.size())
        return std::nullopt;
    const QString &valueText = entries.at(index).value;
    if (stored.isString())
        return QJsonValue(valueText);
    return QJsonValue(valueText.toInt(nullptr, 10));
}

} // namespace savemodel
