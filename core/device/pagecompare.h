#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// Pages compared option by option: what differs between two pages, what a restore changes,
// and whether a page read back holds what was written.

// One option (or member of a group) that is not the same on both sides.
struct Difference
{
    QString pageKey;
    QString optionKey;
    QString memberKey;
    bool isMember = false;
    QJsonValue a; // undefined when side A has no such option
    QJsonValue b; // undefined when side B has no such option

    QStringList pathParts() const;
};

// Every option of either page whose values differ or that one page lacks, by key; a group
// that both pages hold is compared member by member.
QList<Difference> compareOptions(const QString &pageKey, const QJsonObject &a, const QJsonObject &b);

// The places where options does not hold the values of wanted: each option of wanted, and
// member of a group both hold, whose value in options (a) differs from wanted's (b) or is
// missing. What options holds besides does not count. What a restore changes on a live page,
// and what a page read back lacks.
QList<Difference> valuesNotHeld(const QString &pageKey, const QJsonObject &options,
                                const QJsonObject &wanted);

// The page with the B value of each difference in place.
QJsonObject applyChanges(const QJsonObject &options, const QList<Difference> &changes);
