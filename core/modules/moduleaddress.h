#pragma once

#include <QString>

// A module's address as the user gives it: a host (a name, an IPv4 address, or an IPv6
// address in brackets) and optionally ":port". It is checked once, before any request or
// name lookup, so that a mistyped address ("http://10.0.0.5", "10.0.0.5:99999") goes
// nowhere instead of to a host it happens to name.
struct ModuleAddress
{
    enum Kind {
        Valid,
        Invalid, // error says why
    };
    Kind kind = Invalid;
    QString host; // a name in lower case, IPv4 dotted, IPv6 without brackets
    int port = 80; // the module's port, 80 when the address names none
    QString error; // "the port must be a number from 1 to 65535"

    bool isValid() const { return kind == Valid; }
};

inline constexpr int kModulePort = 80;

ModuleAddress parseModuleAddress(const QString &text);
