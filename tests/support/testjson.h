#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

// JSON text written in a test as the object it stands for (an empty one when it is none),
// and an object as the compact text the window and the simulator send.
inline QJsonObject jsonObject(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}
inline QByteArray compactJson(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
