#include "app/mainwindow.h"

#include "modules/moduleentry.h"

#include <QComboBox>
#include <QHostAddress>

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
    while (udpSocket.hasPendingDatagrams()) {
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
