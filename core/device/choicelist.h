#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// Choice lists: the "data" of a description entry, "value=label,value=label,...", shown
// as the labels of a combo box whose current index maps back to the entry at that position.

// One entry of a choice list.
struct ChoiceEntry
{
    QString value; // the part before the first "="; the whole entry when it has none
    QString label; // the part after it; the whole entry when it has none
};

// The entries of a choice list in order, empty entries included: a combo box gets exactly
// one item per entry, and its current index maps back to the entry at that position.
QList<ChoiceEntry> choiceEntries(const QString &choiceData);
QStringList choiceLabels(const QList<ChoiceEntry> &entries);
// Index of the entry that holds the option's value: a string value is compared with the
// value parts as text, any other value as an integer with the value parts read as decimal
// integers. The last match wins; without a match, 0.
int choiceIndex(const QList<ChoiceEntry> &entries, const QJsonValue &value);
// Index of the entry whose value part is the option's value, compared as choiceIndex()
// compares; -1 when no entry holds it.
int choiceEntryOf(const QList<ChoiceEntry> &entries, const QJsonValue &value);
// How a choice box shows a value that no entry of its list holds: as itself, the text or the
// integer in decimal, rather than as an entry it is not.
QString choiceValueText(const QJsonValue &value);
// The value a save writes for a chosen entry's value part: the text itself for an option
// that holds text, else a number (0 when not a decimal int).
QJsonValue choiceValue(const QString &valueText, bool asText);

// A choice list split once for every row that shows it.
struct ChoiceList
{
    explicit ChoiceList(const QString &choiceData);

    QList<ChoiceEntry> entries;
    QStringList labels;
    // choiceValue() of each entry, as text and as a number. A save of thousands of choice
    // rows hands these out rather than making a JSON string for each row again.
    QVector<QJsonValue> textValues;
    QVector<QJsonValue> numberValues;
};

// The lists of one fill. Pages that share one description entry ("allcfg") repeat the same
// list on every row, so the last list split is kept and handed out again.
class ChoiceListCache
{
public:
    std::shared_ptr<const ChoiceList> list(const QString &choiceData);

private:
    QString lastData;
    std::shared_ptr<const ChoiceList> last;
};
