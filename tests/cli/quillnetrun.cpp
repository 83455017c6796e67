#include "quillnetrun.h"

#include "core/json/jsontext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kRunTimeoutMs = 60000;

} // namespace

QJsonValue QuillnetRun::json() const
{
    const QJsonDocument document = QJsonDocument::fromJson(out);
    if (document.isObject())
        return document.object();
    if (document.isArray())
        return document.array();
    // A lone value: read as the element of an array.
    return QJsonDocument::fromJson("[" + out + "]").array().at(0);
}

QList<QJsonObject> QuillnetRun::lines() const
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.isEmpty())
            objects.append(QJsonDocument::fromJson(line).object());
    }
    return objects;
}

std::unique_ptr<QProcess> startQuillnet(const QString &dir, const QStringList &args,
                                        const std::function<void(QProcess *)> &prepare)
{
    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(dir);
    if (prepare)
        prepare(process.get());
    process->start(QStringLiteral(QUILLNET_EXECUTABLE), args);
    return process;
}

QuillnetRun runQuillnet(const QString &dir, const QStringList &args, const QByteArray &input,
                        const std::function<void(QProcess *)> &prepare)
{
    qRegisterMetaType<QProcess::ExitStatus>();
    std::unique_ptr<QProcess> process = startQuillnet(dir, args, prepare);
    QSignalSpy finished(process.get(), qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    process->write(input);
    process->closeWriteChannel();
    if (!finished.wait(kRunTimeoutMs)) {
        process->kill();
        process->waitForFinished();
        qWarning("quillnet %s did not finish", qPrintable(args.join(' ')));
    }
    QuillnetRun run;
    run.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    run.out = process->readAllStandardOutput();
    run.err = process->readAllStandardError();
    return run;
}

std::unique_ptr<ModuleSimulator> startModule(const QJsonObject &pages, const QStringList &order)
{
    auto module = std::make_unique<ModuleSimulator>();
    module->setPages(pages, order);
    if (!module->start(QStringLiteral("127.0.0.1"), 0))
        qFatal("Cannot start a simulated module on loopback");
    return module;
}

QString moduleAddress(const ModuleSimulator &module)
{
    return QStringLiteral("127.0.0.1:%1").arg(module.port());
}

QString deadAddress()
{
    ModuleSimulator module;
    if (!module.start(QStringLiteral("127.0.0.1"), 0))
        qFatal("Cannot start a simulated module on loopback");
    const QString address = moduleAddress(module);
    module.stop();
    return address;
}

QJsonObject jsonObject(const QByteArray &text)
{
    QJsonObject object;
    parseJsonObject(text, &object);
    return object;
}

QStringList writtenPages(const ModuleSimulator &module)
{
    QStringList keys;
    for (const QByteArray &document : module.writes())
        keys += jsonObject(document).keys();
    return keys;
}

QString oddKey()
{
    return QStringLiteral("a/b:c#d%e f Я~");
}

QJsonObject samplePages()
{
    return {{"1", QJsonObject{{"port", 80}, {"name", "Boiler"}, {"mode", "2"}, {"speed", 2}, {"en", 1}}},
            {"3",
             QJsonObject{{"period", 30}, {"net", QJsonObject{{"ip", "10.0.0.1"}, {"ch", 6}, {"mode", "1"}}}}},
            {oddKey(), QJsonObject{{oddKey(), "odd"}, {"x", 1}}},
            {"promode", QJsonObject{{"fw", "1.0"}}}};
}

QStringList sampleOrder()
{
    return {"1", "3", oddKey(), "promode"};
}

QByteArray sampleCatalog()
{
    return R"({"sysall":{"select":{"1":"Сеть"}},
               "1":{"mode":{"title":"Режим","type":4,"data":"1=STA,2=AP"},
                    "speed":{"title":"Скорость","type":4,"data":"0=Off,2=Auto"}},
               "3":{"net":{"title":"Сеть","mode":{"title":"Адресация","type":4,"data":"1=Static,2=DHCP"}}}})";
}
