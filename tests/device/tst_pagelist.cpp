#include "modulesession.h"

#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QElapsedTimer>
#include <QtTest>

Q_DECLARE_METATYPE(ModuleSimulator::Fault)

namespace {

using Fault = ModuleSimulator::Fault;
using Behaviour = ModuleSimulator::Behaviour;
using Endpoint = ModuleSimulator::Endpoint;

const QString kPageListTarget = QStringLiteral("/jsonoptions?select=0");
const QString kConnectFailed = QStringLiteral("Не удалось подключится к устройству");

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
    QTest::addColumn<QStringList>("order"); // the module's page keys; empty: the sample pages
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
    QTest::newRow("select not an object")
        << QStringList{"2", "1"} << QByteArray(R"({"sysall":{"select":["x"]}})")
        << QStringList{"2", "1", "promode"} << QStringList{"2", "1", "promode"};
}

void TestPageList::pagesWithTitles()
{
    QFETCH(QStringList, order);
    QFETCH(QByteArray, catalog);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, keys);

    SimFixture fx;
    QJsonObject pages;
    for (const QString &key : order)
        pages.insert(key, QJsonObject{{"v", 1}});
    if (!order.isEmpty())
        fx.sim.setPages(pages, order);
    ModuleSession session({fx.address()}, catalog);
    QVERIFY(session.selectModule());
    QCOMPARE(session.pageTexts(), texts);
    QCOMPARE(session.pageKeys(), keys);
    QVERIFY(session.modals.records.isEmpty());
    // Listing pages fetches none of them.
    QCOMPARE(fx.sim.requests(), QStringList{kPageListTarget});
}

void TestPageList::failureMessages_data()
{
    QTest::addColumn<ModuleSimulator::Fault>("fault"); // None: the module is unreachable
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");

    QTest::newRow("unreachable") << Fault::None << 0 << kConnectFailed;
    QTest::newRow("HTTP 500") << Fault::HttpStatus << 500 << kConnectFailed;
    QTest::newRow("Error 404") << Fault::PlainError404 << 0
                               << QStringLiteral("На модуле не установлена опция \"API Options\"");
    QTest::newRow("not JSON") << Fault::InvalidJson << 0 << QStringLiteral("Не опознанная ошибка");
    QTest::newRow("null page") << Fault::NullPage << 0 << QStringLiteral("Не опознанная ошибка");
}

void TestPageList::failureMessages()
{
    QFETCH(ModuleSimulator::Fault, fault);
    QFETCH(int, status);
    QFETCH(QString, text);

    SimFixture fx;
    // A page of the first module is on screen when the second one fails; nothing listens on
    // port 1 of the loopback.
    ModuleSession session({fx.address(), fault == Fault::None ? "127.0.0.1:1" : fx.address() + " again"});
    QVERIFY(session.selectModule(1) && session.openPage("1"));
    fx.sim.setBehaviour(Endpoint::PageList, Behaviour{fault, status, 0});

    QVERIFY(session.selectModule(2));
    QCOMPARE(session.boxTexts(), QStringList{text});
    QCOMPARE(session.modals.last().icon, QMessageBox::Warning);
    QCOMPARE(session.pageKeys(), QStringList());
    QCOMPARE(session.rows(), QStringList());
    QVERIFY(!session.probe->pushButton()->isEnabled());
}

void TestPageList::promptAndRefillSendNothing()
{
    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule() && session.openPage("1"));
    const QStringList rows = session.rows();

    // The prompt entry: nothing is sent and nothing on screen changes.
    session.probe->comboBox()->setCurrentIndex(0);
    QCOMPARE(session.pageKeys().size(), 5);
    // Refilling the selector passes through index -1: no request to an empty host, no box.
    session.probe->comboBox()->clear();
    QCOMPARE(session.probe->pagesReply(), nullptr);
    QVERIFY(session.probe->comboBox()->isEnabled());
    QCOMPARE(session.rows(), rows);
    QCOMPARE(fx.sim.requests().count(kPageListTarget), 1);
    QVERIFY(session.modals.records.isEmpty());
}

void TestPageList::switchingModulesEmptiesTheTableAtOnce()
{
    SimFixture fx;
    ModuleSession session({fx.address() + " first", fx.address() + " second"});
    QVERIFY(session.selectModule(1) && session.openPage("1"));

    // A slow page of the first module is on its way when the second module is picked.
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 300}, "3");
    QVERIFY(session.requestPage("3"));
    QPointer<QNetworkReply> slowPage = session.probe->pageReply();
    fx.sim.setBehaviour(Endpoint::PageList, Behaviour{Fault::None, 0, 500});
    session.probe->comboBox()->setCurrentIndex(2);
    QCOMPARE(session.rows(), QStringList());
    QCOMPARE(session.pageKeys(), QStringList());
    QVERIFY(!session.probe->comboBox()->isEnabled());
    QVERIFY(!session.probe->pushButton()->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(slowPage.isNull() && session.probe->comboBox()->isEnabled(), 5000);
    QCOMPARE(session.rows(), QStringList());
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
    QCOMPARE(session.boxTexts(), QStringList{kConnectFailed});
}

QTEST_MAIN(TestPageList)
#include "tst_pagelist.moc"
