#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUdpSocket>

class QComboBox;

// Sends datagrams to the window's discovery port, 127.0.0.1:32700, from a loopback address
// of its own (any 127.0.0.x works on Linux), the way a module on the network would.
class ModuleSender
{
public:
    explicit ModuleSender(const QString &source = QStringLiteral("127.0.0.1"));

    bool send(const QByteArray &datagram);
    bool announce() { return send(QByteArrayLiteral("UQ")); }

    QString source;

private:
    QUdpSocket socket;
};

// True when no other program holds the discovery port: a window sharing it with another
// socket misses the datagrams the kernel hands to that socket.
bool discoveryPortFree();

// The module addresses carried by the selector's items, in order (the prompt carries none).
QStringList selectorAddresses(const QComboBox *box);
bool selectorHas(const QComboBox *box, const QString &address);
