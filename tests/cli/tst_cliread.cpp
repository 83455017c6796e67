// quillnet modules, pages and get: what a module and the module list hold, read-only.

#include "quillnetrun.h"

#include "core/modules/modulelistfile.h"
#include "support/testworkdir.h"

#include <QtTest>

class TestCliRead : public QObject
{
    Q_OBJECT

private slots:
    void modules_data();
    void modules();
    void pages_data();
    void pages();
    void get_data();
    void get();
    void getTableShowsLabels();
    void outsideTextsEscaped_data();
    void outsideTextsEscaped();
};

void TestCliRead::modules_data()
{
    QTest::addColumn<QStringList>("entries"); // none: no options.ini
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QJsonArray>("listed");
    QTest::newRow("address and label; an empty address names no module")
        << QStringList{"10.0.0.1", "10.0.0.2 Boiler", " 10.0.0.3", "10.0.0.4:8080 Котельная"} << 0
        << QJsonArray{QJsonObject{{"address", "10.0.0.1"}, {"label", "10.0.0.1"}},
                      QJsonObject{{"address", "10.0.0.2"}, {"label", "Boiler"}},
                      QJsonObject{{"address", "10.0.0.4:8080"}, {"label", "Котельная"}}};
    QTest::newRow("no module list file") << QStringList() << 2 << QJsonArray();
}

void TestCliRead::modules()
{
    QFETCH(QStringList, entries);
    QFETCH(int, exitCode);
    QFETCH(QJsonArray, listed);
    TestWorkDir dir;
    if (!entries.isEmpty())
        QVERIFY(writeModuleList(dir.filePath(kModuleListFileName), entries));
    const QuillnetRun run = runQuillnet(dir.path(), {"modules"});
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0)
        QCOMPARE(run.json(), QJsonValue(listed));
}

void TestCliRead::pages_data()
{
    QTest::addColumn<bool>("withCatalog");
    QTest::addColumn<int>("listAnswer"); // ModuleSimulator::Fault
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QJsonArray>("listed");
    using F = ModuleSimulator::Fault;
    QTest::newRow("titles from the catalog, promode last")
        << true << int(F::None) << 0
        << QJsonArray{QJsonObject{{"key", "1"}, {"title", "Сеть"}}, QJsonObject{{"key", "3"}},
                      QJsonObject{{"key", oddKey()}}, QJsonObject{{"key", "promode"}}};
    QTest::newRow("keys only without a catalog")
        << false << int(F::None) << 0
        << QJsonArray{QJsonObject{{"key", "1"}}, QJsonObject{{"key", "3"}}, QJsonObject{{"key", oddKey()}},
                      QJsonObject{{"key", "promode"}}};
    QTest::newRow("no options interface") << true << int(F::PlainError404) << 4 << QJsonArray();
    QTest::newRow("a page list that never comes") << true << int(F::Hang) << 4 << QJsonArray();
}

void TestCliRead::pages()
{
    QFETCH(bool, withCatalog);
    QFETCH(int, listAnswer);
    QFETCH(int, exitCode);
    QFETCH(QJsonArray, listed);
    TestWorkDir dir;
    if (withCatalog)
        dir.writeFile("description.json", sampleCatalog());
    auto module = startModule(samplePages(), sampleOrder());
    module->setBehaviour(ModuleSimulator::Endpoint::PageList, {ModuleSimulator::Fault(listAnswer)});
    const QuillnetRun run = runQuillnet(dir.path(), {"--timeout", "0.5", "pages", moduleAddress(*module)});
    QCOMPARE(run.exitCode, exitCode);
    // Said once that the labels are missing.
    QCOMPARE(run.err.count("no catalog description.json"), withCatalog ? 0 : 1);
    if (exitCode == 0)
        QCOMPARE(run.json(), QJsonValue(listed));
    else
        QVERIFY2(run.err.contains(moduleAddress(*module).toUtf8()), run.err);
}

void TestCliRead::get_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QJsonValue>("value");
    const QJsonObject pages = samplePages();
    QJsonObject options;
    for (const QString &key : pages.keys())
        options.insert(key, pages.value(key).toObject());
    const QString odd = "a~1b:c#d%e f Я~0"; // oddKey() escaped
    QTest::newRow("every page") << "" << 0 << QJsonValue(options);
    QTest::newRow("a page") << "3" << 0 << pages.value("3");
    QTest::newRow("an option keeps its type") << "1/port" << 0 << QJsonValue(80);
    QTest::newRow("a group") << "3/net" << 0 << pages.value("3").toObject().value("net");
    QTest::newRow("a member") << "3/net/ip" << 0 << QJsonValue("10.0.0.1");
    QTest::newRow("keys with / : # % blanks Cyrillic and ~ reach the module intact")
        << odd + "/" + odd << 0 << QJsonValue("odd");
    QTest::newRow("a page the module does not list") << "9/x" << 2 << QJsonValue();
    QTest::newRow("an option the page lacks") << "1/nope" << 2 << QJsonValue();
    QTest::newRow("a member of an option that is no group") << "1/port/x" << 2 << QJsonValue();
    QTest::newRow("an escape that is none") << "1/a~2" << 2 << QJsonValue();
    QTest::newRow("a path too deep") << "3/net/ip/x" << 2 << QJsonValue();
}

