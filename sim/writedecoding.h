#pragma once

#include <QByteArray>
#include <QJsonObject>

// How the simulated module reads a write request: where the document sits in the request
// target, and how it lands in the pages. Free of the server, so that it can be driven
// with any request target.

// The write document as it arrived, still percent-encoded: everything after "write=" to
// the end of the target, because a JSON text may carry a bare "&" or "=" when the client
// left them unescaped. Null when the target holds no write.
QByteArray rawWriteDocument(const QByteArray &target);
// The write document, percent-decoded; null when the target holds no write.
QByteArray writeDocument(const QByteArray &target);

// Merges every member of the document that names a page and holds an object into that
// page, option by option (a written group replaces the whole group); other members are
// ignored. False, with the pages untouched, when the document is not a JSON object.
bool mergeWrite(QJsonObject *pages, const QByteArray &document);
