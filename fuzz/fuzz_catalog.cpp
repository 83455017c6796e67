// A downloaded descriptions catalog: the parse, the page titles, and the rows the option
// table plans from it (labels, editor kinds, choice lists), for the sample pages and for the
// pages the catalog itself describes.

#include "fuzzsupport.h"

#include "core/descriptions/catalog.h"
#include "core/device/rowplan.h"

#include <QJsonDocument>

namespace {

// The rows of one fill of a page with these options.
void lookUpPage(const QJsonObject &descriptions, const QString &pageKey, const QJsonObject &options)
{
    for (const PlannedRow &row : planRows(descriptions, pageKey, options)) {
        // A row is never left without a label unless its key is empty.
        const QString &key = row.place.isMember ? row.place.subKey : row.place.key;
        FUZZ_CHECK(!row.label.isEmpty() || key.isEmpty());
        // A choice box always has a list, of at least one entry, to map its index back by.
        FUZZ_CHECK((row.kind == ChoiceBox) == bool(row.choices));
        if (row.choices) {
            FUZZ_CHECK(!row.choices->entries.isEmpty());
            FUZZ_CHECK(row.choices->labels.size() == row.choices->entries.size());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QJsonObject descriptions;
    if (!catalog::parseCatalog(fuzz::bytes(data, size), &descriptions)) {
        FUZZ_CHECK(descriptions.isEmpty());
        return 0;
    }

    fuzz::checkLookups(descriptions);
    const QJsonObject titles = catalog::pageTitles(descriptions);
    for (auto title = titles.constBegin(); title != titles.constEnd(); ++title)
        catalog::pageTitle(titles, title.key());

    const QJsonObject pages = fuzz::samplePages();
    for (auto page = pages.constBegin(); page != pages.constEnd(); ++page)
        lookUpPage(descriptions, page.key(), page.value().toObject());
    // The catalog's own page descriptions as if they were the page: every entry is looked
    // up, groups included.
    for (auto page = descriptions.constBegin(); page != descriptions.constEnd(); ++page)
        lookUpPage(descriptions, page.key(), page.value().toObject());
    return 0;
}
