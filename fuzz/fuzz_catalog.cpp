// A downloaded descriptions catalog: the parse, and every lookup the page list and the
// option table make in it, with the label rule, for the sample pages and for the pages
// the catalog itself describes.

#include "fuzzsupport.h"

#include "core/descriptions/catalog.h"
#include "core/device/choicelist.h"
#include "core/device/optionrows.h"

#include <QJsonDocument>

namespace {

void checkEntry(const QJsonObject &entry)
{
    catalog::editorKind(entry);
    const QString data = catalog::choiceData(entry);
    FUZZ_CHECK(!choiceEntries(data).isEmpty());
}

// The lookups of one fill of a page with these options.
void lookUpPage(const QJsonObject &descriptions, const QString &pageKey, const QJsonObject &options)
{
    const QJsonObject pageDescriptions = catalog::pageDescriptions(descriptions, pageKey);
    const bool allcfg = catalog::allcfgInForce(pageDescriptions);
    int position = 0;
    for (auto option = options.constBegin(); option != options.constEnd(); ++option, ++position) {
        const QString key = option.key();
        const QJsonObject entry = catalog::optionEntry(pageDescriptions, allcfg, key);
        checkEntry(entry);
        const QString label = catalog::optionLabel(entry, allcfg, key, position);
        // A row is never left without a label unless its key is empty.
        FUZZ_CHECK(!label.isEmpty() || key.isEmpty());
        const QJsonObject group = option.value().toObject();
        for (auto member = group.constBegin(); member != group.constEnd(); ++member) {
            const QJsonObject memberEntry = catalog::memberEntry(entry, member.key());
            checkEntry(memberEntry);
            const QString memberLabel = catalog::memberLabel(memberEntry, member.key());
            FUZZ_CHECK(!memberLabel.isEmpty() || member.key().isEmpty());
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
