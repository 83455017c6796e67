#include "window/app/mainwindow.h"

#include "core/modules/announcements.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QHostAddress>

namespace {

// A flood of announcements must not freeze the window: after this long the slot returns,
// and the datagrams still waiting make the socket report them again on the next turn of
// the event loop.
constexpr qint64 kDiscoveryTurnMs = 10;

} // namespace

void MainWindow::bindudp()
{
    // A taken port is no error: the window works, only discovery stays silent.
    udpSocket.bind(QHostAddress::AnyIPv4, kDiscoveryPort, QAbstractSocket::DefaultForPlatform);
    connect(&udpSocket, SIGNAL(readyRead()), this, SLOT(recvdataudp()));
}

void MainWindow::recvdataudp()
{
    // Only the first two bytes decide; reading no more keeps oversized datagrams cheap
    // (the rest of each datagram is discarded by the socket).
    char head[2];
    QElapsedTimer turn;
    turn.start();
    while (udpSocket.hasPendingDatagrams() && !turn.hasExpired(kDiscoveryTurnMs)) {
        QHostAddress sender;
        const qint64 size = udpSocket.readDatagram(head, sizeof head, &sender, nullptr);
        if (size < 0 || !isAnnouncement(QByteArray::fromRawData(head, int(size))))
            continue;
        const QString address = sender.toString();
        if (ui->comboBox->findData(address, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
            continue;
        ui->comboBox->insertItem(ui->comboBox->count(), address, address);
        modules.append(address);
    }
}
