#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkReply;

// The requests a module (and the descriptions server) is sent, and the tracking of their
// replies.

// A module that accepts the connection and never answers must still end in the failure
// path rather than leave the caller waiting for ever.
inline constexpr int kModuleTransferTimeoutMs = 15000;

// URLs of the module's JSON options interface. Page keys and documents travel
// percent-encoded as query values, so that "#", "&", "+", "%" and blanks arrive intact.
QUrl pageListUrl(const QString &moduleAddress);
QUrl pageUrl(const QString &moduleAddress, const QString &pageKey);
QUrl writeUrl(const QString &moduleAddress, const QByteArray &document);

// The module a request goes to, as "host:port" (port 80 when the address names none, the host
// in lower case): two addresses with the same key reach the same module.
QString moduleAddressKey(const QString &moduleAddress);

// Every request goes out with the transfer timeout.
QNetworkRequest moduleRequest(const QUrl &url, int timeoutMs = kModuleTransferTimeoutMs);

// A reply in flight is tracked by one pointer, null when none is.
//
// Abandons the tracked reply, if any: it is aborted and released without its finished()
// reaching anyone, and *tracked becomes null.
void abortReply(QNetworkReply **tracked);
// Handles a finished reply once: releases it, clears *tracked when it is the tracked one,
// and returns its body; nothing on failure, which is logged as a warning with the URL and
// the reason.
std::optional<QByteArray> finishReply(QNetworkReply *reply, QNetworkReply **tracked);
