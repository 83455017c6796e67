#include "announcements.h"

#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/testworkdir.h"

#include <QtTest>

#include <memory>

// The module list in options.ini: read at start-up into the selector, written back at exit.
// Files cut short are in tst_filefaults, the file made in an empty folder in tst_mainwindow.
class TestModuleList : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void entriesFillTheSelectorAndAreWrittenBack();
    void oddValuesAreWrittenBackAsRead_data();
    void oddValuesAreWrittenBackAsRead();
    void unwritableFileLosesNothingElse();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestModuleList::entriesFillTheSelectorAndAreWrittenBack()
{
    const QString stored = QStringLiteral("192.168.4.1/192.168.4.20 Boiler/ 10.0.0.2");
    storeModules(stored);
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QCOMPARE(probe.comboBox()->itemText(0), QStringLiteral("Выберете модуль"));
        QVERIFY2(!probe.comboBox()->itemData(0, Qt::UserRole).isValid(), "the prompt carries no address");
        const QComboBox *box = probe.comboBox();
        QCOMPARE(selectorItems(box), (QStringList{"192.168.4.1", "Boiler", "10.0.0.2"}));
        QCOMPARE(selectorItems(box, Qt::UserRole), (QStringList{"192.168.4.1", "192.168.4.20", ""}));
        QCOMPARE(probe.comboBox()->currentIndex(), 0);
        QVERIFY2(!probe.pagesReply() && probe.moduleAddress().isEmpty(), "start-up asks no module");
    }
    QCOMPARE(storedModules(), stored);
}

void TestModuleList::oddValuesAreWrittenBackAsRead_data()
{
    QTest::addColumn<QVariant>("content"); // text: the value stored; bytes: the whole file; none: no file
    QTest::addColumn<QStringList>("modules");
    QTest::newRow("no file: one empty entry") << QVariant() << QStringList{""};
    QTest::newRow("duplicates and empty entries") << QVariant("a/a//b") << QStringList{"a", "a", "", "b"};
    QTest::newRow("non-ASCII labels")
        << QVariant("10.0.0.1 Котельная/10.0.0.5 Ünï") << QStringList{"10.0.0.1 Котельная", "10.0.0.5 Ünï"};
    QTest::newRow("quotes, equals signs, semicolons")
        << QVariant("10.0.0.1 \"q\"=x;y/10.0.0.2 a,b") << QStringList{"10.0.0.1 \"q\"=x;y", "10.0.0.2 a,b"};
    // Read as a list by the toolkit: kept as text, and quoted when written back.
    QTest::newRow("unquoted commas") << QVariant(QByteArray("[global]\nmodules=10.0.0.1 a,b/10.0.0.2 c,\n"))
                                     << QStringList{"10.0.0.1 a,b", "10.0.0.2 c,"};
    QTest::newRow("not INI text") << QVariant(QByteArray("\x01\x02[[[garbage\n=\n[global\nmodules"))
                                  << QStringList{""};
    QTest::newRow("empty file") << QVariant(QByteArray()) << QStringList{""};
}

void TestModuleList::oddValuesAreWrittenBackAsRead()
{
    QFETCH(QVariant, content);
    QFETCH(QStringList, modules);
    if (content.type() == QVariant::String)
        storeModules(content.toString());
    else if (content.isValid())
        workDir->writeFile(QStringLiteral("options.ini"), content.toByteArray());
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QCOMPARE(probe.modules(), modules);
        QCOMPARE(selectorItems(probe.comboBox()).size(), modules.size());
    }
    QCOMPARE(storedModules(), modules.join(QLatin1Char('/')));
}

void TestModuleList::unwritableFileLosesNothingElse()
{
    // A folder in place of options.ini: nothing can be read or written, the window still
    // works and the folder and its content survive the exit.
    QVERIFY(QDir(workDir->path()).mkpath(QStringLiteral("options.ini/keep")));
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QCOMPARE(probe.modules(), QStringList{QString()});
        probe.modules() << QStringLiteral("10.0.0.9");
    }
    QVERIFY(QFileInfo(workDir->filePath(QStringLiteral("options.ini/keep"))).isDir());
}

QTEST_MAIN(TestModuleList)
#include "tst_modulelist.moc"
