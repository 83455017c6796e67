// quillnet discover: each announcer once with its count of announcements; a busy port is an
// error, not an empty list; a flood does not keep it listening.

#include "quillnetrun.h"

#include "core/modules/announcements.h"
#include "support/testworkdir.h"
#include "support/timeouts.h"
#include "support/waituntil.h"

#include <QUdpSocket>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

// Waits until quillnet discover says it listens, gathering what it writes to standard error
// into err; false when it ends first.
bool listening(QProcess &process, QByteArray &err)
{
    const auto said = [&] {
        return (err += process.readAllStandardError()).contains("listening for announcements");
    };
    return waitUntil([&] { return said() || process.state() == QProcess::NotRunning; }) && said();
}

} // namespace

class TestCliDiscover : public QObject
{
    Q_OBJECT

private slots:
    void discover_data();
    void discover();
    void floodStillEndsAtTheWait();
};

void TestCliDiscover::discover_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<bool>("portTaken");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QJsonArray>("listed");
    const QByteArray announcement = "UQuillnet";
    QTest::newRow("announcements counted; other datagrams ignored")
        << QList<QByteArray>{announcement, "x", "U", "Ux", announcement} << false << 0
        << QJsonArray{QJsonObject{{"address", "127.0.0.1"}, {"datagrams", 3}}};
    QTest::newRow("nobody announces") << QList<QByteArray>() << false << 0 << QJsonArray();
    QTest::newRow("the port is taken") << QList<QByteArray>() << true << 4 << QJsonArray();
}

void TestCliDiscover::discover()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(bool, portTaken);
    QFETCH(int, exitCode);
    QFETCH(QJsonArray, listed);
    TestWorkDir dir;
    QUdpSocket holder;
    // A port another program holds already is taken all the same.
    if (portTaken)
        holder.bind(QHostAddress::AnyIPv4, kDiscoveryPort, QAbstractSocket::ShareAddress);
    std::unique_ptr<QProcess> process
        = startQuillnet(dir.path(), {"-o", "json", "discover", "--wait", "0.5"});
    QByteArray err;
    // Sent once it says it listens; it listens half a second.
    QCOMPARE(listening(*process, err), !portTaken);
    QUdpSocket sender;
    for (const QByteArray &datagram : datagrams)
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, kDiscoveryPort),
                 qint64(datagram.size()));
    QVERIFY(process->state() == QProcess::NotRunning || process->waitForFinished(10000));
    QCOMPARE(process->exitCode(), exitCode);
    const QuillnetRun run{process->exitCode(), process->readAllStandardOutput(), err};
    if (exitCode == 0)
        QCOMPARE(run.json(), QJsonValue(listed));
    else
        QVERIFY2((err + process->readAllStandardError()).contains("32700"), err);
}

// Senders as fast as loopback allows keep datagrams waiting at the socket all the time: the
// wait still ends on time, and lists the senders it heard.
void TestCliDiscover::floodStillEndsAtTheWait()
{
    TestWorkDir dir;
    std::unique_ptr<QProcess> process
        = startQuillnet(dir.path(), {"-o", "json", "discover", "--wait", "0.5"});
    QByteArray err;
    QVERIFY2(listening(*process, err), err);
    const QStringList sources{"127.0.1.1", "127.0.1.2"};
    std::atomic<bool> flooding{true};
    std::vector<std::thread> flood;
    for (const QString &source : sources) {
        flood.emplace_back([&flooding, source] {
            QUdpSocket sender;
            if (!sender.bind(QHostAddress(source), 0))
                return;
            while (flooding)
                sender.writeDatagram("U!", 2, QHostAddress::LocalHost, kDiscoveryPort);
        });
    }
    const bool ended = process->waitForFinished(kWaitMs);
    flooding = false;
    for (std::thread &thread : flood)
        thread.join();
    QVERIFY2(ended, "discover ended while the flood went on");
    const QuillnetRun run{process->exitCode(), process->readAllStandardOutput(), err};
    QCOMPARE(run.exitCode, 0);
    const QJsonArray listed = run.json().toArray();
    QVERIFY2(!listed.isEmpty(), run.out);
    for (const QJsonValue &sender : listed) {
        QVERIFY2(sources.contains(sender["address"].toString()), run.out);
        QVERIFY2(sender["datagrams"].toInt() > 0, run.out);
    }
}

QTEST_GUILESS_MAIN(TestCliDiscover)
#include "tst_clidiscover.moc"
