// The announcement reader on a socket of its own, fed real datagrams on loopback from senders
// bound to addresses of their own.

#include "core/modules/announcementreader.h"
#include "support/timeouts.h"
#include "support/waituntil.h"

#include <QUdpSocket>
#include <QtTest>

#include <algorithm>

using Datagrams = QList<QPair<QString, QByteArray>>; // sender address, content

class TestAnnouncementReader : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(socket.bind(QHostAddress::LocalHost, 0));
        handed.clear();
        calls.clear();
    }
    void cleanup()
    {
        socket.close();
        QObject::disconnect(&socket, nullptr, nullptr, nullptr);
    }

    void announcers_data()
    {
        QTest::addColumn<Datagrams>("datagrams");
        QTest::addColumn<QStringList>("announcers"); // handed on, in order
        const QByteArray big(60000, 'x');
        QTest::newRow("near misses are dropped")
            << Datagrams{{"127.0.0.2", "U"},  {"127.0.0.2", "u1"},       {"127.0.0.2", ""},
                         {"127.0.0.2", "XU"}, {"127.0.0.2", {"\0U", 2}}, {"127.0.0.2", "\xd5U"},
                         {"127.0.0.2", big},  {"127.0.0.3", "U!"}}
            << QStringList{"127.0.0.3"};
        QTest::newRow("the shortest and the largest announcement, and what follows them")
            << Datagrams{{"127.0.0.2", {"U\0", 2}}, {"127.0.0.3", "U" + big}, {"127.0.0.4", "Ux"}}
            << QStringList{"127.0.0.2", "127.0.0.3", "127.0.0.4"};
        QTest::newRow("every announcement of a sender, whatever its port, in arrival order")
            << Datagrams{{"127.0.0.5", "U1"},
                         {"127.0.0.2", "U2"},
                         {"127.0.0.5", "x"},
                         {"127.0.0.5", "U3"},
                         {"127.0.0.2", "U4"}}
            << QStringList{"127.0.0.5", "127.0.0.2", "127.0.0.5", "127.0.0.2"};
    }

    void announcers()
    {
        QFETCH(Datagrams, datagrams);
        QFETCH(QStringList, announcers);
        readOnReadyRead(QDeadlineTimer::Forever);
        QVERIFY(send(datagrams));
        // Each row ends with an announcement: datagrams are read in order, so once it is there
        // every datagram has been read.
        WAIT_COMPARE(handed.size(), announcers.size());
        QCOMPARE(handed, announcers);
    }

    // A turn that is over ends the call after one datagram; the socket reports the rest again,
    // so that each of them is read on a later turn of the event loop.
    void turnOverLeavesTheRestForLaterTurns()
    {
        readOnReadyRead(QDeadlineTimer(0));
        Datagrams datagrams;
        QStringList announcers;
        for (int i = 2; i < 12; ++i) {
            announcers << QStringLiteral("127.0.0.%1").arg(i);
            datagrams << qMakePair(announcers.last(), QByteArray("U!"));
        }
        QVERIFY(send(datagrams));
        WAIT_COMPARE(handed, announcers);
        QVERIFY2(std::all_of(calls.cbegin(), calls.cend(), [](int read) { return read <= 1; }),
                 "one datagram per call");
    }

private:
    // Reads from socket on each readyRead, within turn; records what each call handed on.
    void readOnReadyRead(QDeadlineTimer turn)
    {
        connect(&socket, &QUdpSocket::readyRead, this, [this, turn] {
            const int before = handed.size();
            readAnnouncements(
                socket, [this](const QString &address) { handed << address; }, turn);
            calls << handed.size() - before;
        });
    }

    bool send(const Datagrams &datagrams) const
    {
        for (const auto &datagram : datagrams) {
            QUdpSocket sender;
            if (!sender.bind(QHostAddress(datagram.first), 0)
                || sender.writeDatagram(datagram.second, QHostAddress::LocalHost, socket.localPort())
                    != datagram.second.size())
                return false;
        }
        return true;
    }

    QUdpSocket socket;
    QStringList handed;
    QList<int> calls; // announcements handed on by each call
};

QTEST_GUILESS_MAIN(TestAnnouncementReader)
#include "tst_announcementreader.moc"
