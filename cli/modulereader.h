#pragma once

#include "core/device/moduleclient.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A module's pages as read through its client, one request at a time.
struct ModuleRead
{
    bool listed = false; // the page list was read, or every page asked for
    QString error; // why it was not
    // The module's page list, in its order; without the service page when the module has none.
    // Or, when every page asked for was read without the list, those pages in the order asked.
    QStringList pageKeys;
    QMap<QString, QJsonObject> pages; // the whole object the module answered, per page
    QStringList incomplete; // pages asked for that could not be read, in page order
    QStringList errors; // why, one message per page
    QStringList unknown; // pages asked for that the module does not list
};

// Reads the page list, then every page of it. With `only`, reads those pages alone; only when
// one of them fails is the list read, and then the pages it lists of `only` again (in the
// module's order; keys it does not list are reported in `unknown`).
void readModule(ModuleClient *client, const std::optional<QStringList> &only,
                std::function<void(const ModuleRead &)> done);

// The same, waiting for the result in a local event loop: for commands on one module.
ModuleRead readModuleAndWait(ModuleClient *client, const std::optional<QStringList> &only);
