#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The descriptions catalog: a JSON object that maps page keys to the descriptions of their
// options (label, editor kind, choice list) and holds the page titles under "sysall".
// The lookups never fail: a missing or mistyped member reads as empty or 0. They are meant
// to be called per table row, so each one reads a member or two and no more; callers take
// the page descriptions and the "allcfg" decision once per page.
namespace catalog {

// Editor kinds ("type" of a description entry) that change the editor of an option.
enum EditorKind {
    FlagKind = 1, // check box, for a value that is not a string
    ChoiceKind = 4, // choice list built from "data"
    TextCellKind = 6, // multi-line text cell, for a top-level string option
};

// Page key -> page title table ("sysall" -> "select").
QJsonObject pageTitles(const QJsonObject &catalog);
// Title of a page from the table of pageTitles(); empty when missing or not a string.
QString pageTitle(const QJsonObject &titles, const QString &pageKey);
// The descriptions of one page.
QJsonObject pageDescriptions(const QJsonObject &catalog, const QString &pageKey);
// Whether the page's "allcfg" entry describes every option of the page.
bool allcfgInForce(const QJsonObject &pageDescriptions);
// Description entry of a top-level option.
QJsonObject optionEntry(const QJsonObject &pageDescriptions, bool allcfg, const QString &optionKey);
// Description entry of a member of a group option, from the group's option entry.
QJsonObject memberEntry(const QJsonObject &optionEntry, const QString &subKey);
// The entry's "type"; 0 for an empty entry or a "type" that is not an integral number.
int editorKind(const QJsonObject &entry);
// The entry's "data" (a choice list); empty when missing or not a string.
QString choiceData(const QJsonObject &entry);
// Row label of a top-level option at the 0-based position among the page's option keys.
QString optionLabel(const QJsonObject &entry, bool allcfg, const QString &key, int position);
// Row label of a member of a group option.
QString memberLabel(const QJsonObject &memberEntry, const QString &subKey);
// Parses a downloaded catalog or its local copy; true (and *catalog set) only when the body
// is a JSON object (and holds no NUL byte, which JSON text never does).
bool parseCatalog(const QByteArray &body, QJsonObject *catalog);

} // namespace catalog
