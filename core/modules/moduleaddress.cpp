#include "core/modules/moduleaddress.h"

#include <QHostAddress>
#include <QStringList>

#include <algorithm>

namespace {

const QLatin1Char kPortSeparator(':');
const QLatin1Char kLabelSeparator('.');
const QLatin1Char kOpenBracket('[');
const QLatin1Char kCloseBracket(']');
constexpr int kMaxPort = 65535;
constexpr int kMaxNameLength = 253;
constexpr int kMaxLabelLength = 63;
constexpr int kIpv4Parts = 4;
constexpr int kMaxIpv4Part = 255;
constexpr int kMaxIpv4Digits = 3;
constexpr int kMaxPortDigits = 5;

bool isDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

bool isIpv4(const QString &host)
{
    const QStringList parts = host.split(kLabelSeparator);
    return parts.size() == kIpv4Parts && std::all_of(parts.cbegin(), parts.cend(), [](const QString &part) {
               return isDigits(part) && part.size() <= kMaxIpv4Digits && part.toInt() <= kMaxIpv4Part;
           });
}

bool isNameLabel(const QString &label)
{
    if (label.isEmpty() || label.size() > kMaxLabelLength || label.startsWith(QLatin1Char('-'))
        || label.endsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : label) {
        const bool letterOrDigit = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (!letterOrDigit && c != QLatin1Char('-'))
            return false;
    }
    return true;
}

// A name of letters, digits and hyphens between dots. A last label that starts with a digit
// makes the toolkit (and every resolver) read the host as a number: it must then be an IPv4
// address in full, so that "10.1" or "1" never reaches some other machine.
bool isHost(const QString &host)
{
    if (host.isEmpty() || host.size() > kMaxNameLength)
        return false;
    const QStringList labels = host.split(kLabelSeparator);
    const QChar lastStart = labels.last().isEmpty() ? QChar() : labels.last().front();
    if (lastStart >= QLatin1Char('0') && lastStart <= QLatin1Char('9'))
        return isIpv4(host);
    return std::all_of(labels.cbegin(), labels.cend(), isNameLabel);
}

ModuleAddress invalid(const QString &why)
{
    ModuleAddress address;
    address.error = why;
    return address;
}

} // namespace

ModuleAddress parseModuleAddress(const QString &text)
{
    QString host;
    QString port;
    bool hasPort = false;
    bool ipv6 = false;
    if (text.startsWith(kOpenBracket)) {
        const int close = text.indexOf(kCloseBracket);
        if (close < 0)
            return invalid(QStringLiteral("an IPv6 address in brackets lacks its \"]\""));
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(kPortSeparator))
            return invalid(QStringLiteral("after \"]\" only \":port\" may follow"));
        hasPort = !rest.isEmpty();
        port = rest.mid(1);
        ipv6 = true;
    } else {
        const int colon = text.indexOf(kPortSeparator);
        hasPort = colon >= 0;
        host = hasPort ? text.left(colon) : text;
        port = hasPort ? text.mid(colon + 1) : QString();
    }

    ModuleAddress address;
    if (ipv6) {
        const QHostAddress parsed(host);
        if (parsed.protocol() != QAbstractSocket::IPv6Protocol || !host.contains(kPortSeparator))
            return invalid(QStringLiteral("\"%1\" is not an IPv6 address").arg(host));
        address.host = parsed.toString();
    } else if (!isHost(host)) {
        return invalid(QStringLiteral("the host must be a name, an IPv4 address or an IPv6 address in "
                                      "brackets, with \":port\" after it if any (no \"http://\", no path)"));
    } else {
        address.host = host.toLower();
    }
    if (hasPort) {
        // Digits only: toInt() would take a sign or blanks.
        const int number = isDigits(port) && port.size() <= kMaxPortDigits ? port.toInt() : 0;
        if (number < 1 || number > kMaxPort)
            return invalid(QStringLiteral("the port must be a number from 1 to %1").arg(kMaxPort));
        address.port = number;
    }
    address.kind = ModuleAddress::Valid;
    return address;
}
