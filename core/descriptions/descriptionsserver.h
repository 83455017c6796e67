#pragma once

#include <QString>
#include <QUrl>

// The descriptions server, from which the catalog is downloaded. Its host (host or
// host:port) is fixed when the configurator is built; the program's entry sets it before
// the window is made, and tests point it at a simulator of their own.
void setDescriptionsHost(const QString &host);
QString descriptionsHost();

// Where the catalog is downloaded from: http://HOST/api/app/init.json.
QUrl catalogUrl();
