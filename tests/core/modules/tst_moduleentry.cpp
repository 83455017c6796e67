#include "core/modules/moduleentry.h"

#include <QtTest>

// The module list's text forms; how datagrams are told apart is tested with real datagrams
// in tst_discovery.
class TestModuleEntry : public QObject
{
    Q_OBJECT

private slots:
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
