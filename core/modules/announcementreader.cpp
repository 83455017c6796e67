#include "core/modules/announcementreader.h"

#include "core/modules/announcements.h"

#include <QHostAddress>
#include <QUdpSocket>

void readAnnouncements(QUdpSocket &socket, const std::function<void(const QString &address)> &announced,
                       QDeadlineTimer turn)
{
    // Only the first two bytes decide; reading no more keeps oversized datagrams cheap (the
    // socket discards the rest of each datagram).
    char head[2];
    while (socket.hasPendingDatagrams()) {
        QHostAddress sender;
        const qint64 size = socket.readDatagram(head, sizeof head, &sender, nullptr);
        if (size >= 0 && isAnnouncement(QByteArray::fromRawData(head, int(size))))
            announced(sender.toString());
        if (turn.hasExpired())
            return;
    }
}
