#include "core/device/moduleclient.h"
#include "core/device/modulereplies.h"
#include "core/device/pagewrite.h"

#include "support/rawmodule.h"
#include "support/simfixture.h"
#include "support/testjson.h"
#include "support/timeouts.h"

#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(PageWriteOutcome::Kind)

namespace {

// On page 3 of the sample pages: a top-level option and a member of a group.
QList<Difference> pageThreeChanges()
{
    return {{"3", "period", {}, false, 30, 5}, {"3", "net", "ch", true, 6, 11}};
}

QJsonObject samplePage(const ModuleSimulator &sim, const QString &key)
{
    return {{key, sim.pages().value(key)}};
}

// "PATH [A,B]" per difference, in order.
QStringList differenceTexts(const QList<Difference> &differences)
{
    QStringList texts;
    for (const Difference &difference : differences)
        texts.append(difference.pathParts().join('/') + ' '
                     + QJsonDocument(QJsonArray{difference.a, difference.b}).toJson(QJsonDocument::Compact));
    return texts;
}

ClientSettings quickSettings()
{
    ClientSettings settings;
    settings.timeoutMs = 300;
    settings.retries = 0;
    return settings;
}

} // namespace

// A page written, read back and compared, against the simulator acting as firmware that
// keeps, ignores, refuses or never answers a write.
class TestPageWrite : public QObject
{
    Q_OBJECT

private slots:
    void writes_data()
    {
        QTest::addColumn<int>("writeFault"); // ModuleSimulator::Fault
        QTest::addColumn<int>("readFault"); // for page 3
        QTest::addColumn<PageWriteOutcome::Kind>("kind");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QStringList>("differences");
        QTest::addColumn<bool>("kept"); // the module holds the changes afterwards
        using F = ModuleSimulator::Fault;
        const int none = int(F::None);
        QTest::newRow("kept") << none << none << PageWriteOutcome::Confirmed << "" << QStringList() << true;
        QTest::newRow("answered and ignored") << int(F::PlainError404) << none << PageWriteOutcome::Differs
                                              << "page \"3\" read back does not hold the values written"
                                              << QStringList{"3/net/ch [6,11]", "3/period [30,5]"} << false;
        QTest::newRow("refused with a status")
            << int(F::HttpStatus) << none << PageWriteOutcome::WriteFailed
            << "write of page \"3\": the module answered with HTTP status 500" << QStringList() << false;
        QTest::newRow("never answered")
            << int(F::Hang) << none << PageWriteOutcome::WriteFailed
            << "write of page \"3\": no answer within 0.3 s (the module may or may not have taken the write)"
            << QStringList() << false;
        QTest::newRow("kept, but the page cannot be read back")
            << none << int(F::HttpStatus) << PageWriteOutcome::ReadBackFailed
            << "reading back: page \"3\": the module answered with HTTP status 500" << QStringList() << true;
    }

    void writes()
    {
        QFETCH(int, writeFault);
        QFETCH(int, readFault);
        QFETCH(PageWriteOutcome::Kind, kind);
        QFETCH(QString, reason);
        QFETCH(QStringList, differences);
        QFETCH(bool, kept);
        SimFixture sim;
        const QJsonObject before = samplePage(sim.sim, "3");
        const PageWrite write = changesWrite("3", before, pageThreeChanges());
        sim.sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault(writeFault)});
        sim.sim.setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault(readFault)}, "3");
        ModuleClient client(sim.address(), quickSettings());

        std::optional<PageWriteOutcome> outcome;
        writeAndReadBack(&client, write, [&outcome](const PageWriteOutcome &result) { outcome = result; });
        QVERIFY(!outcome);
        QTRY_VERIFY_WITH_TIMEOUT(outcome, kWaitMs);

        QCOMPARE(outcome->kind, kind);
        QCOMPARE(outcome->reason, reason);
        QCOMPARE(differenceTexts(outcome->differences), differences);
        // Sent once, whole: the options not changed go as the module had them.
        QCOMPARE(sim.sim.writes().size(), 1);
        QCOMPARE(jsonObject(sim.sim.writes().first()), write.document);
        QCOMPARE(samplePage(sim.sim, "3"), kept ? write.document : before);
        if (kind == PageWriteOutcome::Confirmed || kind == PageWriteOutcome::Differs)
            QCOMPARE(outcome->readBack, samplePage(sim.sim, "3"));
    }

    void aCutOffWriteIsNotSentAgain()
    {
        // The connection closes before any answer: the toolkit would send the GET again.
        RawModule module;
        module.respond = [](const QByteArray &) {
            return QByteArray();
        };
        ModuleClient client(module.address(), quickSettings());
        std::optional<PageWriteOutcome> outcome;
        writeAndReadBack(&client, {"1", {{"1", QJsonObject{{"port", 1}}}}, {}},
                         [&outcome](const PageWriteOutcome &result) { outcome = result; });
        QTRY_VERIFY_WITH_TIMEOUT(outcome, kWaitMs);
        QCOMPARE(outcome->kind, PageWriteOutcome::WriteFailed);
        QVERIFY2(outcome->reason.contains("not sent again"), qPrintable(outcome->reason));
        QCOMPARE(module.targets.size(), 1);
    }

    void pagesInTurn_data()
    {
        QTest::addColumn<QStringList>("keys"); // each with its port, or page 3's changes
        QTest::addColumn<QString>("keptUpTo"); // the last page whose write the module keeps; "" all
        QTest::addColumn<QStringList>("confirmed");
        QTest::addColumn<PageWriteOutcome::Kind>("last");
        QTest::addColumn<int>("writes");
        QTest::newRow("none") << QStringList() << "" << QStringList() << PageWriteOutcome::Confirmed << 0;
        QTest::newRow("every page") << QStringList{"1", "3"} << "" << QStringList{"1", "3"}
                                    << PageWriteOutcome::Confirmed << 2;
        QTest::newRow("stopped at the first not kept")
            << QStringList{"1", "3", "4"} << "1" << QStringList{"1"} << PageWriteOutcome::Differs << 2;
    }

    void pagesInTurn()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, keptUpTo);
        QFETCH(QStringList, confirmed);
        QFETCH(PageWriteOutcome::Kind, last);
        QFETCH(int, writes);
        SimFixture sim;
        QList<PageWrite> pageWrites;
        for (const QString &key : keys) {
            const QList<Difference> changes
                = key == "3" ? pageThreeChanges() : QList<Difference>{{key, "port", {}, false, {}, 8081}};
            pageWrites.append(changesWrite(key, samplePage(sim.sim, key), changes));
        }
        // Told before the write is answered: the writes after it are ignored.
        sim.sim.setWriteListener([&sim, keptUpTo](const QByteArray &document, bool) {
            if (!keptUpTo.isEmpty() && jsonObject(document).contains(keptUpTo))
                sim.sim.setBehaviour(ModuleSimulator::Endpoint::Write,
                                     {ModuleSimulator::Fault::PlainError404});
        });
        ModuleClient client(sim.address(), quickSettings());

        std::optional<PagesWritten> result;
        writeAndReadBackInTurn(&client, pageWrites,
                               [&result](const PagesWritten &written) { result = written; });
        QVERIFY2(!result, "never before it returns");
        QTRY_VERIFY_WITH_TIMEOUT(result, kWaitMs);
        QCOMPARE(result->confirmed, confirmed);
        QCOMPARE(result->last.kind, last);
        QCOMPARE(sim.sim.writes().size(), writes);
    }
};

QTEST_GUILESS_MAIN(TestPageWrite)
#include "tst_pagewrite.moc"
