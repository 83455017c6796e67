#pragma once

#include <QByteArray>
#include <QJsonValue>

// Numbers the toolkit's JSON values would not give back with the value a module sent: a
// serial number of 20 digits, a 64-bit counter, a long decimal, 1e400, -0. The toolkit keeps
// every number as a double (or an integer it writes as a double), so such a number is kept as
// its text instead: in a table of this process, named by the payload of a NaN that stands in
// the value. A NaN is a double no JSON text yields, so the value still reads as a number that
// no editor can hold (toInt() gives its default), and it travels through objects, arrays,
// merges and comparisons as any value does. Only the readers, writers and comparisons of
// json/jsontext.h look inside it.

// Where the JSON number that starts at begin ends, by the toolkit's reading of numbers:
// "-", "0" or digits, "." and digits, "e" or "E", a sign and digits, each part optional.
const char *numberTokenEnd(const char *begin, const char *end);

// Whether the toolkit could not give the number token back with its value: more than 15
// significant digits, a magnitude beyond 1e300 or below 1e-300, or a negative zero. Any
// other number holds its value in a double, though 2.50 is written back as 2.5 and 1.0 as 1.
// False for a token without digits: that is no number, and the toolkit refuses it.
bool needsExactNumber(const char *begin, const char *end);

// A number value that holds the token exactly, and back.
QJsonValue exactNumber(const QByteArray &token);
bool isExactNumber(const QJsonValue &value);
QByteArray exactNumberText(const QJsonValue &value); // empty for any other value

// Whether any exact number was made in this process: until one is, the toolkit's own
// reading, writing and comparing of values are exact.
bool exactNumbersInUse();

// Whether two JSON numbers have the same value: 1.0 and 1 do, 9007199254740993 and
// 9007199254740992 do not, nor does a NaN that stands for no exact number with itself.
bool sameNumber(const QJsonValue &a, const QJsonValue &b);
