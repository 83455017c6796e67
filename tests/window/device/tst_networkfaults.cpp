// A module that misbehaves on the wire: bodies of ten megabytes, answers that never come,
// writes refused. Each must end in the documented outcome, with the window responsive and
// the page on screen kept.

#include "core/descriptions/catalogfile.h"
#include "core/device/modulerequests.h"
#include "core/device/optionrows.h"
#include "support/loopwatch.h"
#include "support/rawmodule.h"
#include "support/waituntil.h"
#include "support/windowfixture.h"
#include "window/app/uitexts.h"

namespace {

// Longest pause of the event loop that still counts as responsive, with room for slow,
// sanitised builds parsing megabytes in one go.
constexpr qint64 kMaxStallMs = 3000;
// The window's transfer timeout where a test waits it out: short, so as not to wait the
// full time a module is given, and long beside any pause of a loop that keeps running.
constexpr int kShortTransferTimeoutMs = 1500;
constexpr int kTenMegabytes = 10 * 1024 * 1024;
const QByteArray kPageListTarget = "/jsonoptions?select=0";
const QByteArray kWritePrefix = "/jsonoptions?write=";

// A window whose selector lists the raw module (entry 1) and the simulator (entries 2 and 3),
// with an empty catalog on disk so that nothing is downloaded at start-up.
struct Session : WindowFixture
{
    Session() { open({module.address() + " Raw", address() + " Sim", address() + " again"}); }
    // The raw module lists keys and answers every other request with page(target).
    void servePages(const QStringList &keys, const std::function<QByteArray(const QByteArray &)> &page)
    {
        module.respond = [keys, page](const QByteArray &target) {
            return target == kPageListTarget
                ? RawModule::answer(200, compactJson({{"select", QJsonArray::fromStringList(keys)}}))
                : page(target);
        };
    }
    RawModule module;
};

} // namespace

