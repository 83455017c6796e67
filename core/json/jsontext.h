#pragma once

#include <QByteArray>
#include <QJsonObject>

// Text from outside (a module's reply, the catalog, a file) as JSON and as text.

// True only for valid JSON whose root is an object; *object is then that root.
bool parseJsonObject(const QByteArray &text, QJsonObject *object);

// The text of a body the way a text reader sees it: everything before the first NUL byte.
QByteArray textUpToNul(const QByteArray &body);
