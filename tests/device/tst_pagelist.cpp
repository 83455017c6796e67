#include "modulesession.h"

#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(ModuleSimulator::Fault)

namespace {

using Fault = ModuleSimulator::Fault;
using Behaviour = ModuleSimulator::Behaviour;
using Endpoint = ModuleSimulator::Endpoint;

const QString kPageListTarget = QStringLiteral("/jsonoptions?select=0");

// A loopback address on which nothing listens.
QString closedLoopbackAddress()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        qFatal("Cannot find a free loopback port");
    return QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
}

int pageListRequests(const ModuleSimulator &sim)
{
    return sim.requests().count(kPageListTarget);
}

} // namespace

// Selecting a module: its page list, the page titles, and what the user is told when the
// module cannot give one.
class TestPageList : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void pagesWithTitles_data();
    void pagesWithTitles();
    void failureMessages_data();
    void failureMessages();
    void promptAndRefillSendNothing();
    void switchingModulesEmptiesTheTableAtOnce();
    void moduleThatNeverAnswersTimesOut();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestPageList::pagesWithTitles_data()
{
    QTest::addColumn<QStringList>("order");   // the module's page keys; empty: the sample pages
    QTest::addColumn<QByteArray>("catalog");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("sample catalog") << QStringList() << sampleCatalog()
                                    << QStringList{"Сеть", "Порты", "Подключение", "Сценарии", "Сервис"}
                                    << QStringList{"1", "2", "3", "4", "promode"};
    QTest::newRow("module's order, fallbacks to the key")
        << QStringList{"c", "b", "a", "d"}
        << QByteArray(R"({"sysall":{"select":{"a":5,"b":"","c":"Gamma","promode":"Service"}}})")
        << QStringList{"Gamma", "b", "a", "d", "Service"} << QStringList{"c", "b", "a", "d", "promode"};
    QTest::newRow("no sysall") << QStringList{"2", "1"} << sampleCatalog().replace("sysall", "sysnone")
                               << QStringList{"2", "1", "promode"} << QStringList{"2", "1", "promode"};
    QTest::newRow("no catalog at all") << QStringList{"x"} << QByteArray("not json")
                                       << QStringList{"x", "promode"} << QStringList{"x", "promode"};
    QTest::newRow("no pages") << QStringList{QString()} << sampleCatalog()
                              << QStringList{"Сервис"} << QStringList{"promode"};
}

void TestPageList::pagesWithTitles()
{
    QFETCH(QStringList, order);
    QFETCH(QByteArray, catalog);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, keys);

    SimFixture fx;
    if (order == QStringList{QString()}) {
        fx.sim.setPages({});
    } else if (!order.isEmpty()) {
        QJsonObject pages;
        for (const QString &key : order)
            pages.insert(key, QJsonObject{{QStringLiteral("v"), 1}});
        fx.sim.setPages(pages, order);
    }
    ModuleSession session({fx.address()}, catalog);
    QVERIFY(session.selectModule());

    QCOMPARE(session.pageTexts(), texts);
    QCOMPARE(session.pageKeys(), keys);
    QVERIFY(session.modals.records.isEmpty());
    QListWidget *list = session.probe->listWidget();
    QCOMPARE(list->currentItem(), nullptr);
    QVERIFY(list->selectedItems().isEmpty());
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->item(i)->type(), int(QListWidgetItem::Type));
    // Listing pages fetches none of them.
    QCOMPARE(fx.sim.requests(), QStringList{kPageListTarget});
}

void TestPageList::failureMessages_data()
{
    QTest::addColumn<bool>("unreachable");
    QTest::addColumn<ModuleSimulator::Fault>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");

    const QString connectFailed = QStringLiteral("Не удалось подключится к устройству");
    QTest::newRow("unreachable") << true << Fault::None << 0 << connectFailed;
    QTest::newRow("HTTP 500") << false << Fault::HttpStatus << 500 << connectFailed;
    QTest::newRow("HTTP 404") << false << Fault::HttpStatus << 404 << connectFailed;
    QTest::newRow("Error 404") << false << Fault::PlainError404 << 0
                               << QStringLiteral("На модуле не установлена опция \"API Options\"");
    QTest::newRow("not JSON") << false << Fault::InvalidJson << 0 << QStringLiteral("Не опознанная ошибка");
    QTest::newRow("empty-page text") << false << Fault::NullPage << 0 << QStringLiteral("Не опознанная ошибка");
    QTest::newRow("empty body") << false << Fault::HttpStatus << 200 << QStringLiteral("Не опознанная ошибка");
}

