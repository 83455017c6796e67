#include "core/device/pagecompare.h"

#include "core/device/optionrows.h"
#include "core/device/pagemerge.h"
#include "core/json/jsontext.h"

#include <algorithm>

namespace {

QStringList unionOfKeys(const QJsonObject &a, const QJsonObject &b)
{
    QStringList keys = a.keys();
    for (const QString &key : b.keys()) {
        if (!a.contains(key))
            keys.append(key);
    }
    keys.sort();
    return keys;
}

RowPlace placeOf(const Difference &difference)
{
    return {difference.optionKey, difference.memberKey, difference.isMember};
}

} // namespace

QStringList Difference::pathParts() const
{
    QStringList parts{pageKey, optionKey};
    if (isMember)
        parts.append(memberKey);
    return parts;
}

QList<Difference> compareOptions(const QString &pageKey, const QJsonObject &a, const QJsonObject &b)
{
    QList<Difference> differences;
    for (const QString &key : unionOfKeys(a, b)) {
        const QJsonValue valueA = a.value(key);
        const QJsonValue valueB = b.value(key);
        if (sameJsonValue(valueA, valueB))
            continue;
        if (isOptionGroup(valueA) && isOptionGroup(valueB)) {
            const QJsonObject groupA = valueA.toObject();
            const QJsonObject groupB = valueB.toObject();
            for (const QString &subKey : unionOfKeys(groupA, groupB)) {
                const QJsonValue memberA = groupA.value(subKey);
                const QJsonValue memberB = groupB.value(subKey);
                if (!sameJsonValue(memberA, memberB))
                    differences.append({pageKey, key, subKey, true, memberA, memberB});
            }
            continue;
        }
        differences.append({pageKey, key, QString(), false, valueA, valueB});
    }
    return differences;
}

QList<Difference> valuesNotHeld(const QString &pageKey, const QJsonObject &options, const QJsonObject &wanted)
{
    QList<Difference> changes = compareOptions(pageKey, options, wanted);
    changes.erase(std::remove_if(changes.begin(), changes.end(),
                                 [](const Difference &difference) { return difference.b.isUndefined(); }),
                  changes.end());
    return changes;
}

QJsonObject applyChanges(const QJsonObject &options, const QList<Difference> &changes)
{
    PageMerge merge(options);
    for (const Difference &change : changes)
        merge.store(placeOf(change), change.b);
    return merge.result();
}
