#include "core/device/moduleclient.h"

#include "support/simfixture.h"
#include "support/timeouts.h"
#include "support/waituntil.h"

#include <QtTest>

#include <optional>

// How many times the client asks a module that gives no answer: once while the module has
// not answered anything (it may simply not be there), each retry once it has.
class TestModuleClient : public QObject
{
    Q_OBJECT

private slots:
    void triesOfAReadWithoutAnswer_data()
    {
        QTest::addColumn<bool>("answeredBefore"); // the page list was read first
        QTest::addColumn<bool>("retryBeforeFirstAnswer");
        QTest::addColumn<int>("pageRequests");
        QTest::newRow("not heard from: one try") << false << false << 1;
        QTest::newRow("not heard from, retries asked for") << false << true << 3;
        QTest::newRow("answered, then stumbled") << true << false << 3;
    }
    void triesOfAReadWithoutAnswer()
    {
        QFETCH(bool, answeredBefore);
        QFETCH(bool, retryBeforeFirstAnswer);
        QFETCH(int, pageRequests);
        SimFixture f;
        f.sim.setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::Hang, 500, 0});
        ClientSettings settings;
        settings.timeoutMs = 100;
        settings.retries = 2;
        settings.retryBeforeFirstAnswer = retryBeforeFirstAnswer;
        ModuleClient client(f.address(), settings);
        if (answeredBefore) {
            bool listed = false;
            client.readPageList([&](const ClientResult &result) { listed = result.ok; });
            WAIT_VERIFY(listed);
        }
        std::optional<ClientResult> page;
        client.readPage("1", [&](const ClientResult &result) { page = result; });
        WAIT_VERIFY(page.has_value());
        QVERIFY(!page->ok);
        QCOMPARE(f.sim.requests().filter("select=1").size(), pageRequests);
    }
};

QTEST_GUILESS_MAIN(TestModuleClient)
#include "tst_moduleclient.moc"