void TestCliRead::get()
{
    QFETCH(QString, path);
    QFETCH(int, exitCode);
    QFETCH(QJsonValue, value);
    TestWorkDir dir;
    auto module = startModule(samplePages(), sampleOrder());
    QStringList args{"-o", "json", "get", moduleAddress(*module)};
    if (!path.isEmpty())
        args.append(path);
    const QuillnetRun run = runQuillnet(dir.path(), args);
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0)
        QCOMPARE(run.json(), value);
    else
        QVERIFY2(run.out.isEmpty() && !run.err.isEmpty(), run.err);
    QVERIFY(module->writes().isEmpty());
}

// Labels from the catalog, a choice's label beside its value, a member under its group.
void TestCliRead::getTableShowsLabels()
{
    TestWorkDir dir;
    dir.writeFile("description.json", sampleCatalog());
    auto module = startModule(samplePages(), sampleOrder());
    const QuillnetRun run = runQuillnet(dir.path(), {"-o", "table", "get", moduleAddress(*module), "3"});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.value(0).simplified(), QByteArray("PATH LABEL VALUE"));
    QVERIFY2(lines.contains("3/net/mode  Сеть / Адресация  1 (Static)"), run.out);
    QVERIFY2(lines.contains("3/period    period            30"), run.out);

    const QuillnetRun single
        = runQuillnet(dir.path(), {"-o", "jsonl", "get", moduleAddress(*module), "1/speed"});
    QCOMPARE(single.lines(),
             (QList<QJsonObject>{{{"path", "1/speed"}, {"label", "Скорость"}, {"value", 2}}}));
}

// Keys, values and catalog titles with terminal commands in them, "%1" and "%2" among them:
// every output format and every message shows them escaped, and no message is garbled.
void TestCliRead::outsideTextsEscaped_data()
{
    QTest::addColumn<QStringList>("args"); // MODULE: the module's address
    QTest::addColumn<bool>("pageFails"); // the hostile page answers HTTP status 500
    QTest::addColumn<QByteArrayList>("shown"); // on standard output, or error with pageFails
    const QByteArray key = R"(%1\u001b[2J\u009b\u007f)";
    const QByteArray option = R"(\u001b]0;t\u0007%2)";
    const QByteArray title = R"(T\u001b[31m)";
    for (const char *format : {"table", "json", "jsonl"}) {
        QTest::addRow("pages -o %s", format)
            << QStringList{"-o", format, "pages", "MODULE"} << false << QByteArrayList{key, title};
        QTest::addRow("get -o %s", format) << QStringList{"-o", format, "get", "MODULE"} << false
                                           << QByteArrayList{key, option, R"(v\r\n\t)"};
    }
    QTest::newRow("the error line of a page that failed")
        << QStringList{"get", "MODULE"} << true
        << QByteArrayList{"page \"" + key + "\": the module answered with HTTP status 500"};
}

void TestCliRead::outsideTextsEscaped()
{
    QFETCH(QStringList, args);
    QFETCH(bool, pageFails);
    QFETCH(QByteArrayList, shown);
    const QString key = QStringLiteral("%1\u001b[2J") + QChar(0x9b) + QChar(0x7f);
    const QString option = QStringLiteral("\u001b]0;t\u0007%2");
    TestWorkDir dir;
    dir.writeFile(
        "description.json",
        QJsonDocument(QJsonObject{{"sysall", QJsonObject{{"select", QJsonObject{{key, "T\u001b[31m"}}}}},
                                  {key, QJsonObject{{option, QJsonObject{{"title", "L\u001b[1m"}}}}}})
            .toJson());
    auto module = startModule({{key, QJsonObject{{option, "v\r\n\t"}}}, {"promode", QJsonObject()}},
                              {key, "promode"});
    if (pageFails)
        module->setBehaviour(ModuleSimulator::Endpoint::Page, {ModuleSimulator::Fault::HttpStatus}, key);
    args.replaceInStrings(QRegularExpression("^MODULE$"), moduleAddress(*module));
    const QuillnetRun run = runQuillnet(dir.path(), args);
    QCOMPARE(run.exitCode, pageFails ? 3 : 0);
    static const QRegularExpression raw(QStringLiteral("[\\x00-\\x09\\x0b-\\x1f\\x7f-\\x9f]"));
    QVERIFY2(!QString::fromUtf8(run.out + run.err).contains(raw), run.out + run.err);
    for (const QByteArray &text : shown)
        QVERIFY2((pageFails ? run.err : run.out).contains(text), pageFails ? run.err : run.out);
}

QTEST_GUILESS_MAIN(TestCliRead)
#include "tst_cliread.moc"
