// The page-list reply of a module: its reading, the titles the list shows for its keys,
// and the page requests those keys lead to.

#include "fuzzsupport.h"

#include "core/descriptions/catalog.h"
#include "core/device/modulereplies.h"
#include "core/device/modulerequests.h"

#include <QUrlQuery>

namespace {

const QString kModuleAddress = QStringLiteral("192.168.4.20");
const QString kSelect = QStringLiteral("select");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::bytes(data, size);
    const PageListReply reply = readPageListReply(body);
    if (reply.kind != PageListReply::Pages) {
        FUZZ_CHECK(reply.keys.isEmpty());
        return 0;
    }
    // The service page is always listed, last.
    FUZZ_CHECK(!reply.keys.isEmpty() && reply.keys.last() == kServicePageKey);

    const QJsonObject titles = catalog::pageTitles(fuzz::sampleCatalog());
    for (const QString &key : reply.keys) {
        catalog::pageTitle(titles, key);
        const QUrl url = pageUrl(kModuleAddress, key);
        FUZZ_CHECK(url.isValid());
        FUZZ_CHECK(url.host() == kModuleAddress);
        // The key arrives intact, whatever it holds (as far as UTF-8 can carry it).
        if (QString::fromUtf8(key.toUtf8()) == key) {
            const QUrlQuery query(url);
            FUZZ_CHECK(query.queryItems(QUrl::FullyDecoded).size() == 1);
            FUZZ_CHECK(query.queryItemValue(kSelect, QUrl::FullyDecoded) == key);
        }
    }
    return 0;
}
