// quillnet discover: each announcer once with its count of announcements; a busy port is an
// error, not an empty list.

#include "quillnetrun.h"

#include "core/modules/announcements.h"
#include "support/testworkdir.h"

#include <QUdpSocket>
#include <QtTest>

class TestCliDiscover : public QObject
{
    Q_OBJECT

private slots:
    void discover_data();
    void discover();
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
    std::unique_ptr<QProcess> process = startQuillnet(dir.path(), {"-o", "json", "discover", "--wait", "2"});
    QByteArray err;
    // Sent once it says it listens; it listens two seconds.
    QTRY_VERIFY_WITH_TIMEOUT((err += process->readAllStandardError()).contains("listening")
                                 || process->state() == QProcess::NotRunning,
                             10000);
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

QTEST_GUILESS_MAIN(TestCliDiscover)
#include "tst_clidiscover.moc"
