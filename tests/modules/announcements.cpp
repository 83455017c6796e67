#include "announcements.h"

#include "modules/discovery.h"

#include <QSettings>
#include <QUdpSocket>

static const QString kOptionsFile = QStringLiteral("options.ini");
static const QString kModulesKey = QStringLiteral("global/modules");

bool sendFrom(const QString &source, const QByteArray &datagram)
{
    QUdpSocket socket;
    return socket.bind(QHostAddress(source), 0)
        && socket.writeDatagram(datagram, QHostAddress::LocalHost, kDiscoveryPort) == datagram.size();
}

bool discoveryPortFree()
{
    return QUdpSocket().bind(QHostAddress::AnyIPv4, kDiscoveryPort, QAbstractSocket::DontShareAddress);
}

void storeModules(const QString &value)
{
    QSettings(kOptionsFile, QSettings::IniFormat).setValue(kModulesKey, value);
}

QString storedModules()
{
    return QSettings(kOptionsFile, QSettings::IniFormat).value(kModulesKey).toString();
}

QStringList selectorItems(const QComboBox *box, int role)
{
    QStringList items;
    for (int i = 1; i < box->count(); ++i)
        items << box->itemData(i, role).toString();
    return items;
}
