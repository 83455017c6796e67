#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Text from outside (a module's reply, the catalog, a file) as JSON and as text, and JSON
// values back as text. Every number keeps the value it was read with, at any size (see
// json/exactnumbers.h); objects keep the toolkit's order of their keys (sorted), and of a
// key given twice the last value, as the toolkit reads them.

// True only for valid JSON whose root is an object; *object is then that root. Valid as the
// toolkit reads JSON, and beyond that a number outside the range of a double, such as 1e400.
bool parseJsonObject(const QByteArray &text, QJsonObject *object);
// True only for valid JSON whose root is an array; *array is then that root.
bool parseJsonArray(const QByteArray &text, QJsonArray *array);

// A value as compact JSON text: 4.5, true, null, [1,2], 12345678901234567890.
QString jsonText(const QJsonValue &value);
// An object as a compact JSON document, what a write sends.
QByteArray compactJson(const QJsonObject &object);
// An object or array as an indented JSON document, a member or item a line, four blanks an
// indent, a line break at the end: the toolkit's indented form.
QByteArray indentedJson(const QJsonValue &objectOrArray);

// Whether two values are the same JSON: numbers by their value (1.0 and 1 are, and
// 9007199254740993 and 9007199254740992 are not), objects member by member.
bool sameJsonValue(const QJsonValue &a, const QJsonValue &b);

// The text of a body the way a text reader sees it: everything before the first NUL byte.
QByteArray textUpToNul(const QByteArray &body);
