#include "announcements.h"

#include "app/mainwindow.h"
#include "sim/moduleannouncer.h"
#include "support/mainwindowprobe.h"
#include "support/modalwatcher.h"
#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString kSubject = QStringLiteral("127.0.0.2");
// Announces after the datagrams under test: datagrams are handled in arrival order, so
// once the marker is in the selector everything sent before it has been handled.
const QString kMarker = QStringLiteral("127.0.0.3");

QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

QStringList listTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

int messageBoxes(const ModalWatcher &watcher)
{
    int boxes = 0;
    for (const ModalRecord &record : watcher.records)
        boxes += record.className == QLatin1String("QMessageBox");
    return boxes;
}

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { workDir.reset(); }

    void datagramsFromOneSender_data();
    void datagramsFromOneSender();
    void simulatorAnnouncementIsSavedAndBackAtNextStart();
    void waitingDatagramsAreHandledInArrivalOrder();
    void addressesEnteredByHandAreNotAddedAgain();
    void selectionAndPageListStay();
    void takenPortStillGivesAWorkingWindow();
    void burstOfMixedDatagrams();

private:
    void storeModules(const QString &value) const
    {
        QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("global/modules"), value);
    }
    QString storedModules() const
    {
        const QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        return settings.value(QStringLiteral("global/modules")).toString();
    }

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
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<bool>("added");

    const QByteArray big(60000, 'x');
    QTest::newRow("U and one byte") << QList<QByteArray>{"U1"} << true;
    QTest::newRow("U and a zero byte") << QList<QByteArray>{QByteArray("U\0", 2)} << true;
    QTest::newRow("simulator's announcement") << QList<QByteArray>{ModuleAnnouncer::datagram()} << true;
    QTest::newRow("oversized, starting with U") << QList<QByteArray>{"U" + big} << true;
    QTest::newRow("repeats add one entry") << QList<QByteArray>{"U1", "UQ", "U1", "U" + big} << true;
    QTest::newRow("ignored ones do not spoil a later one") << QList<QByteArray>{"U", "", "u1", "U1"} << true;
    QTest::newRow("lone U") << QList<QByteArray>{"U"} << false;
    QTest::newRow("lower-case u") << QList<QByteArray>{"u1", "uU"} << false;
    QTest::newRow("other first bytes")
        << QList<QByteArray>{"XU", QByteArray("\0U", 2), "\xd5U", " U", "\xffU"} << false;
    QTest::newRow("empty") << QList<QByteArray>{QByteArray()} << false;
    QTest::newRow("oversized garbage") << QList<QByteArray>{big} << false;
}

void TestDiscovery::datagramsFromOneSender()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(bool, added);
    storeModules(QStringLiteral("10.0.0.1 Boiler"));
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);

    ModuleSender subject(kSubject);
    for (const QByteArray &datagram : datagrams)
        QVERIFY(subject.send(datagram));
    ModuleSender marker(kMarker);
    QVERIFY(marker.announce());
    QTRY_VERIFY(selectorHas(probe.comboBox(), kMarker));

    const QStringList fresh = added ? QStringList{kSubject, kMarker} : QStringList{kMarker};
    QCOMPARE(selectorAddresses(probe.comboBox()), QStringList{"10.0.0.1"} + fresh);
    QCOMPARE(itemTexts(probe.comboBox()), QStringList({"Выберете модуль", "Boiler"}) + fresh);
    QCOMPARE(probe.modules(), QStringList{"10.0.0.1 Boiler"} + fresh);
    QCOMPARE(probe.comboBox()->currentIndex(), 0);
    QVERIFY2(!probe.pagesReply(), "discovery asks no module for anything");
    QCOMPARE(watcher.count(), 0);
}

void TestDiscovery::simulatorAnnouncementIsSavedAndBackAtNextStart()
{
    storeModules(QStringLiteral("10.0.0.1"));
    {
        MainWindow window;
        MainWindowProbe probe(window);
        ModuleAnnouncer announcer;
        announcer.start(QHostAddress(QHostAddress::LocalHost), 32700, 60000);
        QTRY_VERIFY(selectorHas(probe.comboBox(), QStringLiteral("127.0.0.1")));
        QCOMPARE(probe.comboBox()->itemText(probe.comboBox()->count() - 1), QStringLiteral("127.0.0.1"));
        QCOMPARE(probe.modules(), (QStringList{"10.0.0.1", "127.0.0.1"}));
    }
    QCOMPARE(storedModules(), QStringLiteral("10.0.0.1/127.0.0.1"));

    // Remembered although it no longer announces.
    MainWindow window;
    QCOMPARE(selectorAddresses(MainWindowProbe(window).comboBox()), (QStringList{"10.0.0.1", "127.0.0.1"}));
}

void TestDiscovery::waitingDatagramsAreHandledInArrivalOrder()
{
    MainWindow window;
    MainWindowProbe probe(window);
    QSignalSpy readyRead(&probe.udpSocket(), &QUdpSocket::readyRead);

    // All sent before the event loop runs: on loopback each datagram is queued at the
    // window's socket by the time the send returns, so one signal finds them all waiting.
    const QStringList order{"127.0.0.5", "127.0.0.3", "127.0.0.4", "127.0.0.2"};
    std::vector<std::unique_ptr<ModuleSender>> senders;
    for (const QString &source : order) {
        senders.push_back(std::make_unique<ModuleSender>(source));
        QVERIFY(senders.back()->send("garbage"));
        QVERIFY(senders.back()->announce());
    }
    QTRY_COMPARE(probe.modules().size(), 1 + order.size());

    QCOMPARE(probe.modules(), QStringList{QString()} + order);
    QCOMPARE(selectorAddresses(probe.comboBox()), QStringList{QString()} + order);
    QCOMPARE(readyRead.count(), 1);
}

