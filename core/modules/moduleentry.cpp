#include "core/modules/moduleentry.h"

namespace {

const QChar kEntrySeparator = QLatin1Char('/');
const QChar kLabelSeparator = QLatin1Char(' ');
const QChar kLineSeparator = QLatin1Char('\n');

} // namespace

ModuleEntry splitModuleEntry(const QString &entry)
{
    const QStringList pieces = entry.split(kLabelSeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (pieces.size() >= 2 && !pieces.at(1).isEmpty())
        return {pieces.at(0), pieces.at(1)};
    return {entry, entry};
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
