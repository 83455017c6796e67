#pragma once

#include "device/rowmodel.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <Qt>

#include <optional>

// Writing a page back: where a row's value goes in the page object, and which JSON value
// the state of an editor stands for. No widgets here; the save reads the editors and asks.
namespace savemodel {

// The place of a row's value in the page object is its row key split by splitRowKey():
// "speed" is the top-level option speed, "net:ch" member ch of group net, and "a:b:c"
// member b of group a.

// The value now stored at the place; undefined when there is none.
QJsonValue storedValue(const QJsonObject &page, const RowKeyParts &place);
// Sets the value at the place. A group that is missing or not an object starts empty.
void storeValue(QJsonObject *page, const RowKeyParts &place, const QJsonValue &value);

// Merges the values of a page's rows into the page object, with the same result as
// storeValue() row by row. A save merges thousands of rows: the rows come in the page's key
// order, so each place is found next to the previous one rather than searched for, and the
// members of a group are gathered in the group object, which goes back into the page once.
class PageMerge
{
public:
    explicit PageMerge(const QJsonObject &page);

    // The value at the place, with the values stored so far; undefined when there is none.
    QJsonValue stored(const RowKeyParts &place);
    void store(const RowKeyParts &place, const QJsonValue &value);
    // The page with every stored value in place.
    QJsonObject result();

private:
    QJsonObject::iterator locate(const QString &key);
    void openGroup(const QString &key);
    void closeGroup();

    QJsonObject page;
    QJsonObject::iterator cursor;
    bool cursorSet = false;
    // The group whose members are being stored, and where it sits in the page.
    QString groupKey;
    QJsonObject group;
    bool groupOpen = false;
    bool groupChanged = false;
    bool groupInPage = false;
};

// A check box writes 1 for every state but unchecked (so partially checked too), else 0:
// a number, never a JSON boolean, because the table shows "checked" for the integer 1.
QJsonValue flagValue(Qt::CheckState state);
// A number field writes its text as a base-10 int; 0 for an empty, partial or too large text.
QJsonValue numberValue(const QString &text);

// The description entry whose "data" lists the choices of the row at the place: the
// option's entry for a top-level option, its member entry for a grouped one; with "allcfg"
// in force, that entry is the "allcfg" entry.
QJsonObject choiceEntry(const QJsonObject &pageDescriptions, bool allcfg, const RowKeyParts &place);
// The value of the choice at index in the choice list data: the value part of that entry,
// as a string when the stored value is a string, else as a number (0 when not a decimal
// int). Nothing when index addresses no entry of the list, so the stored value stays.
std::optional<QJsonValue> choiceValue(const QString &data, int index, const QJsonValue &stored);

} // namespace savemodel
