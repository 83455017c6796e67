#include "device/savemodel.h"

#include "descriptions/catalog.h"

#include <QStringList>

namespace savemodel {

namespace {
const QLatin1Char kKeySeparator(':');
const QLatin1Char kChoiceSeparator(',');
const QLatin1Char kValueSeparator('=');
} // namespace

ValuePlace valuePlace(const QString &rowKey)
{
    const QStringList parts = rowKey.split(kKeySeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.size() < 2)
        return {rowKey, {}, false};
    return {parts.at(0), parts.at(1), true};
}

QJsonValue storedValue(const QJsonObject &page, const ValuePlace &place)
{
    if (!place.grouped)
        return page.value(place.optionKey);
    return page.value(place.optionKey).toObject().value(place.subKey);
}

void storeValue(QJsonObject *page, const ValuePlace &place, const QJsonValue &value)
{
    if (!place.grouped) {
        page->insert(place.optionKey, value);
        return;
    }
    QJsonObject group = page->value(place.optionKey).toObject();
    group.insert(place.subKey, value);
    page->insert(place.optionKey, group);
}

QJsonValue flagValue(Qt::CheckState state)
{
    return state == Qt::Unchecked ? 0 : 1;
}

QJsonValue numberValue(const QString &text)
{
    return text.toInt(nullptr, 10);
}

QJsonObject choiceEntry(const QJsonObject &pageDescriptions, bool allcfg, const ValuePlace &place)
{
    const QJsonObject entry = catalog::optionEntry(pageDescriptions, allcfg, place.optionKey);
    return place.grouped ? catalog::memberEntry(entry, place.subKey) : entry;
}

std::optional<QJsonValue> choiceValue(const QString &data, int index, const QJsonValue &stored)
{
    // The combo box holds only the labels: the entry's position is the one link back.
    const QStringList entries = data.split(kChoiceSeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (index < 0 || index >= entries.size())
        return std::nullopt;
    const QString valueText = entries.at(index).section(kValueSeparator, 0, 0);
    if (stored.isString())
        return QJsonValue(valueText);
    return QJsonValue(valueText.toInt(nullptr, 10));
}

} // namespace savemodel
