#include "core/device/rowfilter.h"

namespace {

bool holds(const FilterRow &row, const QString &text)
{
    return row.label.contains(text, Qt::CaseInsensitive) || row.key.contains(text, Qt::CaseInsensitive)
        || row.value.contains(text, Qt::CaseInsensitive);
}

} // namespace

QVector<bool> filterRows(const QVector<FilterRow> &rows, const QString &text)
{
    const QString wanted = text.trimmed();
    QVector<bool> shown(rows.size(), true);
    if (wanted.isEmpty())
        return shown;
    int header = -1; // the header of the group being visited
    bool wholeGroup = false;
    for (int row = 0; row < rows.size(); ++row) {
        const FilterRow &current = rows.at(row);
        if (!current.member)
            header = -1;
        if (current.header) {
            header = row;
            wholeGroup = holds(current, wanted);
            shown[row] = wholeGroup;
            continue;
        }
        shown[row] = (header >= 0 && wholeGroup) || holds(current, wanted);
        if (header >= 0 && shown.at(row))
            shown[header] = true;
    }
    return shown;
}
