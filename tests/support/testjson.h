#pragma once

#include "core/json/jsontext.h"

#include <QByteArray>
#include <QJsonObject>

// JSON text written in a test as the object it stands for (an empty one when it is none),
// read as the system reads a module's text; compactJson() (json/jsontext.h) gives the text
// the window and the simulator send.
inline QJsonObject jsonObject(const QByteArray &text)
{
    QJsonObject object;
    parseJsonObject(text, &object);
    return object;
}
