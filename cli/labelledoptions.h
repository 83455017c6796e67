#pragma once

#include "core/device/choicelist.h"
#include "core/device/optionrows.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// The options of a page as the window shows them: a label from the catalog, the kind of
// row, and the choice list of a choice row.
struct LabelledOption
{
    QString pageKey;
    QString optionKey;
    QString memberKey;
    bool isMember = false;
    QJsonValue value;
    QString label; // a member's label follows its group's: "Group / Member"
    RowKind kind = TextField;
    QList<ChoiceEntry> choices; // for ChoiceBox rows

    QStringList pathParts() const;
};

// The option at the place, which the page must hold; a group as a whole when isMember is
// false and the option is a group. position: the option's index among the page's keys, when
// the caller knows it.
LabelledOption labelledOption(const QJsonObject &catalog, const QString &pageKey, const QJsonObject &options,
                              const QString &optionKey, const QString &memberKey, bool isMember,
                              int position = -1);

// One row per option of the page, in the page's key order, and one per member of a group in
// place of the group.
QList<LabelledOption> labelledOptions(const QJsonObject &catalog, const QString &pageKey,
                                      const QJsonObject &options);
// The rows of one option: itself, or the members of a group.
QList<LabelledOption> labelledRows(const QJsonObject &catalog, const QString &pageKey,
                                   const QJsonObject &options, const QString &optionKey);

// The value as a table shows it, a choice with its label beside: "2 (AP)".
QString valueWithChoice(const LabelledOption &option);
