#include "window/app/mainwindow.h"

#include "core/modules/announcementreader.h"
#include "core/modules/announcements.h"

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
    readAnnouncements(udpSocket, [this](const QString &address) {
        if (ui->comboBox->findData(address, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
            return;
        ui->comboBox->insertItem(ui->comboBox->count(), address, address);
        modules.append(address);
    });
}
