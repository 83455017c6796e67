#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// A module that accepts the connection and never answers must still end in the failure
// path rather than leave the window waiting for ever.
inline constexpr int kModuleTransferTimeoutMs = 15000;

// URLs of the module's JSON options interface. Page keys and documents travel
// percent-encoded as query values, so that "#", "&", "+", "%" and blanks arrive intact.
QUrl pageListUrl(const QString &moduleAddress);
QUrl pageUrl(const QString &moduleAddress, const QString &pageKey);
QUrl writeUrl(const QString &moduleAddress, const QByteArray &document);
