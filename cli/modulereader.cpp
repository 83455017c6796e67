#include "cli/modulereader.h"

#include <QEventLoop>

#include <memory>

void readModule(ModuleClient *client, const std::optional<QStringList> &only,
                std::function<void(const ModuleRead &)> done)
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
