// quillnet-module-sim: a simulated firmware module to try the configurator with. Serves
// the JSON options interface and the descriptions catalog over HTTP and announces itself
// over UDP like a module on the local network.

#include "modules/moduleentry.h"
#include "modules/modulelistfile.h"
#include "sim/behaviourtext.h"
#include "sim/commandline.h"
#include "sim/moduleannouncer.h"
#include "sim/modulesimulator.h"
#include "sim/quitonsignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QHostAddress>
#include <QStringList>

#include <algorithm>
#include <memory>

namespace {

// How the simulator is listed in the configurator's module list: one word, since the list
// shows only the first word after the address.
const QString kModuleListLabel = QStringLiteral("Simulator");

// Lists the simulator in the configurator's options.ini unless an entry already has its
// address, so that the configurator offers it at once.
void addToModuleList(const QString &fileName, const QString &address)
{
    QStringList modules = readModuleList(fileName);
    // An empty value is no entry yet, not an empty entry to keep.
    if (modules == QStringList{QString()})
        modules.clear();
    const bool listed = std::any_of(modules.cbegin(), modules.cend(), [&](const QString &entry) {
        return splitModuleEntry(entry).address == address;
    });
    if (listed) {
        print(QStringLiteral("%1 already lists %2").arg(fileName, address));
        return;
    }
    modules.append(address + QLatin1Char(' ') + kModuleListLabel);
    if (!writeModuleList(fileName, modules))
        fail(QStringLiteral("cannot write %1").arg(fileName));
    print(QStringLiteral("Added %1 %2 to %3").arg(address, kModuleListLabel, fileName));
}

// Gives every endpoint its behaviour from the command line, with the delay of --delay where
// the behaviour has none of its own. Returns the odd ones, as the banner lists them.
QStringList applyBehaviours(ModuleSimulator *sim, const SimCommandLine &options)
{
    const int delayMs = options.delayMs();
    QStringList odd;
    const auto setBehaviour = [&](ModuleSimulator::Endpoint endpoint, const QString &what,
                                  ModuleSimulator::Behaviour behaviour, const QString &key) {
        if (behaviour.delayMs == 0)
            behaviour.delayMs = delayMs;
        sim->setBehaviour(endpoint, behaviour, key);
        if (behaviour.fault != ModuleSimulator::Fault::None || behaviour.delayMs > 0)
            odd.append(QStringLiteral("%1: %2").arg(what, behaviourText(behaviour)));
    };
    using Endpoint = ModuleSimulator::Endpoint;
    setBehaviour(Endpoint::PageList, QStringLiteral("page list"), options.pageListAnswer(), {});
    setBehaviour(Endpoint::Write, QStringLiteral("writes"), options.writeAnswer(), {});
    setBehaviour(Endpoint::Catalog, QStringLiteral("catalog"), options.catalogAnswer(), {});
    bool everyPageSet = false;
    for (const SimCommandLine::PageAnswer &answer : options.pageAnswers()) {
        everyPageSet = everyPageSet || answer.key.isEmpty();
        setBehaviour(Endpoint::Page,
                     answer.key.isEmpty() ? QStringLiteral("every page")
                                          : QStringLiteral("page ") + answer.key,
                     answer.behaviour, answer.key);
    }
    if (!everyPageSet)
        setBehaviour(Endpoint::Page, QStringLiteral("every page"), {}, {});
    return odd;
}

// Prints every write the simulator receives, from the event loop of app.
void printWrites(ModuleSimulator *sim, QCoreApplication *app)
{
    sim->setWriteListener([app](const QByteArray &document, bool applied) {
        QMetaObject::invokeMethod(
            app,
            [document, applied] {
                print(QStringLiteral("%1 %2").arg(applied ? QStringLiteral("Write merged:")
                                                          : QStringLiteral("Write refused:"),
                                                  QString::fromUtf8(document)));
            },
            Qt::QueuedConnection);
    });
}

// Starts the announcements the command line asks for; returns the banner's line about them.
QString startAnnouncing(ModuleAnnouncer *announcer, const SimCommandLine::Announcements &announcements)
{
    if (!announcements.on)
        return QStringLiteral("Announcements: off");
    // The first failure is reported, not one a second.
    auto reported = std::make_shared<bool>(false);
    QObject::connect(announcer, &ModuleAnnouncer::sendFailed, announcer, [reported](const QString &why) {
        if (!*reported)
            print(QStringLiteral("Announcement not sent: %1").arg(why));
        *reported = true;
    });
    announcer->start(QHostAddress(announcements.host), announcements.port,
                     announcements.intervalSeconds * 1000);
    return QStringLiteral("Announcements: \"%1\" to %2:%3 every %4 s")
        .arg(QString::fromLatin1(ModuleAnnouncer::datagram()), announcements.host)
        .arg(announcements.port)
        .arg(announcements.intervalSeconds);
}

// What the simulator serves, where, and how it answers.
void printBanner(const ModuleSimulator &sim, const QString &address, const SimCommandLine &options,
                 const QStringList &oddAnswers, const QString &announcementsLine)
{
    const QString base = QStringLiteral("http://%1:%2").arg(address).arg(sim.port());
    print(QStringLiteral("Simulated module at %1").arg(base));
    print(QStringLiteral("  page list     %1/jsonoptions?select=0").arg(base));
    print(QStringLiteral("  pages         %1/jsonoptions?select=KEY   KEY: %2")
              .arg(base, sim.pages().keys().join(QStringLiteral(", "))));
    print(QStringLiteral("  write         %1/jsonoptions?write=DOC").arg(base));
    print(QStringLiteral("  descriptions  %1/api/app/init.json").arg(base));
    print(QStringLiteral("Pages file:   %1").arg(QDir::cleanPath(options.pagesFile())));
    print(QStringLiteral("Catalog file: %1").arg(QDir::cleanPath(options.catalogFile())));
    print(oddAnswers.isEmpty() ? QStringLiteral("Answers: normal")
                               : QStringLiteral("Answers: ") + oddAnswers.join(QStringLiteral("; ")));
    print(announcementsLine);
    print(QStringLiteral("Stop with Ctrl+C."));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillnet-module-sim"));
    const SimCommandLine options(app);

    const QString address = options.address();
    const int port = options.port();
    if (options.addsToModuleList()) {
        if (port == 0)
            fail(QStringLiteral("--add-to-module-list needs a fixed --port"));
        addToModuleList(options.moduleListFile(), QStringLiteral("%1:%2").arg(address).arg(port));
        return 0;
    }

    ModuleSimulator sim;
    QString error;
    if (!sim.loadFiles(options.pagesFile(), options.catalogFile(), &error))
        fail(error);
    const QStringList oddAnswers = applyBehaviours(&sim, options);
    if (!sim.start(address, port))
        fail(QStringLiteral("cannot listen on %1:%2").arg(address).arg(port));
    printWrites(&sim, &app);

    ModuleAnnouncer announcer;
    const QString announcementsLine = startAnnouncing(&announcer, options.announcements());
    printBanner(sim, address, options, oddAnswers, announcementsLine);

    quitOnSignals(&app);
    const int code = QCoreApplication::exec();
    announcer.stop();
    sim.setWriteListener({});
    sim.stop();
    return code;
}
