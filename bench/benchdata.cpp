#include "benchdata.h"

#include "core/modules/moduleentry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>

namespace benchdata {

namespace {

constexpr int kRowsPerBlock = 10;
constexpr int kChoiceLists = 7;

// Choice list number variant: lists of 3 to 9 entries, so that neighbouring choice rows
// never share one.
QString choiceData(int variant)
{
    QStringList entries;
    for (int i = 0; i < 3 + variant % kChoiceLists; ++i)
        entries.append(QStringLiteral("%1=Режим %2 вариант %3").arg(i).arg(i + 1).arg(variant));
    return entries.join(QLatin1Char(','));
}

QJsonObject entry(const QString &title, int type = 0, const QString &data = {})
{
    QJsonObject e{{QStringLiteral("title"), title}};
    if (type != 0)
        e.insert(QStringLiteral("type"), type);
    if (!data.isEmpty())
        e.insert(QStringLiteral("data"), data);
    return e;
}

QString blockKey(const char *name, int block)
{
    return QStringLiteral("%1%2").arg(QLatin1String(name)).arg(block, 4, 10, QLatin1Char('0'));
}

} // namespace

QJsonObject pageOptions(int rows)
{
    QJsonObject options;
    for (int b = 0; b < rows / kRowsPerBlock; ++b) {
        options.insert(
            blockKey("group", b),
            QJsonObject{{QStringLiteral("ip"), QStringLiteral("192.168.%1.%2").arg(b / 250).arg(b % 250)},
                        {QStringLiteral("port"), 1000 + b},
                        {QStringLiteral("mode"), QString::number(b % 3)},
                        {QStringLiteral("mask"),
                         QJsonObject{{QStringLiteral("a"), 255},
                                     {QStringLiteral("b"), 255},
                                     {QStringLiteral("c"), QStringLiteral("x")}}}});
        options.insert(blockKey("name", b), QStringLiteral("Модуль котельной %1").arg(b));
        options.insert(blockKey("port", b), 8000 + b);
        options.insert(blockKey("relay", b), b % 2);
        options.insert(blockKey("speed", b), b % 3);
        options.insert(blockKey("script", b),
                       QStringLiteral("if t_in > %1 then pump on\nif t_in < 55 then pump off").arg(b));
    }
    return options;
}

QJsonObject pageDescriptions(int rows)
{
    QJsonObject page;
    for (int b = 0; b < rows / kRowsPerBlock; ++b) {
        QJsonObject group = entry(QStringLiteral("Сеть %1").arg(b));
        group.insert(QStringLiteral("ip"), entry(QStringLiteral("IP-адрес")));
        group.insert(QStringLiteral("port"), entry(QStringLiteral("Порт")));
        group.insert(QStringLiteral("mode"), entry(QStringLiteral("Адресация"), 4, choiceData(b + 3)));
        group.insert(QStringLiteral("mask"), entry(QStringLiteral("Маска")));
        page.insert(blockKey("group", b), group);
        page.insert(blockKey("name", b), entry(QStringLiteral("Имя модуля %1").arg(b)));
        page.insert(blockKey("port", b), entry(QStringLiteral("Порт HTTP %1").arg(b)));
        page.insert(blockKey("relay", b), entry(QStringLiteral("Реле %1").arg(b), 1));
        page.insert(blockKey("speed", b), entry(QStringLiteral("Скорость %1").arg(b), 4, choiceData(b)));
        page.insert(blockKey("script", b), entry(QStringLiteral("Сценарий %1").arg(b), 6));
    }
    return page;
}

QJsonObject catalogFor(int rows)
{
    return QJsonObject{
        {QStringLiteral("sysall"),
         QJsonObject{
             {QStringLiteral("select"), QJsonObject{{kPageKey, QStringLiteral("Проверочная страница")}}}}},
        {kPageKey, pageDescriptions(rows)},
    };
}

QByteArray largeCatalog(int bytes)
{
    // Pages of 100 rows each (about 10 kB indented) until the size is reached.
    constexpr int kRowsPerPage = 100;
    QJsonObject catalog;
    QJsonObject titles;
    int pages = 0;
    QByteArray text;
    do {
        for (int i = 0; i < 16; ++i, ++pages) {
            const QString key = QString::number(pages + 1);
            titles.insert(key, QStringLiteral("Страница %1").arg(pages + 1));
            catalog.insert(key, pageDescriptions(kRowsPerPage));
        }
        catalog.insert(QStringLiteral("sysall"), QJsonObject{{QStringLiteral("select"), titles}});
        text = QJsonDocument(catalog).toJson(QJsonDocument::Indented);
    } while (text.size() < bytes);
    return text;
}

QStringList moduleEntries(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries.append(QStringLiteral("10.1.%1.%2 Котельная %3").arg(i / 250).arg(i % 250 + 1).arg(i + 1));
    return entries;
}

void writeOptionsIni(const QStringList &entries)
{
    QSettings settings(QStringLiteral("options.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("global/modules"), joinModuleList(entries));
    settings.sync();
}

BareRows bareRows(const QJsonObject &options)
{
    BareRows rows;
    auto add = [&rows](const QString &label, const QJsonValue &value) {
        rows.labels.push_back(label);
        rows.texts.push_back(value.isString() ? value.toString() : QString::number(value.toInt()));
    };
    for (auto it = options.constBegin(); it != options.constEnd(); ++it) {
        const QJsonObject group = it.value().toObject();
        add(it.key(), group.isEmpty() ? it.value() : QJsonValue(QString()));
        for (auto member = group.constBegin(); member != group.constEnd(); ++member)
            add(member.key(), member.value());
    }
    return rows;
}

} // namespace benchdata
