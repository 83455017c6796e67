#include "core/device/moduleclient.h"
#include "core/device/modulelock.h"
#include "core/device/modulereplies.h"
#include "core/device/pagewrite.h"

#include "support/rawmodule.h"
#include "support/simfixture.h"
#include "support/testjson.h"
#include "support/timeouts.h"
#include "support/waituntil.h"

#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(PageWriteOutcome::Kind)
Q_DECLARE_METATYPE(PageSave::Rule)

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

// "PATH loaded,now,ours" per conflict.
QStringList conflictTexts(const QList<Conflict> &conflicts)
{
    QStringList texts;
    for (const Conflict &conflict : conflicts)
        texts.append(conflict.change.pathParts().join('/') + ' '
                     + QJsonDocument(QJsonArray{conflict.change.a, conflict.now, conflict.change.b})
                           .toJson(QJsonDocument::Compact));
    return texts;
}

// The page with the options given in place, a group's member by member.
QJsonObject withOptions(QJsonObject page, const QJsonObject &options)
{
    for (auto option = options.begin(); option != options.end(); ++option) {
        const QJsonValue value = option.value();
        page.insert(option.key(),
                    value.isObject() ? withOptions(page.value(option.key()).toObject(), value.toObject())
                                     : value);
    }
    return page;
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

    QTemporaryDir runtime;

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
        QTest::newRow("answered and ignored")
            << int(F::PlainError404) << none << PageWriteOutcome::Differs
            << "page \"3\" read back differs from what was written in 2 places"
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
        WAIT_VERIFY(outcome);

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

    void init()
    {
        // Locks of the test's own, away from every other program's.
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }

    // The safe sequence: locked, read again, only the changed places merged onto the page as
    // the module has it now, written, read back whole.
    void saves_data()
    {
        QTest::addColumn<QByteArray>("changedMeanwhile"); // options of page 3 changed after loading
        QTest::addColumn<int>("readFault"); // of page 3, from the re-read on
        QTest::addColumn<PageSave::Rule>("rule");
        QTest::addColumn<QString>("lockHolder"); // "", "silent" (alive, never touching it), "gone"
        QTest::addColumn<PageWriteOutcome::Kind>("kind");
        QTest::addColumn<QStringList>("places"); // conflicts, or differences
        QTest::addColumn<QStringList>("after"); // how page 3 differs from the sample at the end
        using F = ModuleSimulator::Fault;
        using K = PageWriteOutcome;
        const int none = int(F::None);
        const PageSave::Rule merge = PageSave::MergeOthers;
        QTest::newRow("the module's change to another place is kept")
            << QByteArray(R"({"mqtt": {"port": 8883}})") << none << merge << "" << K::Confirmed
            << QStringList() << QStringList{"3/mqtt/port [1883,8883]", "3/net/ch [6,11]", "3/period [30,5]"};
        QTest::newRow("a place changed on both sides: nothing written")
            << QByteArray(R"({"period": 7})") << none << merge << "" << K::Conflicted
            << QStringList{"3/period [30,7,5]"} << QStringList{"3/period [30,7]"};
        QTest::newRow("written over the conflict, the module's other changes kept")
            << QByteArray(R"({"period": 7, "mqtt": {"port": 8883}})") << none << PageSave::WriteOverConflicts
            << "" << K::Confirmed << QStringList()
            << QStringList{"3/mqtt/port [1883,8883]", "3/net/ch [6,11]", "3/period [30,5]"};
        QTest::newRow("any change stops")
            << QByteArray(R"({"mqtt": {"port": 8883}})") << none << PageSave::StopOnAnyChange << ""
            << K::Changed << QStringList{"3/mqtt/port [1883,8883]"} << QStringList{"3/mqtt/port [1883,8883]"};
        QTest::newRow("changed between the re-read and the write")
            << QByteArray() << int(F::ChangeBetween) << merge << "" << K::Differs
            << QStringList{"3/between-1 [1,null]"}
            << QStringList{"3/between-1 [null,1]", "3/between-2 [null,2]", "3/net/ch [6,11]",
                           "3/period [30,5]"};
        QTest::newRow("re-read empty") << QByteArray() << int(F::HttpStatus) << merge << "" << K::ReadFailed
                                       << QStringList() << QStringList();
        QTest::newRow("re-read not JSON") << QByteArray() << int(F::InvalidJson) << merge << ""
                                          << K::ReadFailed << QStringList() << QStringList();
        QTest::newRow("re-read not an object") << QByteArray() << int(F::NullPage) << merge << ""
                                               << K::ReadFailed << QStringList() << QStringList();
        QTest::newRow("a holder that shows no sign of life")
            << QByteArray() << none << merge << "silent" << K::NotLocked << QStringList() << QStringList();
        QTest::newRow("the lock of a process that is gone is taken over")
            << QByteArray() << none << merge << "gone" << K::Confirmed << QStringList()
            << QStringList{"3/net/ch [6,11]", "3/period [30,5]"};
    }

    void saves()
    {
        QFETCH(QByteArray, changedMeanwhile);
        QFETCH(int, readFault);
        QFETCH(PageSave::Rule, rule);
        QFETCH(QString, lockHolder);
        QFETCH(PageWriteOutcome::Kind, kind);
        QFETCH(QStringList, places);
        QFETCH(QStringList, after);
        SimFixture sim;
        const QJsonObject sample = sim.sim.pages();
        const QJsonObject loaded = samplePage(sim.sim, "3");
        QJsonObject pages = sample;
        pages.insert("3", withOptions(sample.value("3").toObject(), jsonObject(changedMeanwhile)));
        sim.sim.setPages(pages, {"1", "2", "3", "4"});
        sim.sim.setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault(readFault), 200}, "3");
        ModuleClient client(sim.address(), quickSettings());

        QString error;
        const QString lockPath = ModuleLock::fileName(sim.address(), ModuleLock::folder(&error));
        QLockFile holder(lockPath);
        if (!lockHolder.isEmpty())
            QVERIFY(holder.tryLock(0));
        if (lockHolder == "gone") {
            // The lock file as a process that has ended left it.
            QProcess ended;
            ended.start("true", QStringList());
            QVERIFY(ended.waitForStarted(kWaitMs));
            const qint64 endedPid = ended.processId();
            QVERIFY(ended.waitForFinished(kWaitMs));
            QFile file(lockPath);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QByteArray text = file.readAll();
            file.close();
            text = QByteArray::number(endedPid) + text.mid(text.indexOf('\n'));
            holder.unlock();
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
            file.close();
        }

        std::optional<PageWriteOutcome> outcome;
        savePage(&client, {"3", loaded, pageThreeChanges(), rule},
                 [&outcome](const PageWriteOutcome &result) { outcome = result; });
        QVERIFY(!outcome);
        WAIT_VERIFY(outcome);
        QVERIFY2(outcome->kind == kind, qPrintable(outcome->reason));
        QCOMPARE(kind == PageWriteOutcome::Conflicted ? conflictTexts(outcome->conflicts)
                                                      : differenceTexts(outcome->differences),
                 places);
        QCOMPARE(sim.sim.writes().size(), outcome->writeSent() ? 1 : 0);
        QCOMPARE(differenceTexts(compareOptions("3", sample.value("3").toObject(),
                                                sim.sim.pages().value("3").toObject())),
                 after);
        QVERIFY2(kind != PageWriteOutcome::NotLocked || outcome->reason.contains("no sign of life"),
                 qPrintable(outcome->reason));
        QVERIFY(!QFile::exists(lockPath) || lockHolder == "silent");
    }

    // Two writers of one page at once, each changing a place of its own: they take turns, and
    // the second reads the first one's change before it writes.
    void writersTakeTurns()
    {
        SimFixture sim;
        sim.sim.setBehaviour(ModuleSimulator::Endpoint::Write, {ModuleSimulator::Fault::None, 0, 150});
        const QJsonObject loaded = samplePage(sim.sim, "3");
        ModuleClient first(sim.address(), quickSettings());
        ModuleClient second(sim.address(), quickSettings());
        int confirmed = 0;
        const auto count = [&confirmed](const PageWriteOutcome &result) {
            confirmed += result.kind == PageWriteOutcome::Confirmed;
        };
        savePage(&first, {"3", loaded, {pageThreeChanges().at(0)}}, count);
        savePage(&second, {"3", loaded, {pageThreeChanges().at(1)}}, count);
        WAIT_COMPARE(confirmed, 2);
        QCOMPARE(samplePage(sim.sim, "3"), changesWrite("3", loaded, pageThreeChanges()).document);
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
        writeAndReadBack(&client, {"1", {{"1", QJsonObject{{"port", 1}}}}},
                         [&outcome](const PageWriteOutcome &result) { outcome = result; });
        WAIT_VERIFY(outcome);
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
        WAIT_VERIFY(result);
        QCOMPARE(result->confirmed, confirmed);
        QCOMPARE(result->last.kind, last);
        QCOMPARE(sim.sim.writes().size(), writes);
    }
};

QTEST_GUILESS_MAIN(TestPageWrite)
#include "tst_pagewrite.moc"
