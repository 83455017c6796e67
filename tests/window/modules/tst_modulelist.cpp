#include "core/descriptions/catalogfile.h"
#include "core/modules/modulelistfile.h"
#include "support/windowfixture.h"

// The module list in options.ini: read at start-up into the selector, written back at exit.
class TestModuleList : public QObject
{
    Q_OBJECT

private slots:
    void readIntoTheSelectorAndWrittenBack_data()
    {
        // The entries stored as the list, or the bytes of the whole file; none: no file.
        QTest::addColumn<QVariant>("content");
        QTest::addColumn<QStringList>("modules");
        QTest::addColumn<QStringList>("shown"); // the selector's entries as "label@address"
        const QStringList entries{"192.168.4.1", "192.168.4.20 Boiler", " 10.0.0.2", "", "192.168.4.1"};
        QTest::newRow("addresses, labels, duplicates, empty entries")
            << QVariant(entries) << entries
            << QStringList{"192.168.4.1@192.168.4.1", "Boiler@192.168.4.20", "10.0.0.2@", "@",
                           "192.168.4.1@192.168.4.1"};
        QTest::newRow("no file: one empty entry") << QVariant() << QStringList{""} << QStringList{"@"};
        // Read as a list by the toolkit: kept as text, and quoted when written back.
        QTest::newRow("unquoted commas")
            << QVariant(QByteArray("[global]\nmodules=10.0.0.1 a,b/10.0.0.2 c,\n"))
            << QStringList{"10.0.0.1 a,b", "10.0.0.2 c,"} << QStringList{"a,b@10.0.0.1", "c,@10.0.0.2"};
    }
    void readIntoTheSelectorAndWrittenBack()
    {
        QFETCH(QVariant, content);
        QFETCH(QStringList, modules);
        QFETCH(QStringList, shown);
        WindowFixture f;
        f.dir.writeFile(kCatalogFileName, "{}");
        if (content.type() == QVariant::StringList)
            QVERIFY(writeModuleList(kModuleListFileName, content.toStringList()));
        else if (content.isValid())
            f.dir.writeFile(kModuleListFileName, content.toByteArray());
        f.openWindow();
        QCOMPARE(f.probe->modules(), modules);
        QCOMPARE(f.probe->comboBox()->itemText(0), QStringLiteral("Выберете модуль"));
        QVERIFY2(!f.probe->comboBox()->itemData(0).isValid(), "the prompt carries no address");
        QStringList selector;
        for (int i = 0; i < modules.size(); ++i)
            selector << f.selector().value(i) + '@' + f.selector(Qt::UserRole).value(i);
        QCOMPARE(selector, shown);
        QCOMPARE(f.probe->comboBox()->count(), modules.size() + 1);
        QCOMPARE(f.probe->comboBox()->currentIndex(), 0);
        QVERIFY2(!f.probe->pagesReply() && f.probe->moduleAddress().isEmpty(), "start-up asks no module");
        f.closeWindow();
        QVERIFY(QFile::exists(kModuleListFileName));
        QCOMPARE(readModuleList(kModuleListFileName), modules);
    }
};

QTEST_MAIN(TestModuleList)
#include "tst_modulelist.moc"
