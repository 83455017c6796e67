#include "announcements.h"

#include <QComboBox>
#include <QHostAddress>

namespace {

constexpr quint16 kWindowPort = 32700;

} // namespace

ModuleSender::ModuleSender(const QString &sourceAddress)
    : source(sourceAddress)
{
    if (!socket.bind(QHostAddress(source), 0))
        qFatal("Cannot send from %s: %s", qPrintable(source), qPrintable(socket.errorString()));
}

bool ModuleSender::send(const QByteArray &datagram)
{
    return socket.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), kWindowPort)
        == datagram.size();
}

bool discoveryPortFree()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, kWindowPort, QAbstractSocket::DontShareAddress);
}

QStringList selectorAddresses(const QComboBox *box)
{
    QStringList addresses;
    for (int i = 1; i < box->count(); ++i)
        addresses << box->itemData(i, Qt::UserRole).toString();
    return addresses;
}

bool selectorHas(const QComboBox *box, const QString &address)
{
    return selectorAddresses(box).contains(address);
}
