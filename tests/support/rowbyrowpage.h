#pragma once

#include "core/device/optionrows.h"

#include <QJsonObject>
#include <QJsonValue>

// The plain way to store a save's rows, one lookup and one group copy per row: the
// reference that PageMerge must agree with.
namespace rowbyrow {

// The value stored at the place; undefined when there is none.
inline QJsonValue storedValue(const QJsonObject &page, const RowPlace &place)
{
    if (!place.isMember)
        return page.value(place.key);
    return page.value(place.key).toObject().value(place.subKey);
}

// Sets the value at the place. A group that is missing or not an object starts empty.
inline void storeValue(QJsonObject *page, const RowPlace &place, const QJsonValue &value)
{
    if (!place.isMember) {
        page->insert(place.key, value);
        return;
    }
    QJsonObject group = page->value(place.key).toObject();
    group.insert(place.subKey, value);
    page->insert(place.key, group);
}

} // namespace rowbyrow
