#include "core/device/rowplan.h"

#include "core/descriptions/catalog.h"

namespace {

// Rows an options object needs: one per option, plus one per member of each group.
int rowCountFor(const QJsonObject &options)
{
    int rows = options.size();
    for (auto it = options.constBegin(); it != options.constEnd(); ++it)
        rows += it.value().toObject().size();
    return rows;
}

} // namespace

RowPlan planRows(const QJsonObject &descriptions, const QString &pageKey, const QJsonObject &options)
{
    const QJsonObject pageDescriptions = catalog::pageDescriptions(descriptions, pageKey);
    const bool allcfg = catalog::allcfgInForce(pageDescriptions);

    RowPlan plan;
    plan.reserve(rowCountFor(options));
    ChoiceListCache choiceLists;
    const auto addRow = [&](RowKind kind, RowPlace place, QString rowKey, QString label,
                            const QJsonValue &value, const QJsonObject &entry) {
        std::shared_ptr<const ChoiceList> choices;
        if (kind == ChoiceBox)
            choices = choiceLists.list(catalog::choiceData(entry));
        plan.append({kind, std::move(place), std::move(rowKey), std::move(label), value, std::move(choices)});
    };

    int position = 0;
    for (auto it = options.constBegin(); it != options.constEnd(); ++it, ++position) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const QJsonObject entry = catalog::optionEntry(pageDescriptions, allcfg, key);
        QString label = catalog::optionLabel(entry, allcfg, key, position);
        const QJsonObject group = value.toObject();
        if (group.isEmpty()) {
            addRow(optionRowKind(value, catalog::editorKind(entry), key), {key, {}, false, position}, key,
                   std::move(label), value, entry);
            continue;
        }
        addRow(GroupHeader, {key, {}, false, position}, key, std::move(label), value, entry);
        int memberPosition = 0;
        for (auto member = group.constBegin(); member != group.constEnd(); ++member, ++memberPosition) {
            const QString subKey = member.key();
            const QJsonValue memberValue = member.value();
            const QJsonObject memberEntry = catalog::memberEntry(entry, subKey);
            const RowKind kind = memberRowKind(memberValue, catalog::editorKind(memberEntry), subKey);
            addRow(kind, {key, subKey, true, position, memberPosition},
                   kind == NestedField ? nestedRowKey(key, subKey) : memberRowKey(key, subKey),
                   catalog::memberLabel(memberEntry, subKey), memberValue, memberEntry);
        }
    }
    return plan;
}