void TestDiscovery::addressesEnteredByHandAreNotAddedAgain()
{
    // Entries are known by the address they carry, not by the text shown: a leading blank
    // leaves an entry without an address, two blanks make the whole entry its address.
    const QString stored = QStringLiteral("127.0.0.2 Boiler/127.0.0.4/ 127.0.0.5/127.0.0.6  two blanks");
    storeModules(stored);
    MainWindow window;
    MainWindowProbe probe(window);

    std::vector<std::unique_ptr<ModuleSender>> senders;
    for (const char *source : {"127.0.0.2", "127.0.0.4", "127.0.0.5", "127.0.0.6"}) {
        senders.push_back(std::make_unique<ModuleSender>(QString::fromLatin1(source)));
        QVERIFY(senders.back()->announce());
    }
    ModuleSender marker(kMarker);
    QVERIFY(marker.announce());
    QTRY_VERIFY(selectorHas(probe.comboBox(), kMarker));

    const QStringList fresh{"127.0.0.5", "127.0.0.6", kMarker};
    QCOMPARE(probe.modules(), stored.split(QLatin1Char('/')) + fresh);
    QCOMPARE(selectorAddresses(probe.comboBox()),
             QStringList({"127.0.0.2", "127.0.0.4", "", "127.0.0.6  two blanks"}) + fresh);
}

void TestDiscovery::selectionAndPageListStay()
{
    SimFixture fx;
    storeModules(fx.address() + QStringLiteral(" Sim/10.0.0.1"));
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);

    probe.comboBox()->setCurrentIndex(1);
    QTRY_VERIFY(!probe.pagesReply() && !probe.pageReply() && probe.comboBox()->isEnabled());
    const QStringList pages = listTexts(probe.listWidget());
    const int pageRow = probe.listWidget()->currentRow();
    const QString address = probe.moduleAddress();
    const int rows = probe.tableWidget()->rowCount();

    ModuleSender subject(kSubject);
    QVERIFY(subject.announce());
    QTRY_VERIFY(selectorHas(probe.comboBox(), kSubject));

    QCOMPARE(probe.comboBox()->currentIndex(), 1);
    QCOMPARE(probe.comboBox()->currentText(), QStringLiteral("Sim"));
    QCOMPARE(probe.comboBox()->itemText(3), kSubject);
    QCOMPARE(listTexts(probe.listWidget()), pages);
    QCOMPARE(probe.listWidget()->currentRow(), pageRow);
    QCOMPARE(probe.moduleAddress(), address);
    QCOMPARE(probe.tableWidget()->rowCount(), rows);
    QVERIFY(!probe.pagesReply());
    QCOMPARE(messageBoxes(watcher), 0);
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
        QCOMPARE(itemTexts(probe.comboBox()), (QStringList{"Выберете модуль", "Boiler"}));
        QCOMPARE(watcher.count(), 0);

        // Announcements reach the other program; the window is not disturbed.
        ModuleSender subject(kSubject);
        QVERIFY(subject.announce());
        QTRY_VERIFY(other.hasPendingDatagrams());
        QCOMPARE(probe.modules(), QStringList{"10.0.0.1 Boiler"});
        probe.modules() << QStringLiteral("10.0.0.2");
    }
    QCOMPARE(storedModules(), QStringLiteral("10.0.0.1 Boiler/10.0.0.2"));
    QCOMPARE(watcher.count(), 0);
}

void TestDiscovery::burstOfMixedDatagrams()
{
    // Thousands of datagrams, garbage and announcements mixed, from nine repeating senders
    // (one of them entered by hand) and one fresh sender per round. A round stays well
    // within the socket's receive buffer and ends with its fresh sender's announcement,
    // which is waited for: the window must keep up and its event loop keep running.
    constexpr int kRounds = 80;
    constexpr int kPerRound = 50;
    storeModules(QStringLiteral("127.0.0.1 Local"));
    ModalWatcher watcher;
    MainWindow window;
    MainWindowProbe probe(window);

    std::vector<std::unique_ptr<ModuleSender>> repeating;
    for (int i = 1; i <= 9; ++i)
        repeating.push_back(std::make_unique<ModuleSender>(QStringLiteral("127.0.0.%1").arg(i)));
    QSet<QString> known{QStringLiteral("127.0.0.1")};
    QStringList expected;
    auto expect = [&](const QString &source) {
        if (!known.contains(source)) {
            known.insert(source);
            expected << source;
        }
    };

    QRandomGenerator random(20261206);
    for (int round = 1; round <= kRounds; ++round) {
        for (int i = 0; i < kPerRound - 1; ++i) {
            ModuleSender &sender = *repeating[random.bounded(int(repeating.size()))];
            QByteArray datagram(random.bounded(65), '\0');
            for (char &byte : datagram)
                byte = char(random.bounded(256));
            const bool announcement = random.bounded(3) == 0;
            if (announcement)
                datagram = 'U' + datagram.append('!');
            else if (!datagram.isEmpty() && datagram.at(0) == 'U' && datagram.size() > 1)
                datagram[0] = 'u';
            QVERIFY(sender.send(datagram));
            if (announcement)
                expect(sender.source);
        }
        ModuleSender fresh(QStringLiteral("127.0.1.%1").arg(round));
        QVERIFY(fresh.send("U" + QByteArray::number(round)));
        expect(fresh.source);
        QTRY_VERIFY(selectorHas(probe.comboBox(), fresh.source));
    }

    QCOMPARE(probe.modules(), QStringList{"127.0.0.1 Local"} + expected);
    QCOMPARE(selectorAddresses(probe.comboBox()), QStringList{"127.0.0.1"} + expected);
    QCOMPARE(watcher.count(), 0);
}

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
