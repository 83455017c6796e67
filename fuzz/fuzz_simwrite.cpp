// The simulated module's side of a write: finding the document in a request target,
// percent-decoding it and merging it into the pages; and that a document the configurator
// sends arrives there intact.

#include "fuzzsupport.h"

#include "core/device/modulerequests.h"
#include "sim/writedecoding.h"

#include <QJsonDocument>

namespace {

const QString kModuleAddress = QStringLiteral("127.0.0.1:32780");

void checkMerge(const QByteArray &document)
{
    const QJsonObject before = fuzz::samplePages();
    QJsonObject pages = before;
    const bool merged = mergeWrite(&pages, document);
    if (!merged) {
        FUZZ_CHECK(pages == before);
        return;
    }
    // A write never adds or removes a page, and every page stays an object holding at
    // least the options it had.
    FUZZ_CHECK(pages.keys() == before.keys());
    for (auto page = before.constBegin(); page != before.constEnd(); ++page) {
        const QJsonValue after = pages.value(page.key());
        FUZZ_CHECK(after.isObject());
        const QJsonObject options = after.toObject();
        const QStringList keys = page.value().toObject().keys();
        for (const QString &key : keys)
            FUZZ_CHECK(options.contains(key));
    }
}

// What the configurator sends for this document: the request target of its write URL.
QByteArray sentTarget(const QByteArray &document)
{
    const QUrl url = writeUrl(kModuleAddress, document);
    FUZZ_CHECK(url.isValid());
    return url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);

    // The input as a request target.
    const QByteArray document = writeDocument(input);
    if (!document.isNull())
        checkMerge(document);

    // The input as a page document the configurator writes.
    const QJsonDocument parsed = QJsonDocument::fromJson(input);
    if (parsed.isObject()) {
        const QByteArray compact = parsed.toJson(QJsonDocument::Compact);
        const QByteArray arrived = writeDocument(sentTarget(compact));
        FUZZ_CHECK(arrived == compact);
        checkMerge(arrived);
    }
    return 0;
}
