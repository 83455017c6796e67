#include "core/descriptions/catalog.h"

#include "core/json/jsontext.h"

#include <QJsonValue>
#include <QLatin1String>

namespace catalog {

namespace {
const QLatin1String kSysall("sysall");
const QLatin1String kSelect("select");
const QLatin1String kAllcfg("allcfg");
const QLatin1String kTitle("title");
const QLatin1String kType("type");
const QLatin1String kData("data");

bool startsWithAsciiDigit(const QString &key)
{
    if (key.isEmpty())
        return false;
    const QChar first = key.at(0);
    return first >= QLatin1Char('0') && first <= QLatin1Char('9');
}
} // namespace

QJsonObject pageTitles(const QJsonObject &catalog)
{
    return catalog.value(kSysall).toObject().value(kSelect).toObject();
}

QString pageTitle(const QJsonObject &titles, const QString &pageKey)
{
    return titles.value(pageKey).toString();
}

QJsonObject pageDescriptions(const QJsonObject &catalog, const QString &pageKey)
{
    return catalog.value(pageKey).toObject();
}

bool allcfgInForce(const QJsonObject &pageDescriptions)
{
    return !pageDescriptions.value(kAllcfg).toObject().isEmpty();
}

QJsonObject optionEntry(const QJsonObject &pageDescriptions, bool allcfg, const QString &optionKey)
{
    return allcfg ? pageDescriptions.value(kAllcfg).toObject() : pageDescriptions.value(optionKey).toObject();
}

QJsonObject memberEntry(const QJsonObject &optionEntry, const QString &subKey)
{
    return optionEntry.value(subKey).toObject();
}

int editorKind(const QJsonObject &entry)
{
    // toInt() gives the default for strings, booleans and non-integral numbers.
    return entry.value(kType).toInt(0);
}

QString choiceData(const QJsonObject &entry)
{
    return entry.value(kData).toString();
}

QString optionLabel(const QJsonObject &entry, bool allcfg, const QString &key, int position)
{
    QString title = entry.value(kTitle).toString();
    if (title.isEmpty())
        return key;
    if (!allcfg)
        return title;
    // One shared entry names every option: tell them apart by the key when it is a
    // number, else by the option's place on the page, counting from 1.
    if (startsWithAsciiDigit(key))
        return title + key;
    return title + QString::number(position + 1);
}

QString memberLabel(const QJsonObject &memberEntry, const QString &subKey)
{
    const QString title = memberEntry.value(kTitle).toString();
    return title.isEmpty() ? subKey : title;
}

bool parseCatalog(const QByteArray &body, QJsonObject *catalog)
{
    return parseJsonObject(body, catalog);
}

} // namespace catalog
