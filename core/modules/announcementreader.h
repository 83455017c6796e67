#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <functional>

class QUdpSocket;

// How long one call reads by default. A flood of announcements must not hold the event loop:
// once the turn is over the call returns, and the datagrams still waiting make the socket
// report them again on the next turn of the loop.
inline constexpr qint64 kAnnouncementTurnMs = 10;

// Reads the datagrams waiting on socket in arrival order, until none is waiting or the turn
// has expired, and hands the sender of each announcement to announced as a module address
// (the sender's IPv4 address in dotted form; its port is ignored): every announcement, also
// from a sender heard before, so that the caller can count them. One datagram at least is
// read when one is waiting, so that each call makes progress whatever the turn.
void readAnnouncements(QUdpSocket &socket, const std::function<void(const QString &address)> &announced,
                       QDeadlineTimer turn = QDeadlineTimer(kAnnouncementTurnMs, Qt::PreciseTimer));
