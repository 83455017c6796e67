#include "core/modules/announcements.h"
#include "core/modules/modulelistfile.h"
#include "support/waituntil.h"
#include "support/windowfixture.h"

#include <algorithm>

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY2(discoveryPortFree(), "another program holds UDP port 32700"); }

    // Announcements among near misses and garbage, from many senders, while a module is selected
    // and its pages listed. A sender is added once, in the order it first announces, unless an
    // entry carries its address already; the selection and the page list stay, no module is
    // asked anything, and no box appears.
    void announcementsAmongOtherDatagrams()
    {
        const QString local = QStringLiteral("127.0.0.1");
        WindowFixture f;
        const QStringList byHand{f.address() + " Sim", local + " Local"};
        f.open(byHand);
        QVERIFY(f.selectModule(1));
        const int pages = f.pageKeys().size();
        QSignalSpy readyRead(&f.probe->udpSocket(), &QUdpSocket::readyRead);

        // The shortest and the largest announcements, each from a sender of its own, after near
        // misses from a third: datagrams are handled in order, so once the last is listed all are.
        const QByteArray big(60000, 'x');
        for (const QByteArray &nearMiss :
             {QByteArray("U"), QByteArray("u1"), QByteArray("XU"), QByteArray("\0U", 2), QByteArray("\xd5U"),
              QByteArray(" U"), QByteArray("\xffU"), QByteArray(), big})
            QVERIFY(sendFrom("127.0.2.1", nearMiss));
        QVERIFY(sendFrom("127.0.2.2", QByteArray("U\0", 2)) && sendFrom("127.0.2.3", "U" + big));
        QStringList expected{"127.0.2.2", "127.0.2.3"}; // new addresses in the order they first announce
        WAIT_VERIFY(f.selector(Qt::UserRole).contains(expected.last()));

        // Then thousands of datagrams from nine repeating senders (one entered by hand) and a fresh
        // one per round. A round waits at the socket all at once, fits its receive buffer and ends
        // with the fresh sender's announcement: the window must keep up, in order.
        auto announced = [&](const QString &source) {
            if (source != local && !expected.contains(source))
                expected << source;
        };
        QRandomGenerator random(20261206);
        for (int round = 1; round <= 80; ++round) {
            for (int i = 1; i < 50; ++i) {
                const QString source = QStringLiteral("127.0.0.%1").arg(1 + random.bounded(9));
                QByteArray datagram(random.bounded(65), '\0');
                std::generate(datagram.begin(), datagram.end(), [&] { return char(random.bounded(256)); });
                if (random.bounded(3) == 0) {
                    datagram.prepend("U!");
                    announced(source);
                } else if (datagram.startsWith('U')) {
                    datagram[0] = 'u';
                }
                QVERIFY(sendFrom(source, datagram));
            }
            const QString fresh = QStringLiteral("127.0.1.%1").arg(round);
            QVERIFY(sendFrom(fresh, "U" + QByteArray::number(round)));
            announced(fresh);
            WAIT_VERIFY(f.selector(Qt::UserRole).contains(fresh));
        }
        QCOMPARE(f.probe->modules(), byHand + expected);
        QCOMPARE(f.selector(Qt::UserRole), (QStringList{f.address(), local} + expected));
        QCOMPARE(f.selector().mid(byHand.size()), expected);
        QCOMPARE(f.probe->comboBox()->currentIndex(), 1);
        QCOMPARE(f.pageKeys().size(), pages);
        QVERIFY2(!f.probe->pagesReply(), "discovery asks no module for anything");
        // The datagrams waiting are read together, not one per signal: a few signals per round.
        QVERIFY2(readyRead.count() <= 5 * 81, qPrintable(QString::number(readyRead.count())));
        QCOMPARE(f.modals.count(), 0);
    }

    void takenPortStillGivesAWorkingWindow()
    {
        // Another program holding the port, without sharing it.
        QUdpSocket other;
        QVERIFY(other.bind(QHostAddress::AnyIPv4, kDiscoveryPort, QAbstractSocket::DontShareAddress));
        WindowFixture f;
        f.open({"10.0.0.1 Boiler"});
        QVERIFY2(f.probe->udpSocket().state() != QAbstractSocket::BoundState, "the port really is taken");
        QCOMPARE(f.selector(), QStringList{"Boiler"});
        f.probe->modules() << QStringLiteral("10.0.0.2");
        f.closeWindow();
        QCOMPARE(f.modals.count(), 0);
        QCOMPARE(readModuleList(kModuleListFileName), (QStringList{"10.0.0.1 Boiler", "10.0.0.2"}));
    }
};

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
