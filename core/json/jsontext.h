#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Text from outside (a module's reply, the catalog, a file) as JSON and as text.

// True only for valid JSON whose root is an object; *object is then that root.
bool parseJsonObject(const QByteArray &text, QJsonObject *object);
// True only for valid JSON whose root is an array; *array is then that root.
bool parseJsonArray(const QByteArray &text, QJsonArray *array);

// A value as compact JSON text: 4.5, true, null, [1,2].
QString jsonText(const QJsonValue &value);

// The text of a body the way a text reader sees it: everything before the first NUL byte.
QByteArray textUpToNul(const QByteArray &body);
