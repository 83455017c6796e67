#include "announcements.h"

#include "app/mainwindow.h"
#include "sim/moduleannouncer.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

using Datagrams = QList<QByteArray>;
const QString kSubject = QStringLiteral("127.0.0.1");
// Sent last: datagrams are handled in arrival order, so once it is listed all before it are.
const QString kMarker = QStringLiteral("127.0.0.3");

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { workDir.reset(); }

    void datagramsFromOneSender_data();
    void datagramsFromOneSender();
    void takenPortStillGivesAWorkingWindow();
    void burstOfMixedDatagrams();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestDiscovery::init()
{
    QVERIFY2(discoveryPortFree(), "another program holds UDP port 32700");
    workDir = std::make_unique<TestWorkDir>();
    // A local catalog, so that no download starts with the window.
    workDir->writeFile(QStringLiteral("description.json"), "{}");
}

void TestDiscovery::datagramsFromOneSender_data()
{
    QTest::addColumn<QString>("byHand"); // entries known before, after the simulated module's
    QTest::addColumn<Datagrams>("datagrams");
    QTest::addColumn<bool>("added");

    const QByteArray big(60000, 'x');
    QTest::newRow("U and one byte") << "10.0.0.1 Boiler" << Datagrams{"U1"} << true;
    QTest::newRow("U and a zero byte") << "" << Datagrams{QByteArray("U\0", 2)} << true;
    QTest::newRow("simulator's announcement") << "" << Datagrams{ModuleAnnouncer::datagram()} << true;
    QTest::newRow("oversized, starting with U") << "" << Datagrams{"U" + big} << true;
    QTest::newRow("repeats add one entry") << "" << Datagrams{"U1", "UQ", "U1", "U" + big} << true;
    QTest::newRow("ignored ones spoil no later one") << "" << Datagrams{"U", "", "u1", big, "U1"} << true;
    QTest::newRow("lone U, lower-case u, other first bytes")
        << "" << Datagrams{"U", "u1", "uU", "XU", QByteArray("\0U", 2), "\xd5U", " U", "\xffU"} << false;
    QTest::newRow("empty, oversized garbage") << "" << Datagrams{QByteArray(), big} << false;
    // Entries are known by the address they carry, not by the text shown.
    QTest::newRow("entered with a label") << "10.0.0.1/127.0.0.1 Boiler" << Datagrams{"U1"} << false;
    QTest::newRow("leading blank: no address") << " 127.0.0.1" << Datagrams{"U1"} << true;
    QTest::newRow("two blanks: all of it the address") << "127.0.0.1  Boiler" << Datagrams{"U1"} << true;
}

// Sent while a module is selected and its pages listed: the selection and the page list
// stay, nothing is asked of any module, no box appears, and the list is saved at exit.
void TestDiscovery::datagramsFromOneSender()
{
    QFETCH(QString, byHand);
    QFETCH(Datagrams, datagrams);
    QFETCH(bool, added);
    SimFixture fx;
    const QStringList before = (fx.address() + QStringLiteral(" Sim/") + byHand).split(QLatin1Char('/'));
    const QStringList fresh = added ? QStringList{kSubject, kMarker} : QStringList{kMarker};
    storeModules(before.join(QLatin1Char('/')));
    ModalWatcher watcher;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        probe.comboBox()->setCurrentIndex(1);
        QTRY_VERIFY(!probe.pagesReply() && !probe.pageReply() && probe.listWidget()->count() > 0);
        const int pages = probe.listWidget()->count();

        for (const QByteArray &datagram : datagrams)
            QVERIFY(sendFrom(kSubject, datagram));
        QVERIFY(sendFrom(kMarker, "U1"));
        QTRY_VERIFY(selectorItems(probe.comboBox(), Qt::UserRole).contains(kMarker));

        QCOMPARE(probe.modules(), before + fresh);
        QCOMPARE(selectorItems(probe.comboBox()).mid(before.size()), fresh);
        QCOMPARE(selectorItems(probe.comboBox(), Qt::UserRole).mid(before.size()), fresh);
        QCOMPARE(probe.comboBox()->currentIndex(), 1);
        QCOMPARE(probe.listWidget()->count(), pages);
        QVERIFY2(!probe.pagesReply(), "discovery asks no module for anything");
    }
    QCOMPARE(watcher.count(), 0);
    QCOMPARE(storedModules(), (before + fresh).join(QLatin1Char('/')));
}

void TestDiscovery::takenPortStillGivesAWorkingWindow()
{
    // Another program holding the port, without sharing it.
    QUdpSocket other;
    QVERIFY(other.bind(QHostAddress::AnyIPv4, 32700, QAbstractSocket::DontShareAddress));
    storeModules(QStringLiteral("10.0.0.1 Boiler"));
    ModalWatcher watcher;
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QVERIFY2(probe.udpSocket().state() != QAbstractSocket::BoundState, "the port really is taken");
        QCOMPARE(selectorItems(probe.comboBox()), QStringList{"Boiler"});
        probe.modules() << QStringLiteral("10.0.0.2");
    }
    QCOMPARE(watcher.count(), 0);
    QCOMPARE(storedModules(), QStringLiteral("10.0.0.1 Boiler/10.0.0.2"));
}

void TestDiscovery::burstOfMixedDatagrams()
{
    // Thousands of datagrams, garbage and announcements mixed, from nine repeating senders (one
    // entered by hand) and a fresh one per round. A round waits at the socket all at once, fits its
    // receive buffer and ends with the fresh sender's announcement: the window must keep up, in order.
    const QString local = QStringLiteral("127.0.0.1");
    storeModules(local + QStringLiteral(" Local"));
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);
    QSignalSpy readyRead(&probe.udpSocket(), &QUdpSocket::readyRead);

    QStringList expected; // new addresses in the order they first announce
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
        QTRY_VERIFY(selectorItems(probe.comboBox(), Qt::UserRole).contains(fresh));
    }
    QCOMPARE(probe.modules(), QStringList{local + QStringLiteral(" Local")} + expected);
    QCOMPARE(selectorItems(probe.comboBox(), Qt::UserRole), QStringList{local} + expected);
    QCOMPARE(watcher.count(), 0);
    // The datagrams waiting are read together, not one per signal: a few signals per round.
    QVERIFY2(readyRead.count() <= 5 * 80, qPrintable(QString::number(readyRead.count())));
}

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
