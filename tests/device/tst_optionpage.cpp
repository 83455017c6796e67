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
    void itemWithoutKeySendsNothing();
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
    QTest::newRow("promode") << "promode" << "/jsonoptions?select=promode";
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
    QCOMPARE(session.probe->pageKey(), pageKey);
    // The module recognised the key: the page arrived and fills the table.
    QCOMPARE(session.rows(), QStringList{"v|3|v|number:7"});
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionPage::answers_data()
{
    QTest::addColumn<ModuleSimulator::Fault>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");          // of the one box; empty: no box
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("tableKept");        // the previous page stays on screen
    QTest::addColumn<bool>("valuesKept");       // pageValues still holds the previous page

    QTest::newRow("empty-page text") << Fault::EmptyPageText << 0 << QStringLiteral("Пустая страница")
                                     << int(QMessageBox::Warning) << false << true;
    QTest::newRow("null page") << Fault::NullPage << 0 << QStringLiteral("Пустая страница")
                               << int(QMessageBox::Warning) << false << true;
    QTest::newRow("not JSON") << Fault::InvalidJson << 0 << QStringLiteral("Ошибка парсера json!")
                              << int(QMessageBox::Critical) << false << false;
    QTest::newRow("HTTP error") << Fault::HttpStatus << 500 << QStringLiteral("Не удалось загрузить страницу")
                                << int(QMessageBox::Warning) << true << true;
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
    QVERIFY(session.selectModule());
    QVERIFY(session.openPage(QStringLiteral("2")));
    const QStringList rows = session.rows();
    const QJsonObject values = session.probe->pageValues();
    QCOMPARE(rows.first(), kPortsFirstRow);

    fx.sim.setBehaviour(Endpoint::Page, Behaviour{fault, status, 0}, QStringLiteral("3"));
    if (fault == Fault::InvalidJson)
        QTest::ignoreMessage(QtWarningMsg, ModuleSimulator::invalidJsonText().constData());
    QVERIFY(session.openPage(QStringLiteral("3")));

    if (text.isEmpty()) {
        QVERIFY(session.modals.records.isEmpty());
    } else {
        QCOMPARE(session.modals.count(), 1);
        const ModalRecord &box = session.modals.last();
        QCOMPARE(box.title, QStringLiteral("Ошибка"));
        QCOMPARE(box.text, text);
        QCOMPARE(int(box.icon), icon);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(box.hasParent);
    }
    QCOMPARE(session.rows(), tableKept ? rows : QStringList());
    QCOMPARE(session.probe->pageValues(), valuesKept ? values : QJsonObject());
    QCOMPARE(session.probe->pageKey(), QStringLiteral("3"));
    QVERIFY2(!session.probe->pushButton()->isEnabled(), "the table does not show page 3");
}

void TestOptionPage::itemWithoutKeySendsNothing()
{
    SimFixture fx;
    ModuleSession session({fx.address()});
    QVERIFY(session.selectModule());
    QVERIFY(session.openPage(QStringLiteral("1")));
    const QStringList requests = fx.sim.requests();
    const QStringList rows = session.rows();

    auto *item = new QListWidgetItem(QStringLiteral("no key"));
    session.probe->listWidget()->addItem(item);
    QTest::ignoreMessage(QtWarningMsg, "Warning page");
    session.probe->listWidget()->setCurrentItem(item);

    QCOMPARE(session.probe->pageReply(), nullptr);
    QCOMPARE(fx.sim.requests(), requests);
    QCOMPARE(session.probe->pageKey(), QStringLiteral("1"));
    QCOMPARE(session.rows(), rows);
    QVERIFY(session.probe->pushButton()->isEnabled());
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
    QVERIFY(session.openPage(QStringLiteral("2")));
    QCOMPARE(session.rows().first(), kPortsFirstRow);

    // Whatever becomes of the older replies, they are released and the table stays.
    for (const QPointer<QNetworkReply> &reply : older)
        QTRY_VERIFY_WITH_TIMEOUT(reply.isNull(), 5000);
    QCOMPARE(session.rows().size(), 5);
    QCOMPARE(session.rows().first(), kPortsFirstRow);
    QCOMPARE(session.probe->pageKey(), QStringLiteral("2"));
    QVERIFY(session.probe->pageValues().contains(QStringLiteral("2")));
    QVERIFY(session.probe->pushButton()->isEnabled());
    QVERIFY(session.modals.records.isEmpty());
}

void TestOptionPage::saveFollowsThePageOnScreen()
{
    SimFixture fx;
    QJsonObject pages = fx.sim.pages();
    pages.insert(QStringLiteral("bare"), 5);
    pages.remove(QStringLiteral("promode"));
    fx.sim.setPages(pages, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("bare")});
    ModuleSession session({fx.address() + " first", fx.address() + " second"});
    QPushButton *save = session.probe->pushButton();
    QVERIFY2(!save->isEnabled(), "nothing on screen at start-up");

    QVERIFY(session.selectModule(1));
    QVERIFY(!save->isEnabled());
    QVERIFY(session.openPage(QStringLiteral("1")));
    QVERIFY(save->isEnabled());

    // While the next page is on its way the table still shows the previous one.
    fx.sim.setBehaviour(Endpoint::Page, Behaviour{Fault::None, 0, 300}, QStringLiteral("2"));
    QVERIFY(session.requestPage(QStringLiteral("2")));
    QVERIFY(!save->isEnabled());
    QCOMPARE(session.rows().size(), 8);
    QTRY_VERIFY_WITH_TIMEOUT(save->isEnabled(), 5000);
    QCOMPARE(session.rows().first(), kPortsFirstRow);

    // A page whose options are not an object shows no rows, but it is the page on screen.
    QVERIFY(session.openPage(QStringLiteral("bare")));
    QCOMPARE(session.rows(), QStringList());
    QVERIFY(save->isEnabled());
    QVERIFY(session.modals.records.isEmpty());

    // The service page is listed by the window, not by the module: it is unknown here.
    QVERIFY(session.openPage(QStringLiteral("promode")));
    QCOMPARE(session.modals.count(), 1);
    QCOMPARE(session.modals.last().text, QStringLiteral("Не удалось загрузить страницу"));
    QVERIFY(!save->isEnabled());

    QVERIFY(session.openPage(QStringLiteral("1")));
    QVERIFY(save->isEnabled());
    session.probe->comboBox()->setCurrentIndex(2);
    QVERIFY(!save->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(session.probe->comboBox()->isEnabled(), 5000);
    QVERIFY(!save->isEnabled());
}

QTEST_MAIN(TestOptionPage)
#include "tst_optionpage.moc"
