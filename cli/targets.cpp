#include "cli/targets.h"

#include "core/device/modulerequests.h"
#include "core/modules/moduleaddress.h"
#include "core/modules/moduleentry.h"
#include "core/modules/modulelistfile.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTextStream>

#include <cstdio>

namespace {

const QString kStandardInput = QStringLiteral("-");
const QLatin1Char kCommentStart('#');

// Lines of a targets file: "address" or "address label", as a module list entry; blank
// lines and lines starting with "#" name no module.
bool readTargetsFile(const QString &name, QList<Target> *targets, QString *error)
{
    QFile file;
    bool opened = false;
    if (name == kStandardInput) {
        opened = file.open(stdin, QIODevice::ReadOnly | QIODevice::Text);
    } else {
        file.setFileName(name);
        opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    }
    if (!opened) {
        *error = QStringLiteral("cannot read the targets file %1: %2").arg(name, file.errorString());
        return false;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    QString line;
    while (stream.readLineInto(&line)) {
        const QString entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith(kCommentStart))
            continue;
        const ModuleEntry split = splitModuleEntry(entry);
        targets->append({split.address, split.label});
    }
    return true;
}

} // namespace

QString addressProblem(const QString &address)
{
    const ModuleAddress parsed = parseModuleAddress(address);
    if (parsed.isValid())
        return {};
    return QStringLiteral("\"%1\" is not a module address: %2").arg(address, parsed.error);
}

QList<Target> moduleListTargets(const QString &modulesFile)
{
    QList<Target> targets;
    for (const QString &entry : readModuleList(modulesFile)) {
        const ModuleEntry split = splitModuleEntry(entry);
        if (!split.address.isEmpty())
            targets.append({split.address, split.label});
    }
    return targets;
}

QList<Target> resolveTargets(const TargetChoice &choice, const QString &modulesFile, QStringList *dropped,
                             QString *error)
{
    QList<Target> given;
    const QList<Target> listed
        = QFile::exists(modulesFile) ? moduleListTargets(modulesFile) : QList<Target>();
    for (const QString &address : choice.addresses)
        given.append({address, QString()});
    if (choice.all) {
        if (listed.isEmpty()) {
            *error = QStringLiteral("--all: the module list %1 names no module").arg(modulesFile);
            return {};
        }
        given += listed;
    }
    if (!choice.targetsFile.isEmpty() && !readTargetsFile(choice.targetsFile, &given, error))
        return {};

    // Before anything is sent: a mistyped address would reach some other host, or none.
    for (const Target &target : qAsConst(given)) {
        *error = addressProblem(target.address);
        if (!error->isEmpty())
            return {};
    }

    // The list's label for each module it names, the first entry's when it names one twice.
    QHash<QString, QString> listedLabels;
    for (const Target &entry : listed) {
        const QString key = moduleAddressKey(entry.address);
        if (!listedLabels.contains(key))
            listedLabels.insert(key, entry.label);
    }
    QList<Target> targets;
    QSet<QString> seen;
    for (Target target : given) {
        const QString key = moduleAddressKey(target.address);
        if (seen.contains(key)) {
            dropped->append(target.address);
            continue;
        }
        seen.insert(key);
        if (target.label.isEmpty() || target.label == target.address)
            target.label = listedLabels.value(key, target.address);
        targets.append(target);
    }
    if (targets.isEmpty())
        *error = QStringLiteral("no module given: name one or more, or use --all or --targets-file");
    return targets;
}
