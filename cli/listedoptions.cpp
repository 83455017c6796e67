#include "cli/listedoptions.h"

#include "cli/output.h"

namespace {

const QString kGroupSeparator = QStringLiteral(" / ");

// The rows of the plan that keep() takes, with the labels quillnet prints.
template<typename Keep> QList<ListedOption> listed(const QString &pageKey, const RowPlan &plan, Keep keep)
{
    QList<ListedOption> options;
    QString groupLabel; // of the last group header: members follow theirs
    for (const PlannedRow &row : plan) {
        if (row.kind == GroupHeader)
            groupLabel = row.label;
        if (keep(row))
            options.append(
                {pageKey, row, row.place.isMember ? groupLabel + kGroupSeparator + row.label : row.label});
    }
    return options;
}

} // namespace

QStringList ListedOption::pathParts() const
{
    QStringList parts{pageKey, row.place.key};
    if (row.place.isMember)
        parts.append(row.place.subKey);
    return parts;
}

QList<ListedOption> listedOptions(const QString &pageKey, const RowPlan &plan)
{
    return listed(pageKey, plan, [](const PlannedRow &row) { return row.kind != GroupHeader; });
}

QList<ListedOption> listedOptions(const QString &pageKey, const RowPlan &plan, const QString &optionKey)
{
    return listed(pageKey, plan, [&](const PlannedRow &row) {
        return row.kind != GroupHeader && row.place.key == optionKey;
    });
}

std::optional<ListedOption> listedOption(const QString &pageKey, const RowPlan &plan,
                                         const QString &optionKey, const QString &memberKey, bool isMember)
{
    const QList<ListedOption> options = listed(pageKey, plan, [&](const PlannedRow &row) {
        return row.place.key == optionKey && row.place.isMember == isMember
            && (!isMember || row.place.subKey == memberKey);
    });
    if (options.isEmpty())
        return std::nullopt;
    return options.first();
}

QString valueWithChoice(const ListedOption &option)
{
    QString text = cellText(option.row.value);
    if (option.row.kind != ChoiceBox)
        return text;
    const QList<ChoiceEntry> &entries = option.row.choices->entries;
    const int entry = choiceEntryOf(entries, option.row.value);
    return entry < 0 ? text : QStringLiteral("%1 (%2)").arg(text, entries.at(entry).label);
}

QString valueWithChoice(const std::optional<ListedOption> &place, const QJsonValue &value)
{
    if (!place || value.isUndefined())
        return cellText(value);
    ListedOption shown = *place;
    shown.row.value = value;
    return valueWithChoice(shown);
}

QString valueWithChoice(const QString &pageKey, const RowPlan &plan, const Difference &place,
                        const QJsonValue &value)
{
    return valueWithChoice(listedOption(pageKey, plan, place.optionKey, place.memberKey, place.isMember),
                           value);
}
