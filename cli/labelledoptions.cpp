#include "cli/labelledoptions.h"

#include "cli/output.h"
#include "core/descriptions/catalog.h"

namespace {

const QString kGroupSeparator = QStringLiteral(" / ");

} // namespace

QStringList LabelledOption::pathParts() const
{
    QStringList parts{pageKey, optionKey};
    if (isMember)
        parts.append(memberKey);
    return parts;
}

LabelledOption labelledOption(const QJsonObject &catalog, const QString &pageKey, const QJsonObject &options,
                              const QString &optionKey, const QString &memberKey, bool isMember, int position)
{
    const QJsonObject descriptions = catalog::pageDescriptions(catalog, pageKey);
    const bool allcfg = catalog::allcfgInForce(descriptions);
    const QJsonObject entry = catalog::optionEntry(descriptions, allcfg, optionKey);
    const QJsonValue optionValue = options.value(optionKey);

    LabelledOption option;
    option.pageKey = pageKey;
    option.optionKey = optionKey;
    option.memberKey = memberKey;
    option.isMember = isMember;
    if (position < 0)
        position = int(options.keys().indexOf(optionKey));
    option.label = catalog::optionLabel(entry, allcfg, optionKey, position);
    if (!isMember) {
        option.value = optionValue;
        option.kind = isOptionGroup(optionValue)
            ? GroupHeader
            : optionRowKind(optionValue, catalog::editorKind(entry), optionKey);
        if (option.kind == ChoiceBox)
            option.choices = choiceEntries(catalog::choiceData(entry));
        return option;
    }
    const QJsonObject member = catalog::memberEntry(entry, memberKey);
    option.value = optionValue.toObject().value(memberKey);
    option.label += kGroupSeparator + catalog::memberLabel(member, memberKey);
    option.kind = memberRowKind(option.value, catalog::editorKind(member), memberKey);
    if (option.kind == ChoiceBox)
        option.choices = choiceEntries(catalog::choiceData(member));
    return option;
}

namespace {

QList<LabelledOption> rowsAt(const QJsonObject &catalog, const QString &pageKey, const QJsonObject &options,
                             const QString &optionKey, int position)
{
    const QJsonValue value = options.value(optionKey);
    if (!isOptionGroup(value))
        return {labelledOption(catalog, pageKey, options, optionKey, QString(), false, position)};
    QList<LabelledOption> rows;
    for (const QString &memberKey : value.toObject().keys())
        rows.append(labelledOption(catalog, pageKey, options, optionKey, memberKey, true, position));
    return rows;
}

} // namespace

QList<LabelledOption> labelledRows(const QJsonObject &catalog, const QString &pageKey,
                                   const QJsonObject &options, const QString &optionKey)
{
    return rowsAt(catalog, pageKey, options, optionKey, int(options.keys().indexOf(optionKey)));
}

QList<LabelledOption> labelledOptions(const QJsonObject &catalog, const QString &pageKey,
                                      const QJsonObject &options)
{
    QList<LabelledOption> rows;
    const QStringList keys = options.keys();
    for (int position = 0; position < keys.size(); ++position)
        rows += rowsAt(catalog, pageKey, options, keys.at(position), position);
    return rows;
}

QString valueWithChoice(const LabelledOption &option)
{
    const QString text = cellText(option.value);
    if (option.kind != ChoiceBox)
        return text;
    const int entry = choiceEntryOf(option.choices, option.value);
    return entry < 0 ? text : QStringLiteral("%1 (%2)").arg(text, option.choices.at(entry).label);
}
