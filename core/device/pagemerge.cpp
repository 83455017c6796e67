#include "core/device/pagemerge.h"

PageMerge::PageMerge(const QJsonObject &page)
    : page(page)
{ }

QJsonObject::iterator PageMerge::locate(const QString &key, int position)
{
    if (positionsHold && position >= 0 && position < page.size()) {
        const QJsonObject::iterator at = page.begin() + position;
        Q_ASSERT(at.key() == key);
        return at;
    }
    return page.find(key);
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
    groupAt = locate(place.key, place.position);
    groupInPage = groupAt != page.end();
    group = groupInPage ? groupAt.value().toObject() : QJsonObject();
    groupKey = place.key;
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
    // Nothing was added to the page or taken out of it while the group was open.
    if (groupInPage) {
        groupAt.value() = group;
    } else {
        page.insert(groupKey, group);
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
            groupAt.value() = QJsonValue();
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