class TestNetworkFaults : public QObject
{
    Q_OBJECT

private slots:
    void tenMegabyteBodies()
    {
        // A page key of ten megabytes, listed whole and painted in part (beside keys with a NUL
        // and Cyrillic text); a page whose text option holds ten megabytes (a line edit would
        // lay it all out: it goes into a text cell, painted in part), and whose nested object
        // holds as much (shown as far as a line edit holds, sent back as received).
        Session s;
        const QString longText(kTenMegabytes, QLatin1Char('t'));
        const QJsonObject nested{{"obj", QJsonObject{{"text", longText}}}};
        const QJsonObject options{{"log", longText}, {"net", nested}};
        const QByteArray page = RawModule::answer(200, compactJson({{"3", options}}));
        const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        s.servePages({longText, withNul, "Сеть", "3"}, [page](const QByteArray &) { return page; });
        LoopWatch heartbeat;

        QVERIFY(s.selectModule(1));
        QCOMPARE(s.pageKeys(), (QStringList{longText, withNul, "Сеть", "3", "promode"}));
        // The page is logged as every page is; the test's log need not hold it.
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^QJsonObject\\(\\{\"3\":")));
        QVERIFY(s.openPage("3"));
        QCOMPARE(s.modals.count(), 0);
        const QString nestedText = (QStringLiteral("text:") + longText).left(kLineEditTextLimit);
        QCOMPARE(s.rows(),
                 (QStringList{"log|6|log|cell:" + longText, "net|0|net|header",
                              "obj|5|net:obj:sub|shown:" + nestedText}));
        s.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
        s.probe->listWidget()->viewport()->repaint();
        s.probe->tableWidget()->viewport()->repaint();
        QVERIFY2(heartbeat.beats() > 5, "the timer fired during the transfers");
        // Judged by the GUI thread's own work between two beats: a whole body laid out or
        // painted shows there, while a test running beside this one does not.
        QVERIFY2(heartbeat.longestBusyMs() < kMaxStallMs, "the event loop kept running");
        QCOMPARE(s.probe->pageValues(), (QJsonObject{{"3", options}}));
    }

    void writeFailures_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("reason"); // logged after the URL, as a pattern
        QTest::newRow("HTTP 500") << RawModule::answer(500, "Internal error") << "HTTP 500 Whatever";
        QTest::newRow("closed in the middle of the body")
            << RawModule::answer(200, "O", {}, 100) << ".{1,80}";
        QTest::newRow("closed before any answer") << QByteArray() << ".{1,80}";
        QTest::newRow("connection refused") << QByteArray("refused") << "Connection refused";
    }

    void writeFailures()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, reason);
        // Text longer than a line edit lays out at once, at the top level and in a group, goes
        // into text cells and is written back whole.
        QJsonObject options{{"name", "x"},
                            {"net", QJsonObject{{"note", QString(33000, 'n') + "\nend"}}},
                            {"script", QString(40000, 'a') + "end"}};
        Session s;
        const QByteArray page = RawModule::answer(200, compactJson({{"3", options}}));
        s.servePages(
            {"3"}, [=](const QByteArray &target) { return target.startsWith(kWritePrefix) ? answer : page; });
        QVERIFY(s.selectModule(1));
        QVERIFY(s.openPage("3"));
        QCOMPARE(s.probe->rowTypes(), (QList<int>{TextField, GroupHeader, TextCell, TextCell}));
        auto *name = qobject_cast<QLineEdit *>(s.probe->tableWidget()->cellWidget(0, 1));
        QVERIFY(name);
        name->setText(QStringLiteral("edited"));

        if (answer == "refused") {
            // A port that was free a moment ago: nothing listens there.
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            s.probe->moduleAddress() = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
        }
        // One line in the log: a write's without the page it carries, a read's with its key.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^http://[^?]+(\\?select=3)?: " + reason + '$'));
        s.probe->saveopt();
        QVERIFY(!s.probe->pushButton()->isEnabled());
        WAIT_VERIFY(!s.probe->saving());

        // Reported; the edit stays on screen, ready to be sent again, and the page as loaded.
        QCOMPARE(s.boxes(), QStringList{"Не удалось сохранить страницу"});
        QVERIFY(s.probe->pushButton()->isEnabled());
        QCOMPARE(s.probe->pageValues(), (QJsonObject{{"3", options}}));
        QCOMPARE(name->text(), QStringLiteral("edited"));
        QVERIFY2(s.probe->pageedited(), "a write the module did not take leaves the edit unsaved");
        options.insert("name", "edited");
        if (answer == "refused")
            return;
        const QByteArray document
            = QByteArray::fromPercentEncoding(s.module.targets.last().mid(kWritePrefix.size()));
        QCOMPARE(jsonObject(document), (QJsonObject{{"3", options}}));
    }

    void hangingRequestsEndAtTheTimeout()
    {
        // The simulated module takes the write and then the page list, the descriptions server
        // the download, and none ever answers: each ends after the transfer timeout, in its
        // failure path, and the window works meanwhile.
        Session s;
        s.probe->requestTimeoutMs() = kShortTransferTimeoutMs;
        QVERIFY(s.selectModule(2));
        QVERIFY(s.openPage(s.pageKeys().first()));
        const ModuleSimulator::Behaviour hang{ModuleSimulator::Fault::Hang, 0, 0};
        s.sim.setBehaviour(ModuleSimulator::Endpoint::Write, hang);
        s.sim.setBehaviour(ModuleSimulator::Endpoint::Catalog, hang);

        LoopWatch heartbeat;
        QElapsedTimer clock;
        clock.start();
        s.probe->saveopt();
        QVERIFY(s.trigger("Обновить описания"));
        QVERIFY(s.probe->saving() && s.probe->descriptionReply());

        // Meanwhile another page of the same module comes as usual, and then another module is
        // picked, whose page list never comes either.
        QVERIFY(s.openPage(s.pageKeys().at(1)));
        QVERIFY(s.probe->tableWidget()->rowCount() > 0);
        s.sim.setBehaviour(ModuleSimulator::Endpoint::PageList, hang);
        s.probe->comboBox()->setCurrentIndex(3);
        QVERIFY(s.probe->saving() && s.probe->descriptionReply() && s.probe->pagesReply());
        QVERIFY(!s.probe->comboBox()->isEnabled());

        QTest::ignoreMessage(QtDebugMsg, uitexts::logDownloadFailed);
        QVERIFY(waitUntil(
            [&] { return !s.probe->saving() && !s.probe->descriptionReply() && !s.probe->pagesReply(); },
            kShortTransferTimeoutMs + kWaitMs));
        // The toolkit's timers may fire a little early.
        QVERIFY2(clock.elapsed() >= kShortTransferTimeoutMs * 9 / 10,
                 "the module is given its full transfer time");
        QVERIFY2(clock.elapsed() < kModuleTransferTimeoutMs, "the window's own timeout, not the default");
        // A loop blocked on one of the requests would stand still for the whole timeout.
        QVERIFY2(heartbeat.longestPauseMs() < kShortTransferTimeoutMs / 2, "the event loop kept running");
        QVERIFY(s.probe->comboBox()->isEnabled());
        // Both give up at about the same moment, so their boxes may come in either order.
        // The save's box comes after the user moved on, and names the page it is about.
        QStringList boxes = s.boxes();
        boxes.sort();
        QVERIFY2(boxes.value(1).endsWith("\nСтраница 1 модуля " + s.address()), qPrintable(boxes.value(1)));
        boxes[1] = boxes[1].section('\n', 0, 0);
        QCOMPARE(boxes,
                 (QStringList{"Не удалось подключится к устройству", "Не удалось сохранить страницу"}));
        QVERIFY(s.probe->descriptions().isEmpty());
        QCOMPARE(s.dir.readFile(kCatalogFileName), QByteArray("{}"));
    }
};

QTEST_MAIN(TestNetworkFaults)
#include "tst_networkfaults.moc"
