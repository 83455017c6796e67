#include "modules/moduleentry.h"

#include <QtTest>

class TestModuleEntry : public QObject
{
    Q_OBJECT

private slots:
    void splitEntry_data();
    void splitEntry();
    void storedListRoundTrip_data();
    void storedListRoundTrip();
    void editorText();
    void announcement_data();
    void announcement();
};

void TestModuleEntry::splitEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("label");
    QTest::newRow("address only") << "192.168.4.1" << "192.168.4.1" << "192.168.4.1";
    QTest::newRow("address and label") << "192.168.4.20 Boiler" << "192.168.4.20" << "Boiler";
    QTest::newRow("label cut at the next blank") << "192.168.4.20 Boiler room" << "192.168.4.20" << "Boiler";
    QTest::newRow("two blanks: whole entry") << "192.168.4.20  Boiler" << "192.168.4.20  Boiler"
                                             << "192.168.4.20  Boiler";
    QTest::newRow("leading blank: empty address") << " 192.168.4.1" << "" << "192.168.4.1";
    QTest::newRow("trailing blank: whole entry") << "192.168.4.1 " << "192.168.4.1 " << "192.168.4.1 ";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("port and non-ASCII label") << "127.0.0.1:32780 Котельная" << "127.0.0.1:32780"
                                              << "Котельная";
}

void TestModuleEntry::splitEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, address);
    QFETCH(QString, label);
    const ModuleEntry module = splitModuleEntry(entry);
    QCOMPARE(module.address, address);
    QCOMPARE(module.label, label);
}

void TestModuleEntry::storedListRoundTrip_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("empty value: one empty entry") << "" << QStringList{QString()};
    QTest::newRow("two entries") << "192.168.4.1/192.168.4.20 Boiler"
                                 << QStringList{"192.168.4.1", "192.168.4.20 Boiler"};
    QTest::newRow("empty pieces kept") << "a//b/" << QStringList{"a", "", "b", ""};
    QTest::newRow("duplicates kept") << "a/a" << QStringList{"a", "a"};
}

void TestModuleEntry::storedListRoundTrip()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, entries);
    QCOMPARE(splitModuleList(stored), entries);
    QCOMPARE(joinModuleList(entries), stored);
}

void TestModuleEntry::editorText()
{
    const QStringList entries{"192.168.4.1", " x", "", "a/b"};
    QCOMPARE(modulesEditorText(entries), QStringLiteral("192.168.4.1\n x\n\na/b"));
    QCOMPARE(modulesFromEditorText(modulesEditorText(entries)), entries);
    QCOMPARE(modulesEditorText({QString()}), QString());
    QCOMPARE(modulesFromEditorText(QString()), QStringList{QString()});
    QCOMPARE(modulesFromEditorText(QStringLiteral("a\n")), (QStringList{"a", ""}));
    // "/" inside an entry survives the run but reads back as two entries next time.
    QCOMPARE(splitModuleList(joinModuleList(modulesFromEditorText(QStringLiteral("a/b")))),
             (QStringList{"a", "b"}));
}

void TestModuleEntry::announcement_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("announces");
    QTest::newRow("U and one byte") << QByteArray("U1") << true;
    QTest::newRow("U and a zero byte") << QByteArray("U\0", 2) << true;
    QTest::newRow("long") << QByteArray("U").append(QByteArray(60000, 'x')) << true;
    QTest::newRow("lone U") << QByteArray("U") << false;
    QTest::newRow("lower-case u") << QByteArray("u1") << false;
    QTest::newRow("other first byte") << QByteArray("XU") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestModuleEntry::announcement()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, announces);
    QCOMPARE(isAnnouncement(datagram), announces);
}

QTEST_APPLESS_MAIN(TestModuleEntry)
#include "tst_moduleentry.moc"
