#pragma once

#include <QByteArray>
#include <QJsonObject>

// Reads text from outside (a module's reply, the catalog) as a JSON object. True only for
// valid JSON whose root is an object; *object is then that root.
bool parseJsonObject(const QByteArray &text, QJsonObject *object);
