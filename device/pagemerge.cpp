#include "device/pagemerge.h"

PageMerge::PageMerge(const QJsonObject &page)
    : page(page)
{ }

QJsonObject::iterator PageMerge::locate(const QString &key)
{
    // The place of the previous row, or the one after it; else a search. The key at the
    // cursor is kept, as reading a key out of the page makes a new string each time.
    if (cursorSet && cursor != page.end()) {
        if (cursorKey == key)
            return cursor;
        if (++cursor != page.end()) {
            cursorKey = cursor.key();
            if (cursorKey == key)
                return cursor;
        }
    }
    cursor = page.find(key);
    cursorSet = true;
    cursorKey = key;
    return cursor;
}

void PageMerge::openGroup(const QString &key)
{
    if (groupOpen && groupKey == key)
        return;
    closeGroup();
    const QJsonObject::iterator at = locate(key);
    groupInPage = at != page.end();
    group = groupInPage ? at.value().toObject() : QJsonObject();
    groupKey = key;
    groupOpen = true;
    groupChanged = false;
}

void PageMerge::closeGroup()
{
    if (!groupOpen)
        return;
    groupOpen = false;
    if (!groupChanged)
        return;
    // The cursor still points at the group: nothing else was located while it was open.
    if (groupInPage) {
        cursor.value() = group;
    } else {
        page.insert(groupKey, group);
        cursorSet = false;
    }
}

void PageMerge::store(const RowPlace &place, const QJsonValue &value)
{
    if (place.isMember) {
        openGroup(place.key);
        // The page lets go of the group before its first change, so that its members change
        // in place rather than in a copy; closeGroup() puts it back.
        if (!groupChanged && groupInPage)
            cursor.value() = QJsonValue();
        const QJsonObject::iterator member = group.find(place.subKey);
        if (member == group.end())
            group.insert(place.subKey, value);
        else
            member.value() = value;
        groupChanged = true;
        return;
    }
    closeGroup();
    const QJsonObject::iterator at = locate(place.key);
    if (at == page.end() || value.isUndefined()) {
        page.insert(place.key, value);
        cursorSet = false;
        return;
    }
    at.value() = value;
}

QJsonObject PageMerge::result()
{
    closeGroup();
    return page;
}
