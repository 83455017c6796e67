#include "sim/moduleannouncer.h"

ModuleAnnouncer::ModuleAnnouncer(QObject *parent)
    : QObject(parent)
{
    connect(&timer, &QTimer::timeout, this, &ModuleAnnouncer::announce);
}

void ModuleAnnouncer::start(const QHostAddress &target, quint16 port, int intervalMs)
{
    targetAddress = target;
    targetPort = port;
    timer.start(intervalMs);
    announce();
}

void ModuleAnnouncer::stop()
{
    timer.stop();
}

QByteArray ModuleAnnouncer::datagram()
{
    return QByteArrayLiteral("UQuillnet-sim");
}

void ModuleAnnouncer::announce()
{
    if (socket.writeDatagram(datagram(), targetAddress, targetPort) < 0)
        emit sendFailed(socket.errorString());
    else
        ++sent;
}
