#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

// Announces a simulated module the way firmware does: a small UDP datagram starting with
// 'U', sent at once and then at a fixed interval. Runs on the event loop of its thread.
class ModuleAnnouncer : public QObject
{
    Q_OBJECT
public:
    explicit ModuleAnnouncer(QObject *parent = nullptr);

    void start(const QHostAddress &target, quint16 port, int intervalMs);
    void stop();
    int sentCount() const { return sent; }

    static QByteArray datagram(); // "UQuillnet-sim"

signals:
    void sendFailed(const QString &error);

private:
    void announce();

    QUdpSocket socket;
    QTimer timer;
    QHostAddress targetAddress;
    quint16 targetPort = 0;
    int sent = 0;
};
