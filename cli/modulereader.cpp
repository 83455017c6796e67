#include "cli/modulereader.h"

#include <QEventLoop>

#include <memory>

namespace {

using ReadDone = std::function<void(const ModuleRead &)>;

void readListed(ModuleClient *client, const std::optional<QStringList> &only, ReadDone done)
{
    client->readPageList([client, only, done = std::move(done)](const ClientResult &list) {
        auto read = std::make_shared<ModuleRead>();
        read->listed = list.ok;
        read->error = list.error;
        read->pageKeys = list.pageKeys;
        if (!list.ok) {
            done(*read);
            return;
        }
        QStringList wanted;
        for (const QString &key : list.pageKeys) {
            if (!only || only->contains(key))
                wanted.append(key);
        }
        if (only) {
            for (const QString &key : *only) {
                if (!list.pageKeys.contains(key))
                    read->unknown.append(key);
            }
        }
        if (wanted.isEmpty()) {
            done(*read);
            return;
        }
        auto left = std::make_shared<int>(int(wanted.size()));
        for (const QString &key : wanted) {
            client->readPage(key, [read, left, key, wanted, done](const ClientResult &page) {
                if (page.ok) {
                    read->pages.insert(key, page.page);
                } else if (page.noSuchPage) {
                    read->pageKeys.removeAll(key);
                } else {
                    read->errors.append(page.error);
                }
                if (--*left > 0)
                    return;
                for (const QString &wantedKey : wanted) {
                    if (!read->pages.contains(wantedKey) && read->pageKeys.contains(wantedKey))
                        read->incomplete.append(wantedKey);
                }
                done(*read);
            });
        }
    });
}

// The pages named, one after the other, without the page list: a module read for a write
// answers one request less. A page not read from a module that answers sends the whole read
// through the list, which tells a page the module does not have from one that failed to come;
// a module that has answered nothing is not asked again.
void readNamed(ModuleClient *client, const QStringList &keys, int index,
               const std::shared_ptr<ModuleRead> &read, const ReadDone &done)
{
    if (index == keys.size()) {
        read->listed = true;
        read->pageKeys = keys;
        return done(*read);
    }
    client->readPage(keys.at(index), [client, keys, index, read, done](const ClientResult &page) {
        if (page.ok) {
            read->pages.insert(keys.at(index), page.page);
            return readNamed(client, keys, index + 1, read, done);
        }
        if (client->hasAnswered())
            return readListed(client, keys, done);
        read->error = page.error;
        done(*read);
    });
}

} // namespace

void readModule(ModuleClient *client, const std::optional<QStringList> &only,
                std::function<void(const ModuleRead &)> done)
{
    if (only && !only->isEmpty())
        return readNamed(client, *only, 0, std::make_shared<ModuleRead>(), done);
    readListed(client, only, std::move(done));
}

ModuleRead readModuleAndWait(ModuleClient *client, const std::optional<QStringList> &only)
{
    ModuleRead read;
    QEventLoop loop;
    readModule(client, only, [&](const ModuleRead &result) {
        read = result;
        loop.quit();
    });
    loop.exec();
    return read;
}
