#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

// The data every case works on, generated so that product and baseline see the same input.
namespace benchdata {

// Key of the generated option page, in the page object and in the catalog.
inline const QString kPageKey = QStringLiteral("bench");

// An option page of exactly rows table rows (rows a multiple of 10). Each block of ten rows
// mixes every row kind: a group header with a text member, a number member, a choice member
// and a nested object, then a text option, a number, a flag, a choice and a multi-line text.
QJsonObject pageOptions(int rows);
// Descriptions of that page: a title for every option and member, editor kinds, and choice
// lists that differ from one option to the next.
QJsonObject pageDescriptions(int rows);
// A catalog holding the page descriptions above under kPageKey plus the page titles.
QJsonObject catalogFor(int rows);

// A catalog of at least bytes bytes of indented JSON, spread over many pages.
QByteArray largeCatalog(int bytes);
// count module entries ("10.1.x.y Label") as the module list holds them.
QStringList moduleEntries(int count);
// Writes options.ini (in the working directory) holding those entries, as the window does.
void writeOptionsIni(const QStringList &entries);

// What a bare table shows for the page: one label and one text per row.
struct BareRows
{
    std::vector<QString> labels;
    std::vector<QString> texts;
};
BareRows bareRows(const QJsonObject &options);

} // namespace benchdata
