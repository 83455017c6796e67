#include "core/modules/modulelistfile.h"

#include "core/modules/moduleentry.h"

#include <QSettings>

namespace {

const QString kModulesKey = QStringLiteral("global/modules");

} // namespace

QStringList readModuleList(const QString &path)
{
    const QSettings settings(path, QSettings::IniFormat);
    const QVariant stored = settings.value(kModulesKey, QString());
    // A hand-edited value with unquoted commas reads as a list: its text is kept whole
    // rather than lost (and overwritten with nothing at exit).
    return splitModuleList(stored.type() == QVariant::StringList
                               ? stored.toStringList().join(QLatin1Char(','))
                               : stored.toString());
}

bool writeModuleList(const QString &path, const QStringList &modules)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(kModulesKey, joinModuleList(modules));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