void TestPageList::failureMessages()
{
    QFETCH(bool, unreachable);
    QFETCH(ModuleSimulator::Fault, fault);
    QFETCH(int, status);
    QFETCH(QString, text);

    SimFixture fx;
    // A page of the first module is on screen when the second one fails.
    ModuleSession session({fx.address(), unreachable ? closedLoopbackAddress() : fx.address() + " again"});
    QVERIFY(session.selectModule(1));
    QVERIFY(session.openPage(QStringLiteral("1")));
    QVERIFY(session.probe->tableWidget()->rowCount() > 0);
    fx.sim.setBehaviour(Endpoint::PageList, Behaviour{fault, status, 0});

    QVERIFY(session.selectModule(2));
    QCOMPARE(session.modals.count(), 1);
    const ModalRecord &box = session.modals.last();
    QCOMPARE(box.className, QStringLiteral("QMessageBox"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QCOMPARE(box.text, text);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(box.hasParent);

    QVERIFY(session.probe->comboBox()->isEnabled());
    QCOMPARE(session.probe->listWidget()->count(), 0);
    QCOMPARE(session.probe->tableWidget()->rowCount(), 0);
    QVERIFY(session.probe->rowTypes().isEmpty() && session.probe->rowKeys().isEmpty());
    QVERIFY(!session.probe->pushButton()->isEnabled());

    // The prompt entry and the module again retry.
    fx.sim.clearBehaviours();
    if (!unreachable) {
        session.probe->comboBox()->setCurrentIndex(0);
        QVERIFY(session.selectModule(2));
        QCOMPARE(session.pageKeys().size(), 5);
        QCOMPARE(session.modals.count(), 1);
    }
}

void TestPageList::promptAndRefillSendNothing()
{
    SimFixture fx;
    ModuleSession session({fx.address()});
    QCOMPARE(pageListRequests(fx.sim), 0);
    QVERIFY(session.selectModule());
    QVERIFY(session.openPage(QStringLiteral("1")));
    const QStringList rows = session.rows();

    // The prompt entry: nothing is sent and nothing on screen changes.
    session.probe->comboBox()->setCurrentIndex(0);
    QCOMPARE(session.pageKeys().size(), 5);
    QCOMPARE(session.rows(), rows);
    QVERIFY(session.probe->comboBox()->isEnabled());
    QCOMPARE(session.probe->pagesReply(), nullptr);

    // Refilling the selector passes through index -1: no request to an empty host, no box.
    session.probe->comboBox()->clear();
    QCOMPARE(session.probe->comboBox()->currentIndex(), -1);
    QCOMPARE(session.probe->pagesReply(), nullptr);
    QVERIFY(session.probe->comboBox()->isEnabled());
    QCOMPARE(session.rows(), rows);
    QCOMPARE(pageListRequests(fx.sim), 1);
    QVERIFY(session.modals.records.isEmpty());
}

void TestPageList::switchingModulesEmptiesTheTableAtOnce()
{
    SimFixture fx;
    ModuleSession session({fx.address() + " first", fx.address() + " second"});
    QVERIFY(session.selectModule(1));
    QVERIFY(session.openPage(QStringLiteral("1")));
    QVERIFY(session.probe->pushButton()->isEnabled());

    // A slow page of the first module is on its way when the second module is picked.
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 300}, QStringLiteral("3"));
    QVERIFY(session.requestPage(QStringLiteral("3")));
    QPointer<QNetworkReply> slowPage = session.probe->pageReply();
    QVERIFY(slowPage);
    fx.sim.setBehaviour(Endpoint::PageList, Behaviour{Fault::None, 0, 500});

    session.probe->comboBox()->setCurrentIndex(2);
    QCOMPARE(session.probe->tableWidget()->rowCount(), 0);
    QVERIFY(session.probe->rowTypes().isEmpty() && session.probe->rowKeys().isEmpty());
    QCOMPARE(session.probe->listWidget()->count(), 0);
    QVERIFY(!session.probe->comboBox()->isEnabled());
    QVERIFY(!session.probe->pushButton()->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(slowPage.isNull(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(session.probe->comboBox()->isEnabled(), 5000);
    QCOMPARE(session.probe->moduleAddress(), fx.address());
    QCOMPARE(session.probe->tableWidget()->rowCount(), 0);
    QVERIFY(!session.probe->pushButton()->isEnabled());
    QCOMPARE(session.pageKeys().size(), 5);
    QVERIFY(session.modals.records.isEmpty());
}

void TestPageList::moduleThatNeverAnswersTimesOut()
{
    SimFixture fx;
    fx.sim.setBehaviour(Endpoint::PageList, Behaviour{Fault::Hang, 0, 0});
    ModuleSession session({fx.address()});

    QElapsedTimer elapsed;
    elapsed.start();
    session.probe->comboBox()->setCurrentIndex(1);
    QVERIFY(!session.probe->comboBox()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(session.probe->comboBox()->isEnabled(), 40000);
    QVERIFY2(elapsed.elapsed() >= 14000, "the module is given its full transfer time");
    QCOMPARE(session.modals.count(), 1);
    QCOMPARE(session.modals.last().text, QStringLiteral("Не удалось подключится к устройству"));
    QCOMPARE(session.probe->pagesReply(), nullptr);
}

QTEST_MAIN(TestPageList)
#include "tst_pagelist.moc"
