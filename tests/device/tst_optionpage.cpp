#include "modulesession.h"

#include "support/simfixture.h"
#include "support/testworkdir.h"

#include <QPointer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(ModuleSimulator::Fault)

namespace {

using Fault = ModuleSimulator::Fault;
using Behaviour = ModuleSimulator::Behaviour;
using Endpoint = ModuleSimulator::Endpoint;

const QString kPortsFirstRow = QStringLiteral("Порт 1|4|1|choice:Выкл|Вкл@1");

} // namespace

// Selecting a page: the request, what each kind of answer does to the table, and the rule
// that Save is allowed only while the table shows the selected page of the selected module.
class TestOptionPage : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<TestWorkDir>(); }
    void cleanup() { workDir.reset(); }

    void requestCarriesTheKey_data();
    void requestCarriesTheKey();
    void answers_data();
    void answers();
    void olderRepliesNeverReachTheTable();
    void saveFollowsThePageOnScreen();

private:
    std::unique_ptr<TestWorkDir> workDir;
};

void TestOptionPage::requestCarriesTheKey_data()
{
    QTest::addColumn<QString>("pageKey");
    QTest::addColumn<QString>("target");

    QTest::newRow("number") << "3" << "/jsonoptions?select=3";
    QTest::newRow("query characters") << "a b&c#d+e%f=g"
                                      << "/jsonoptions?select=a%20b%26c%23d%2Be%25f%3Dg";
    QTest::newRow("Cyrillic") << QStringLiteral("сеть") << "/jsonoptions?select=%D1%81%D0%B5%D1%82%D1%8C";
}

void TestOptionPage::requestCarriesTheKey()
{
    QFETCH(QString, pageKey);
    QFETCH(QString, target);

    SimFixture fx;
    fx.sim.setPages(QJsonObject{{pageKey, QJsonObject{{QStringLiteral("v"), 7}}}});
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule());

    QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("page: \"%1\"").arg(pageKey)));
    QVERIFY(session.openPage(pageKey));
    QCOMPARE(fx.sim.requests().last(), target);
    // The module recognised the key: the page arrived and fills the table.
    QCOMPARE(session.rows(), QStringList{"v|3|v|number:7"});
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionPage::answers_data()
{
    QTest::addColumn<ModuleSimulator::Fault>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");   // of the one box; empty: no box
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("tableKept");  // the previous page stays on screen
    QTest::addColumn<bool>("valuesKept"); // pageValues still holds the previous page

    const QString emptyPage = QStringLiteral("Пустая страница");
    const int warning = QMessageBox::Warning;
    QTest::newRow("empty-page text") << Fault::EmptyPageText << 0 << emptyPage << warning << false << true;
    QTest::newRow("null page") << Fault::NullPage << 0 << emptyPage << warning << false << true;
    QTest::newRow("not JSON") << Fault::InvalidJson << 0 << QStringLiteral("Ошибка парсера json!")
                              << int(QMessageBox::Critical) << false << false;
    QTest::newRow("HTTP error") << Fault::HttpStatus << 500 << QStringLiteral("Не удалось загрузить страницу")
                                << warning << true << true;
    QTest::newRow("empty body") << Fault::HttpStatus << 200 << QString() << 0 << false << true;
}

void TestOptionPage::answers()
{
    QFETCH(ModuleSimulator::Fault, fault);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(bool, tableKept);
    QFETCH(bool, valuesKept);

    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule() && session.openPage("2"));
    const QStringList rows = session.rows();
    const QJsonObject values = session.probe->pageValues();

    fx.sim.setBehaviour(Endpoint::Page, Behaviour{fault, status, 0}, "3");
    if (fault == Fault::InvalidJson)
        QTest::ignoreMessage(QtWarningMsg, ModuleSimulator::invalidJsonText().constData());
    QVERIFY(session.openPage("3"));

    QCOMPARE(session.boxTexts(), text.isEmpty() ? QStringList() : QStringList{text});
    if (!text.isEmpty())
        QCOMPARE(int(session.modals.last().icon), icon);
    QCOMPARE(session.rows(), tableKept ? rows : QStringList());
    QCOMPARE(session.probe->pageValues(), valuesKept ? values : QJsonObject());
    QCOMPARE(session.probe->pageKey(), QStringLiteral("3"));
    QVERIFY2(!session.probe->pushButton()->isEnabled(), "the table does not show page 3");
}

void TestOptionPage::olderRepliesNeverReachTheTable()
{
    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule());

    // Pages picked quickly in a row, each answered faster than the one before it.
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 600}, QStringLiteral("1"));
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 300}, QStringLiteral("3"));
    QList<QPointer<QNetworkReply>> older;
    for (const char *key : {"1", "3"}) {
        QVERIFY(session.requestPage(QString::fromLatin1(key)));
        older.append(session.probe->pageReply());
        QVERIFY(older.last());
    }
    QVERIFY(session.openPage("2"));
    const QStringList rows = session.rows();
    QCOMPARE(rows.value(0), kPortsFirstRow);

    // Whatever becomes of the older replies, they are released and the table stays.
    for (const QPointer<QNetworkReply> &reply : older)
        QTRY_VERIFY_WITH_TIMEOUT(reply.isNull(), 5000);
    QCOMPARE(session.rows(), rows);
    QVERIFY(session.probe->pageValues().contains("2"));
    QVERIFY(session.probe->pushButton()->isEnabled());
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionPage::saveFollowsThePageOnScreen()
{
    SimFixture fx;
    QJsonObject pages = fx.sim.pages();
    pages.insert("bare", 5);
    pages.remove("promode");
    fx.sim.setPages(pages, {"1", "2", "bare"});
    ModuleSession session({fx.address()});
    QPushButton *save = session.probe->pushButton();
    QVERIFY2(!save->isEnabled(), "nothing on screen at start-up");

    QVERIFY(session.selectModule(1));
    QVERIFY2(!save->isEnabled(), "a page list is no page");
    QVERIFY(session.openPage("1"));
    QVERIFY(save->isEnabled());
    const QStringList requests = fx.sim.requests();
    const QStringList rows = session.rows();

    // An entry without a page key sends nothing and leaves the page on screen.
    session.probe->listWidget()->addItem(QStringLiteral("no key"));
    QTest::ignoreMessage(QtWarningMsg, "Warning page");
    session.probe->listWidget()->setCurrentRow(session.probe->listWidget()->count() - 1);
    QCOMPARE(fx.sim.requests(), requests);
    QCOMPARE(session.rows(), rows);
    QVERIFY(save->isEnabled());

    // While the next page is on its way the table still shows the previous one.
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 300}, "2");
    QVERIFY(session.requestPage("2"));
    QVERIFY(!save->isEnabled());
    QCOMPARE(session.rows(), rows);
    QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), 5000);
    QCOMPARE(session.rows().first(), kPortsFirstRow);

    // A page whose options are not an object shows no rows, but it is the page on screen.
    QVERIFY(session.openPage("bare"));
    QCOMPARE(session.rows(), QStringList());
    QVERIFY(save->isEnabled());
    QVERIFY(session.modals.records.isEmpty());

    // The service page is listed by the window, not by the module: it is unknown here.
    QVERIFY(session.openPage("promode"));
    QCOMPARE(session.boxTexts(), QStringList{"Не удалось загрузить страницу"});
    QVERIFY(!save->isEnabled());
}

QTEST_MAIN(TestOptionPage)
#include "tst_optionpage.moc"
