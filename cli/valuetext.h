#pragma once

#include "core/device/rowplan.h"

#include <QJsonValue>
#include <QString>

#include <optional>

// The value a set writes for the text given on the command line. It keeps the JSON type the
// option has on the module: a string stays a string whatever the text, a number takes a
// number, a flag 0 or 1 (or false or true), an object or an array JSON text of that kind. A
// choice takes one of its values or labels and writes the value. Nothing, and *error set,
// when the text does not fit.
std::optional<QJsonValue> valueFromText(const PlannedRow &option, const QString &text, QString *error);

// Empty when value, as a backup holds it, is one that a set would write for the option: of
// the type the option has on the module, one of its choices' values, a group as an object.
// Otherwise why not: "takes a whole number, and the backup holds a text".
QString valueMismatch(const PlannedRow &option, const QJsonValue &value);
