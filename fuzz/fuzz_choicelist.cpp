// Choice lists ("data" of a description entry): the combo box the table builds from one,
// the entry it makes current for a stored value, and the value a save writes back for
// each position.

#include "fuzzsupport.h"

#include "core/device/choicelist.h"

#include <QJsonValue>

namespace {

const QLatin1Char kChoiceSeparator(',');

// A save without an edit writes back a value that the next fill shows at the same entry
// or at one with the same value.
void checkRoundTrip(const QList<ChoiceEntry> &entries, const QJsonValue &stored)
{
    const int index = choiceIndex(entries, stored);
    FUZZ_CHECK(index >= 0 && index < entries.size());
    const QJsonValue written = choiceValue(entries.at(index).value, stored.isString());
    FUZZ_CHECK(written.isString() == stored.isString());
    const int again = choiceIndex(entries, written);
    FUZZ_CHECK(again >= 0 && again < entries.size());
    FUZZ_CHECK(choiceValue(entries.at(again).value, written.isString()) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QList<ChoiceEntry> entries = choiceEntries(text);
    // One combo item per entry, empty entries included: the position is the only link back.
    FUZZ_CHECK(entries.size() == text.count(kChoiceSeparator) + 1);
    const QStringList labels = choiceLabels(entries);
    FUZZ_CHECK(labels.size() == entries.size());

    for (int i = 0; i < entries.size(); ++i) {
        const ChoiceEntry &entry = entries.at(i);
        FUZZ_CHECK(!entry.value.contains(kChoiceSeparator) && !entry.label.contains(kChoiceSeparator));
        checkRoundTrip(entries, QJsonValue(entry.value));
        checkRoundTrip(entries, QJsonValue(entry.value.toInt(nullptr, 10)));
    }
    checkRoundTrip(entries, QJsonValue(text));
    checkRoundTrip(entries, QJsonValue(5));
    checkRoundTrip(entries, QJsonValue(1.5));
    checkRoundTrip(entries, QJsonValue());
    return 0;
}
