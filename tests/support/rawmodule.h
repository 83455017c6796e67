#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>

// A peer on loopback that answers with hand-made bytes, for faults that no well-behaved server
// makes: the target of each request is recorded, the answer chosen for it written and the
// connection closed.
class RawModule : public QObject
{
public:
    RawModule()
    {
        if (!server.listen(QHostAddress::LocalHost))
            qFatal("Cannot listen on loopback");
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                auto head = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
                    const bool answered = head->contains("\r\n\r\n");
                    head->append(socket->readAll());
                    if (answered || !head->contains("\r\n\r\n"))
                        return;
                    targets.append(head->left(head->indexOf("\r\n")).split(' ').value(1));
                    socket->write(respond(targets.last()));
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }

    // A plain HTTP/1.1 answer; a contentLength >= 0 announces more than body holds.
    static QByteArray answer(int status, const QByteArray &body, const QByteArray &headers = {},
                             int contentLength = -1)
    {
        return "HTTP/1.1 " + QByteArray::number(status) + " Whatever\r\nContent-Length: "
            + QByteArray::number(contentLength < 0 ? body.size() : contentLength)
            + "\r\nConnection: close\r\n" + headers + "\r\n" + body;
    }

    std::function<QByteArray(const QByteArray &target)> respond;
    QList<QByteArray> targets;
    QTcpServer server;
};
