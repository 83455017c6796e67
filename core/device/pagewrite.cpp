#include "core/device/pagewrite.h"

#include "core/device/moduleclient.h"
#include "core/device/modulelock.h"
#include "core/device/modulereplies.h"
#include "core/json/jsontext.h"

#include <QTimer>

#include <optional>

namespace {

using PagesDone = std::function<void(const PagesWritten &)>;
using GoOn = std::function<bool()>;

void writeRest(ModuleClient *client, QList<PageWrite> rest, const PagesWritten &sofar, const PagesDone &done,
               const GoOn &mayGoOn)
{
    if (rest.isEmpty())
        return done(sofar);
    if (mayGoOn && !mayGoOn()) {
        PagesWritten stopped = sofar;
        stopped.stopped = true;
        return done(stopped);
    }
    const PageWrite write = rest.takeFirst();
    writeAndReadBack(
        client, write,
        [client, rest, sofar, done, mayGoOn, key = write.pageKey](const PageWriteOutcome &outcome) {
            PagesWritten next = sofar;
            next.last = outcome;
            if (outcome.kind != PageWriteOutcome::Confirmed)
                return done(next);
            next.confirmed.append(key);
            writeRest(client, rest, next, done, mayGoOn);
        });
}

PageWriteOutcome readBackOutcome(const QString &key, const QJsonObject &written, const ClientResult &back)
{
    PageWriteOutcome outcome;
    if (!back.ok) {
        outcome.kind = PageWriteOutcome::ReadBackFailed;
        outcome.reason = QStringLiteral("reading back: %1").arg(back.error);
        return outcome;
    }
    outcome.readBack = back.page;
    // The whole page, not only the places changed: a write that changed others says so too.
    const QJsonObject options = pageOptions(back.page, key);
    if (options != written)
        outcome.differences = compareOptions(key, options, written);
    if (outcome.differences.isEmpty()) {
        outcome.kind = PageWriteOutcome::Confirmed;
    } else {
        outcome.kind = PageWriteOutcome::Differs;
        outcome.reason = QStringLiteral("page \"%1\" read back differs from what was written in %2 places")
                             .arg(key)
                             .arg(outcome.differences.size());
    }
    return outcome;
}

QList<Conflict> conflictsOf(const QJsonObject &options, const QList<Difference> &changes)
{
    QList<Conflict> conflicts;
    for (const Difference &change : changes) {
        const QJsonValue now = valueAt(options, change);
        if (!sameJsonValue(now, change.a) && !sameJsonValue(now, change.b))
            conflicts.append({change, now});
    }
    return conflicts;
}

// What stops a save on the page as read again, if anything.
std::optional<PageWriteOutcome> refusal(const PageSave &save, const ClientResult &fresh)
{
    const QString &key = save.pageKey;
    PageWriteOutcome outcome;
    if (!fresh.ok) {
        outcome.kind = PageWriteOutcome::ReadFailed;
        outcome.reason = QStringLiteral("reading again before the write: %1").arg(fresh.error);
        return outcome;
    }
    const QJsonObject now = pageOptions(fresh.page, key);
    const QJsonObject loaded = pageOptions(save.loaded, key);
    // A page that came with options and comes again without any (the module's texts for an
    // empty page among them) is no page to write changes onto.
    if (!fresh.page.value(key).isObject() || (now.isEmpty() && !loaded.isEmpty())) {
        outcome.kind = PageWriteOutcome::ReadFailed;
        outcome.reason = QStringLiteral("page \"%1\" read again before the write holds no options").arg(key);
        return outcome;
    }
    if (save.rule == PageSave::StopOnAnyChange)
        outcome.differences = compareOptions(key, loaded, now);
    if (!outcome.differences.isEmpty()) {
        outcome.kind = PageWriteOutcome::Changed;
        outcome.reason = QStringLiteral("page \"%1\" changed on the module since it was read, in %2 places")
                             .arg(key)
                             .arg(outcome.differences.size());
        return outcome;
    }
    if (save.rule == PageSave::MergeOthers)
        outcome.conflicts = conflictsOf(now, save.changes);
    if (!outcome.conflicts.isEmpty()) {
        outcome.kind = PageWriteOutcome::Conflicted;
        outcome.reason = QStringLiteral("page \"%1\" changed on the module since it was read, in %2 places "
                                        "changed here too")
                             .arg(key)
                             .arg(outcome.conflicts.size());
        return outcome;
    }
    return std::nullopt;
}

} // namespace

PageWrite changesWrite(const QString &pageKey, const QJsonObject &pageReply, const QList<Difference> &changes)
{
    PageWrite write{pageKey, pageReply};
    write.document.insert(pageKey, applyChanges(pageOptions(pageReply, pageKey), changes));
    return write;
}

QJsonValue valueAt(const QJsonObject &options, const Difference &place)
{
    QJsonValue value = options.value(place.optionKey);
    if (!place.isMember)
        return value;
    return value.isObject() ? value.toObject().value(place.memberKey) : QJsonValue(QJsonValue::Undefined);
}

void writeAndReadBack(ModuleClient *client, const PageWrite &write,
                      std::function<void(const PageWriteOutcome &)> done)
{
    const QString key = write.pageKey;
    const QJsonObject written = pageOptions(write.document, key);
    client->writePage(key, write.document,
                      [client, key, written, done = std::move(done)](const ClientResult &result) {
                          if (!result.ok) {
                              PageWriteOutcome failed;
                              failed.reason = result.error;
                              return done(failed);
                          }
                          client->readPage(key, [key, written, done](const ClientResult &back) {
                              done(readBackOutcome(key, written, back));
                          });
                      });
}

void writeAndReadBackInTurn(ModuleClient *client, const QList<PageWrite> &writes,
                            std::function<void(const PagesWritten &)> done,
                            const std::function<bool()> &mayGoOn)
{
    PagesWritten none;
    none.last.kind = PageWriteOutcome::Confirmed;
    if (writes.isEmpty()) {
        QTimer::singleShot(0, client, [none, done = std::move(done)] { done(none); });
        return;
    }
    writeRest(client, writes, none, done, mayGoOn);
}

void savePage(ModuleClient *client, const PageSave &save, std::function<void(const PageWriteOutcome &)> done)
{
    // A child of the client: it goes, and the lock with it, when the client goes first.
    auto *lock = new ModuleLock(client->address(), client);
    const auto finish = [lock, done = std::move(done)](const PageWriteOutcome &outcome) {
        lock->release();
        lock->deleteLater();
        done(outcome);
    };
    lock->acquire(client->timeoutMs(), [client, save, finish](const QString &error) {
        if (!error.isEmpty()) {
            PageWriteOutcome busy;
            busy.kind = PageWriteOutcome::NotLocked;
            busy.reason = error;
            return finish(busy);
        }
        client->readPage(save.pageKey, [client, save, finish](const ClientResult &fresh) {
            const std::optional<PageWriteOutcome> refused = refusal(save, fresh);
            if (refused)
                return finish(*refused);
            writeAndReadBack(client, changesWrite(save.pageKey, fresh.page, save.changes), finish);
        });
    });
}
