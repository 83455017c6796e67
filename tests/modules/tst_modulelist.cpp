#include "app/mainwindow.h"
#include "support/mainwindowprobe.h"
#include "support/testworkdir.h"

#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

QVariantList itemData(const QComboBox *box)
{
    QVariantList data;
    for (int i = 0; i < box->count(); ++i)
        data << box->itemData(i, Qt::UserRole);
    return data;
}

} // namespace

class TestModuleList : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void missingFileGivesOneEmptyEntryAndIsCreatedAtExit();
    void entriesFillTheSelector();
    void listIsWrittenBackAsLoaded_data();
    void listIsWrittenBackAsLoaded();
    void badFilesStillGiveAWorkingWindow_data();
    void badFilesStillGiveAWorkingWindow();
    void unwritableFileLosesNothingElse();

private:
    QString storedModules() const
    {
        const QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        return settings.value(QStringLiteral("global/modules")).toString();
    }
    void storeModules(const QString &value) const
    {
        QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("global/modules"), value);
    }

    std::unique_ptr<TestWorkDir> workDir;
};

void TestModuleList::missingFileGivesOneEmptyEntryAndIsCreatedAtExit()
{
    {
        MainWindow window;
        MainWindowProbe probe(window);
        QCOMPARE(probe.modules(), QStringList{QString()});
        QCOMPARE(itemTexts(probe.comboBox()), (QStringList{"Выберете модуль", ""}));
        QCOMPARE(probe.comboBox()->currentIndex(), 0);
        QVERIFY2(!probe.comboBox()->itemData(0, Qt::UserRole).isValid(), "the prompt carries no address");
        QCOMPARE(probe.comboBox()->itemData(1, Qt::UserRole), QVariant(QString()));
    }
    QVERIFY(workDir->exists(QStringLiteral("options.ini")));
    QSettings settings(workDir->filePath(QStringLiteral("options.ini")), QSettings::IniFormat);
    QCOMPARE(settings.childGroups(), QStringList{"global"});
    QVERIFY(settings.contains(QStringLiteral("global/modules")));
    QCOMPARE(settings.value(QStringLiteral("global/modules")).toString(), QString());
}

void TestModuleList::entriesFillTheSelector()
{
    storeModules(QStringLiteral("192.168.4.1/192.168.4.20 Boiler/192.168.4.20 Boiler room/"
                                "10.0.0.1  two blanks/ 10.0.0.2/192.168.4.1"));
    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(itemTexts(probe.comboBox()),
             (QStringList{"Выберете модуль", "192.168.4.1", "Boiler", "Boiler", "10.0.0.1  two blanks",
                          "10.0.0.2", "192.168.4.1"}));
    QCOMPARE(itemData(probe.comboBox()),
             (QVariantList{QVariant(), "192.168.4.1", "192.168.4.20", "192.168.4.20",
                           "10.0.0.1  two blanks", "", "192.168.4.1"}));
    QCOMPARE(probe.comboBox()->currentIndex(), 0);
    QVERIFY2(probe.listWidget()->count() == 0 && probe.moduleAddress().isEmpty(),
             "start-up asks no module for anything");
}

void TestModuleList::listIsWrittenBackAsLoaded_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("two modules") << "192.168.4.1/192.168.4.20 Boiler";
    QTest::newRow("duplicates and empty entries") << "a/a//b";
    QTest::newRow("non-ASCII labels") << "192.168.4.20 Котельная/10.0.0.5 Ünïcødé";
    QTest::newRow("commas, quotes and equals signs") << "10.0.0.1 a,b/10.0.0.2 \"q\"=x;y";
}

void TestModuleList::listIsWrittenBackAsLoaded()
{
    QFETCH(QString, stored);
    storeModules(stored);
    {
        MainWindow window;
        QCOMPARE(MainWindowProbe(window).modules(), stored.split(QLatin1Char('/')));
    }
    QCOMPARE(storedModules(), stored);
}

void TestModuleList::badFilesStillGiveAWorkingWindow_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("modules");
    QTest::newRow("not INI text") << QByteArray("\x01\x02[[[garbage\n=\n[global\nmodules") << QStringList{""};
    QTest::newRow("not UTF-8") << QByteArray("[global]\nmodules=\xff\xfe 10.0.0.1\n") << QStringList();
    QTest::newRow("hand-written commas") << QByteArray("[global]\nmodules=10.0.0.1 a,b/10.0.0.2\n")
                                         << QStringList{"10.0.0.1 a", "b/10.0.0.2"}.join(",").split("/");
    QTest::newRow("empty file") << QByteArray() << QStringList{""};
}

void TestModuleList::badFilesStillGiveAWorkingWindow()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, modules);
    workDir->writeFile(QStringLiteral("options.ini"), content);
    MainWindow window;
    MainWindowProbe probe(window);
    if (!modules.isEmpty())
        QCOMPARE(probe.modules(), modules);
    QCOMPARE(probe.comboBox()->count(), probe.modules().size() + 1);
    QCOMPARE(probe.comboBox()->itemText(0), QStringLiteral("Выберете модуль"));
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
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("options\\.ini")));
    }
    QVERIFY(QFileInfo(workDir->filePath(QStringLiteral("options.ini/keep"))).isDir());
}

QTEST_MAIN(TestModuleList)
#include "tst_modulelist.moc"
