#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// What a module's answers mean, decided from the body alone.

// The service page every module has, listed last whether or not the module names it.
inline const QString kServicePageKey = QStringLiteral("promode");

// A reply body as text: UTF-8 up to the first NUL byte.
QString replyText(const QByteArray &body);

struct PageListReply
{
    enum Kind {
        Pages, // keys holds the page keys, kServicePageKey last
        NoApiOptions, // the module answered "Error 404": no JSON options interface
        Unrecognised, // anything else without a "select" array
    };
    Kind kind = Unrecognised;
    QStringList keys;
};
PageListReply readPageListReply(const QByteArray &body);

struct PageReply
{
    enum Kind {
        EmptyBody, // nothing to show, nothing to say
        EmptyPage, // the module's texts for a page without options
        ParserError, // not a JSON object, or an empty one
        Page, // values holds the parsed root object
    };
    Kind kind = EmptyBody;
    QJsonObject values;
};
// pageKey is the key the page was requested with: the empty-page text names it.
PageReply readPageReply(const QByteArray &body, const QString &pageKey);

// The options of a page: the member of the page reply named by the page key. Missing or not
// an object, it is a page without options.
QJsonObject pageOptions(const QJsonObject &pageValues, const QString &pageKey);
