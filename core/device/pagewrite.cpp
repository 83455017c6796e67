#include "core/device/pagewrite.h"

#include "core/device/moduleclient.h"
#include "core/device/modulereplies.h"

#include <QTimer>

namespace {

using PagesDone = std::function<void(const PagesWritten &)>;

void writeRest(ModuleClient *client, QList<PageWrite> rest, const PagesWritten &sofar, const PagesDone &done)
{
    if (rest.isEmpty())
        return done(sofar);
    const PageWrite write = rest.takeFirst();
    writeAndReadBack(client, write,
                     [client, rest, sofar, done, key = write.pageKey](const PageWriteOutcome &outcome) {
                         PagesWritten next = sofar;
                         next.last = outcome;
                         if (outcome.kind != PageWriteOutcome::Confirmed)
                             return done(next);
                         next.confirmed.append(key);
                         writeRest(client, rest, next, done);
                     });
}

PageWriteOutcome readBackOutcome(const QString &key, const QJsonObject &mustHold, const ClientResult &back)
{
    PageWriteOutcome outcome;
    if (!back.ok) {
        outcome.kind = PageWriteOutcome::ReadBackFailed;
        outcome.reason = QStringLiteral("reading back: %1").arg(back.error);
        return outcome;
    }
    outcome.readBack = back.page;
    outcome.differences = valuesNotHeld(key, pageOptions(back.page, key), mustHold);
    if (outcome.differences.isEmpty()) {
        outcome.kind = PageWriteOutcome::Confirmed;
    } else {
        outcome.kind = PageWriteOutcome::Differs;
        outcome.reason = QStringLiteral("page \"%1\" read back does not hold the values written").arg(key);
    }
    return outcome;
}

} // namespace

PageWrite changesWrite(const QString &pageKey, const QJsonObject &pageReply, const QList<Difference> &changes)
{
    // The changed values alone must hold: the rest of the page is the module's own.
    PageWrite write{pageKey, pageReply, applyChanges(QJsonObject(), changes)};
    write.document.insert(pageKey, applyChanges(pageOptions(pageReply, pageKey), changes));
    return write;
}

void writeAndReadBack(ModuleClient *client, const PageWrite &write,
                      std::function<void(const PageWriteOutcome &)> done)
{
    const QString key = write.pageKey;
    const QJsonObject mustHold = write.mustHold;
    client->writePage(key, write.document,
                      [client, key, mustHold, done = std::move(done)](const ClientResult &written) {
                          if (!written.ok)
                              return done({PageWriteOutcome::WriteFailed, written.error, {}, {}});
                          client->readPage(key, [key, mustHold, done](const ClientResult &back) {
                              done(readBackOutcome(key, mustHold, back));
                          });
                      });
}

void writeAndReadBackInTurn(ModuleClient *client, const QList<PageWrite> &writes,
                            std::function<void(const PagesWritten &)> done)
{
    PagesWritten none;
    none.last.kind = PageWriteOutcome::Confirmed;
    if (writes.isEmpty()) {
        QTimer::singleShot(0, client, [none, done = std::move(done)] { done(none); });
        return;
    }
    writeRest(client, writes, none, done);
}
