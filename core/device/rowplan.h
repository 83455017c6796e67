#pragma once

#include "core/device/choicelist.h"
#include "core/device/optionrows.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVector>

#include <memory>

// A page's options as the rows of the option table: one row per option in the page's key
// order, and for a group a header row followed by a row per member. The window builds its
// editors from the plan and quillnet labels what it prints by it, so both show a page alike.

// One row: what it shows and where its value belongs.
struct PlannedRow
{
    RowKind kind = GroupHeader;
    RowPlace place;
    QString rowKey; // as MainWindow::rowKeys holds it
    QString label; // a member's own, without its group's
    QJsonValue value; // the option's or member's value; a header's is its whole group
    // The list a choice box shows; null for the other kinds. Rows that share a description
    // entry ("allcfg") share one list.
    std::shared_ptr<const ChoiceList> choices;
};

using RowPlan = QVector<PlannedRow>;

// The rows of the page pageKey whose options object is options, labelled and given their
// kinds and choice lists from the descriptions catalog.
RowPlan planRows(const QJsonObject &descriptions, const QString &pageKey, const QJsonObject &options);
