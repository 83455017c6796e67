#pragma once

#include "device/optionrows.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Merges the values of a page's rows into the page object, row by row in the page's key
// order: the value of a top-level option replaces the option, the value of a member
// replaces that member of its group (a group that is missing or not an object starts
// empty). A save merges thousands of rows, so each place is found next to the previous one
// rather than searched for, and the members of a group are gathered in the group object,
// which goes back into the page once.
class PageMerge
{
public:
    explicit PageMerge(const QJsonObject &page);

    void store(const RowPlace &place, const QJsonValue &value);
    // The page with every stored value in place.
    QJsonObject result();

private:
    QJsonObject::iterator locate(const QString &key);
    void openGroup(const QString &key);
    void closeGroup();

    QJsonObject page;
    QJsonObject::iterator cursor;
    QString cursorKey; // the key at the cursor
    bool cursorSet = false;
    // The group whose members are being stored, and where it sits in the page.
    QString groupKey;
    QJsonObject group;
    bool groupOpen = false;
    bool groupChanged = false;
    bool groupInPage = false;
};
