#include "core/device/modulerequests.h"
#include "core/modules/moduleaddress.h"
#include "core/modules/moduleentry.h"

#include <QtTest>

// Module addresses, checked before any request, and the module list's text forms; how datagrams are told
// apart is tested with real datagrams in tst_discovery.
class TestModuleEntry : public QObject
{
    Q_OBJECT

private slots:
    // What a request goes to: the URL's host and port, and the key that tells two addresses
    // of one module; nothing for an address that is none.
    void address_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key"); // empty: refused
        QTest::newRow("IPv4") << "192.168.4.20"
                              << "192.168.4.20:80";
        QTest::newRow("IPv4 and port") << "127.0.0.1:8080"
                                       << "127.0.0.1:8080";
        QTest::newRow("a name, any case") << "Boiler-1.local:65535"
                                          << "boiler-1.local:65535";
        QTest::newRow("IPv6 in brackets") << "[::1]:81"
                                          << "[::1]:81";
        QTest::newRow("IPv6 without a port") << "[fe80::1]"
                                             << "[fe80::1]:80";
        QTest::newRow("a URL") << "http://127.0.0.1:34003"
                               << "";
        QTest::newRow("port 0") << "127.0.0.1:0"
                                << "";
        QTest::newRow("port 65536") << "127.0.0.1:65536"
                                    << "";
        QTest::newRow("a port with a sign") << "127.0.0.1:+80"
                                            << "";
        QTest::newRow("an empty port") << "127.0.0.1:"
                                       << "";
        QTest::newRow("a path") << "127.0.0.1/x"
                                << "";
        QTest::newRow("a short IPv4 form") << "10.1"
                                           << "";
        QTest::newRow("an IPv4 part beyond 255") << "10.0.0.256"
                                                 << "";
        QTest::newRow("a blank") << "10.0.0.1 "
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("IPv6 without brackets") << "::1"
                                               << "";
        QTest::newRow("IPv4 in brackets") << "[127.0.0.1]"
                                          << "";
        QTest::newRow("text after the brackets") << "[::1]x"
                                                 << "";
        QTest::newRow("a label ending in a hyphen") << "boiler-.local"
                                                    << "";
        QTest::newRow("an empty label") << "boiler..local"
                                        << "";
    }

    void address()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        const ModuleAddress address = parseModuleAddress(text);
        QCOMPARE(address.isValid(), !key.isEmpty());
        QCOMPARE(pageListUrl(text).isEmpty(), key.isEmpty());
        if (key.isEmpty()) {
            QVERIFY(!address.error.isEmpty());
            return;
        }
        QCOMPARE(moduleAddressKey(text), key);
        const QUrl url = pageListUrl(text);
        QCOMPARE(url.host(), address.host);
        QCOMPARE(url.port(kModulePort), address.port);
    }

    void splitEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("split"); // address and label
        QTest::newRow("address only") << "192.168.4.1" << QStringList{"192.168.4.1", "192.168.4.1"};
        QTest::newRow("address and label") << "192.168.4.20 Boiler" << QStringList{"192.168.4.20", "Boiler"};
        QTest::newRow("label cut at the next blank")
            << "192.168.4.20 Boiler room" << QStringList{"192.168.4.20", "Boiler"};
        QTest::newRow("two blanks: whole entry")
            << "192.168.4.20  Boiler" << QStringList{"192.168.4.20  Boiler", "192.168.4.20  Boiler"};
        QTest::newRow("leading blank: empty address") << " 192.168.4.1" << QStringList{"", "192.168.4.1"};
        QTest::newRow("trailing blank: whole entry")
            << "192.168.4.1 " << QStringList{"192.168.4.1 ", "192.168.4.1 "};
        QTest::newRow("empty") << "" << QStringList{"", ""};
    }

    void splitEntry()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, split);
        const ModuleEntry module = splitModuleEntry(entry);
        QCOMPARE((QStringList{module.address, module.label}), split);
    }

    // The same entries as stored in options.ini and as shown in the modules editor, both ways.
    void listTexts_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("editorText");
        QTest::newRow("empty value: one empty entry") << "" << QStringList{""} << "";
        QTest::newRow("two entries") << "192.168.4.1/192.168.4.20 Boiler"
                                     << QStringList{"192.168.4.1", "192.168.4.20 Boiler"}
                                     << "192.168.4.1\n192.168.4.20 Boiler";
        QTest::newRow("empty entries, blanks kept")
            << "a// x/" << QStringList{"a", "", " x", ""} << "a\n\n x\n";
    }

    void listTexts()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, entries);
        QFETCH(QString, editorText);
        QCOMPARE(splitModuleList(stored), entries);
        QCOMPARE(joinModuleList(entries), stored);
        QCOMPARE(modulesEditorText(entries), editorText);
        QCOMPARE(modulesFromEditorText(editorText), entries);
    }
};

QTEST_APPLESS_MAIN(TestModuleEntry)
#include "tst_moduleentry.moc"
