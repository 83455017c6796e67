#pragma once

#include "core/device/pagecompare.h"
#include "core/device/rowplan.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The options of a page as quillnet prints them: the rows of the page's plan, each with its
// path, and labelled as in the window, but a member's label follows its group's:
// "Group / Member".
struct ListedOption
{
    QString pageKey;
    PlannedRow row;
    QString label;

    QStringList pathParts() const;
};

// Every option of the page in the plan's order, the members of a group in place of the
// group.
QList<ListedOption> listedOptions(const QString &pageKey, const RowPlan &plan);
// The rows of one option: itself, or the members of a group.
QList<ListedOption> listedOptions(const QString &pageKey, const RowPlan &plan, const QString &optionKey);
// The option or member at the place; a group as a whole when isMember is false and the option
// is a group. Nothing when the page holds no such option.
std::optional<ListedOption> listedOption(const QString &pageKey, const RowPlan &plan,
                                         const QString &optionKey, const QString &memberKey, bool isMember);

// The value as a table shows it, a choice with its label beside: "2 (AP)".
QString valueWithChoice(const ListedOption &option);
// Another value at the same place, shown so: what a set or a restore changes an option from
// and to, and what differs between two pages. Without the place in the plan, the bare value.
QString valueWithChoice(const std::optional<ListedOption> &place, const QJsonValue &value);
QString valueWithChoice(const QString &pageKey, const RowPlan &plan, const Difference &place,
                        const QJsonValue &value);
