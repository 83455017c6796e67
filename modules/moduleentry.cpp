#include "modules/moduleentry.h"

namespace {

const QChar kEntrySeparator = QLatin1Char('/');
const QChar kLabelSeparator = QLatin1Char(' ');
const QChar kLineSeparator = QLatin1Char('\n');
constexpr char kAnnouncementMark = 'U';

} // namespace

ModuleEntry splitModuleEntry(const QString &entry)
{
    const QStringList pieces = entry.split(kLabelSeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (pieces.size() >= 2 && !pieces.at(1).isEmpty())
        return {pieces.at(0), pieces.at(1)};
    return {entry, entry};
}

QString storedModuleListText(const QVariant &stored)
{
    return stored.type() == QVariant::StringList ? stored.toStringList().join(QLatin1Char(','))
                                                 : stored.toString();
}

QStringList splitModuleList(const QString &stored)
{
    return stored.split(kEntrySeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString joinModuleList(const QStringList &modules)
{
    return modules.join(kEntrySeparator);
}

QString modulesEditorText(const QStringList &modules)
{
    return modules.join(kLineSeparator);
}

QStringList modulesFromEditorText(const QString &text)
{
    return text.split(kLineSeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

bool isAnnouncement(const QByteArray &datagram)
{
    return datagram.size() >= 2 && datagram.at(0) == kAnnouncementMark;
}
