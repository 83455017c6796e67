#include "core/modules/modulelistfile.h"
#include "support/windowfixture.h"

// The window's shell: quitting from its File menu ends the event loop, and the window
// saves the module list as it goes.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void quitEndsTheLoopAndTheModuleListIsSaved()
    {
        WindowFixture f;
        f.open({"10.0.0.7 Lab"});
        f.probe->modules() << "10.0.0.8";
        QTimer::singleShot(0, f.window.get(), [&] { QVERIFY(f.trigger("Выход")); });
        // Bounded: a quit that does not happen must fail the test, not hang it.
        QTimer guard;
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
        guard.start(kWaitMs);
        QCOMPARE(QApplication::exec(), 0);
        f.closeWindow();
        QCOMPARE(readModuleList(kModuleListFileName), (QStringList{"10.0.0.7 Lab", "10.0.0.8"}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
