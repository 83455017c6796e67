#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

class QNetworkReply;

// The requests a module (and the descriptions server) is sent, and the tracking of their
// replies.

// A module that accepts the connection and never answers must still end in the failure
// path rather than leave the caller waiting for ever.
inline constexpr int kModuleTransferTimeoutMs = 15000;

// URLs of the module's JSON options interface. Page keys and documents travel
// percent-encoded as query values, so that "#", "&", "+", "%" and blanks arrive intact. An
// address that is none (modules/moduleaddress.h) gives the empty URL: a request for it
// fails at once, sent nowhere.
QUrl pageListUrl(const QString &moduleAddress);
QUrl pageUrl(const QString &moduleAddress, const QString &pageKey);
QUrl writeUrl(const QString &moduleAddress, const QByteArray &document);

// The module a request goes to, as "host:port" (port 80 when the address names none, the host
// in lower case): two addresses with the same key reach the same module. An address that is
// none is its own key.
QString moduleAddressKey(const QString &moduleAddress);

// Every request goes out with the transfer timeout.
QNetworkRequest moduleRequest(const QUrl &url, int timeoutMs = kModuleTransferTimeoutMs);

// How a request ended, decided from its finished reply alone.
struct ReplyOutcome
{
    enum Kind {
        Answered, // body holds the answer; httpStatus is below 400
        ErrorStatus, // the module answered with an HTTP error status
        NoAnswer, // nothing came within the transfer timeout
        // The connection closed before an answer, and the request, whose body refuses to be
        // read twice, was not sent again
        NotResent,
        NetworkError, // no connection, or it broke before the answer was whole
    };
    Kind kind = NetworkError;
    QByteArray body; // the answer, when Answered
    int httpStatus = 0; // the status the module sent; 0 when none arrived
    // Why it failed, in one line: "Connection refused", "no answer within 15 s",
    // "HTTP 414 URI Too Long". Empty when answered.
    QString reason;
    QString url; // the URL without its query: a write's query holds the whole page
};

// The line a failed request is logged with: its URL and the reason.
QString failureLine(const ReplyOutcome &outcome);

// A reply in flight is tracked by one pointer, null when none is.
//
// Abandons the tracked reply, if any: it is aborted and released without its finished()
// reaching anyone, and *tracked becomes null.
void abortReply(QNetworkReply **tracked);
// Handles a finished reply once: releases it, clears *tracked when it is the tracked one,
// and returns how it ended. Nothing is logged: the caller knows who wants to hear of it.
ReplyOutcome finishReply(QNetworkReply *reply, QNetworkReply **tracked);
