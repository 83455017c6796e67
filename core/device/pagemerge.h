#pragma once

#include "core/device/optionrows.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Merges the values of a page's rows into the page object, row by row in the page's key
// order: the value of a top-level option replaces the option, the value of a member
// replaces that member of its group (a group that is missing or not an object starts
// empty). A save merges thousands of rows, so a place goes straight to the position the
// fill found it at, while no key was added or removed; other places are searched for by
// their keys. The members of a group are gathered in the group object, which goes back into
// the page once.
class PageMerge
{
public:
    explicit PageMerge(const QJsonObject &page);

    void store(const RowPlace &place, const QJsonValue &value);
    // The page with every stored value in place.
    QJsonObject result();

private:
    QJsonObject::iterator locate(const QString &key, int position);
    QJsonObject::iterator locateMember(const RowPlace &place);
    void openGroup(const RowPlace &place);
    void closeGroup();

    QJsonObject page;
    // No key was added to the page or taken out of it: the fill's positions still hold.
    bool positionsHold = true;
    // The group whose members are being stored, and where it sits in the page.
    QString groupKey;
    QJsonObject group;
    QJsonObject::iterator groupAt;
    bool groupOpen = false;
    bool groupChanged = false;
    bool groupInPage = false;
    // No member was added to a group or taken out of one. For the whole merge: a group may
    // be opened again later.
    bool memberPositionsHold = true;
};
