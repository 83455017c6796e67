#pragma once

#include <QByteArray>
#include <QtGlobal>

// Modules announce themselves with UDP datagrams to this port on every IPv4 interface.
inline constexpr quint16 kDiscoveryPort = 32700;

// An announcement is a datagram of at least 2 bytes starting with 'U'; the rest is not read.
inline bool isAnnouncement(const QByteArray &datagram)
{
    return datagram.size() >= 2 && datagram.at(0) == 'U';
}
