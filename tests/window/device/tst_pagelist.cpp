#include "support/windowfixture.h"

Q_DECLARE_METATYPE(ModuleSimulator::Fault)

namespace {

using Fault = ModuleSimulator::Fault;
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
    void pagesInTheModulesOrderWithTitles()
    {
        WindowFixture f;
        QJsonObject pages;
        for (const char *key : {"c", "b", "a", "d"})
            pages.insert(key, QJsonObject{{"v", 1}});
        f.sim.setPages(pages, {"c", "b", "a", "d"});
        f.open({f.address()}, R"({"sysall":{"select":{"a":5,"b":"","c":"Gamma","promode":"Service"}}})");
        QVERIFY(f.selectModule());
        QCOMPARE(f.pageTexts(), (QStringList{"Gamma", "b", "a", "d", "Service"}));
        QCOMPARE(f.pageKeys(), (QStringList{"c", "b", "a", "d", "promode"}));
        QCOMPARE(f.modals.count(), 0);
        // Listing pages fetches none of them.
        QCOMPARE(f.sim.requests(), QStringList{kPageListTarget});
    }

    // An entry that is no address (typed in the modules editor) fails as a module that cannot
    // be reached, and nothing is sent: not to the module its text holds, not to any host.
    void entryThatIsNoAddressSendsNothing()
    {
        WindowFixture f;
        f.open({f.address() + "#x", f.address() + "?x", "127.0.0.1:99999"});
        for (int entry = 1; entry <= 3; ++entry) {
            QVERIFY(f.selectModule(entry));
            QCOMPARE(f.boxes().value(entry - 1), kConnectFailed);
        }
        QCOMPARE(f.sim.requests(), QStringList());
    }

    void failureMessages_data()
    {
        QTest::addColumn<ModuleSimulator::Fault>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("HTTP 500") << Fault::HttpStatus << 500 << kConnectFailed;
        QTest::newRow("Error 404") << Fault::PlainError404 << 0
                                   << QStringLiteral("На модуле не установлена опция \"API Options\"");
        QTest::newRow("not JSON") << Fault::InvalidJson << 0 << QStringLiteral("Не опознанная ошибка");
    }
    void failureMessages()
    {
        QFETCH(ModuleSimulator::Fault, fault);
        QFETCH(int, status);
        QFETCH(QString, text);
        WindowFixture f;
        // A page of the first module is on screen when the second one fails.
        f.open({f.address(), f.address() + " again"});
        QVERIFY(f.selectModule(1) && f.openPage("1"));
        f.sim.setBehaviour(Endpoint::PageList, {fault, status, 0});

        QVERIFY(f.selectModule(2));
        QCOMPARE(f.boxes(), QStringList{text});
        QCOMPARE(f.modals.last().icon, QMessageBox::Warning);
        QCOMPARE(f.pageKeys(), QStringList());
        QCOMPARE(f.rows(), QStringList());
        QVERIFY(!f.probe->pushButton()->isEnabled());
    }
};

QTEST_MAIN(TestPageList)
#include "tst_pagelist.moc"
