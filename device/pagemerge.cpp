#include "device/pagemerge.h"

PageMerge::PageMerge(const QJsonObject &page)
    : page(page)
{ }

QJsonObject::iterator PageMerge::locate(const QString &key, int position)
{
    if (positionsHold && position >= 0 && position < page.size()) {
        cursor = page.begin() + position;
        cursorKnown = false;
        Q_ASSERT(cursor.key() == key);
        return cursor;
    }
    // The place of the previous row, or the one after it; else a search. The key at the
    // cursor is kept, as reading a key out of the page makes a new string each time.
    if (cursorKnown && cursor != page.end()) {
        if (cursorKey == key)
            return cursor;
        if (++cursor != page.end()) {
            cursorKey = cursor.key();
            if (cursorKey == key)
                return cursor;
        }
    }
    cursor = page.find(key);
    cursorKnown = true;
    cursorKey = key;
    return cursor;
}

QJsonObject::iterator PageMerge::locateMember(const RowPlace &place)
{
    const int position = place.memberPosition;
    if (memberPositionsHold && position >= 0 && position < group.size()) {
        const QJsonObject::iterator member = group.begin() + position;
        Q_ASSERT(member.key() == place.subKey);
        return member;
    }
    return group.find(place.subKey);
}

void PageMerge::openGroup(const RowPlace &place)
{
    if (groupOpen && groupKey == place.key)
        return;
    closeGroup();
    const QJsonObject::iterator at = locate(place.key, place.position);
    groupInPage = at != page.end();
    group = groupInPage ? at.value().toObject() : QJsonObject();
    groupKey = place.key;
    groupOpen = true;
    groupChanged = false;
    memberPositionsHold = true;
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
        cursorKnown = false;
        positionsHold = false;
    }
}

void PageMerge::store(const RowPlace &place, const QJsonValue &value)
{
    if (place.isMember) {
        openGroup(place);
        // The page lets go of the group before its first change, so that its members change
        // in place rather than in a copy; closeGroup() puts it back.
        if (!groupChanged && groupInPage)
            cursor.value() = QJsonValue();
        groupChanged = true;
        const QJsonObject::iterator member = locateMember(place);
        if (member == group.end() || value.isUndefined()) {
            group.insert(place.subKey, value);
            memberPositionsHold = false;
            return;
        }
        member.value() = value;
        return;
    }
    closeGroup();
    const QJsonObject::iterator at = locate(place.key, place.position);
    if (at == page.end() || value.isUndefined()) {
        page.insert(place.key, value);
        cursorKnown = false;
        positionsHold = false;
        return;
    }
    at.value() = value;
}

QJsonObject PageMerge::result()
{
    closeGroup();
    return page;
}
