// quillnet-module-sim: a simulated firmware module to try the configurator with. Serves
// the JSON options interface and the descriptions catalog over HTTP and announces itself
// over UDP like a module on the local network.

#include "core/modules/moduleentry.h"
#include "core/modules/modulelistfile.h"
#include "sim/behaviourtext.h"
#include "sim/commandline.h"
#include "sim/moduleannouncer.h"
#include "sim/modulefleet.h"
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

// Lists the simulated modules in the configurator's options.ini, but no address that an
// entry has already, so that the configurator offers them at once.
void addToModuleList(const QString &fileName, const QStringList &addresses)
{
    QStringList modules = readModuleList(fileName);
    // An empty value is no entry yet, not an empty entry to keep.
    if (modules == QStringList{QString()})
        modules.clear();
    QStringList added;
    for (const QString &address : addresses) {
        const bool listed = std::any_of(modules.cbegin(), modules.cend(), [&](const QString &entry) {
            return splitModuleEntry(entry).address == address;
        });
        if (!listed) {
            modules.append(address + QLatin1Char(' ') + kModuleListLabel);
            added.append(address);
        }
    }
    if (!added.isEmpty() && !writeModuleList(fileName, modules))
        fail(QStringLiteral("cannot write %1").arg(fileName));
    const QString what = addresses.size() == 1 ? addresses.first()
                                               : QStringLiteral("the %1 modules %2 to %3")
                                                     .arg(addresses.size())
                                                     .arg(addresses.first(), addresses.last());
    const QString label = addresses.size() == 1 ? kModuleListLabel : QStringLiteral("as ") + kModuleListLabel;
    if (added.isEmpty())
        print(QStringLiteral("%1 already lists %2").arg(fileName, what));
    else if (added.size() == addresses.size())
        print(QStringLiteral("Added %1 %2 to %3").arg(what, label, fileName));
    else
        print(QStringLiteral("Added %1 of %2 %3 to %4; it lists the others already")
                  .arg(added.size())
                  .arg(what, label, fileName));
}

// Gives every endpoint of every module its behaviour from the command line, with the delay
// of --delay where the behaviour has none of its own. Returns the odd ones, as the banner
// lists them.
QStringList applyBehaviours(ModuleFleet *fleet, const SimCommandLine &options)
{
    const int delayMs = options.delayMs();
    QStringList odd;
    const auto setBehaviour = [&](ModuleSimulator::Endpoint endpoint, const QString &what,
                                  ModuleSimulator::Behaviour behaviour, const QString &key) {
        if (behaviour.delayMs == 0)
            behaviour.delayMs = delayMs;
        fleet->setBehaviour(endpoint, behaviour, key);
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

    QList<ModuleFleet::FaultRule> rules = options.faultRules();
    for (ModuleFleet::FaultRule &rule : rules) {
        if (rule.behaviour.delayMs == 0)
            rule.behaviour.delayMs = delayMs;
    }
    fleet->setFaultRules(rules);
    return odd;
}

// Prints every write a module receives, from the event loop of app; in a fleet with the
// module's port.
void printWrites(ModuleFleet *fleet, QCoreApplication *app)
{
    for (int index = 0; index < fleet->size(); ++index) {
        const QString where
            = fleet->size() == 1 ? QString() : QStringLiteral(" on port %1").arg(fleet->module(index).port());
        fleet->module(index).setWriteListener([app, where](const QByteArray &document, bool applied) {
            QMetaObject::invokeMethod(
                app,
                [document, applied, where] {
                    print(QStringLiteral("Write %1%2: %3")
                              .arg(applied ? QStringLiteral("merged") : QStringLiteral("refused"), where,
                                   QString::fromUtf8(document)));
                },
                Qt::QueuedConnection);
        });
    }
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
        .arg(QString::fromLatin1(ModuleAnnouncer::datagram()), announcements.host,
             QString::number(announcements.port), QString::number(announcements.intervalSeconds));
}

// Which modules of the fleet have which fault: how many, and the first ports.
QString faultsLine(const ModuleFleet &fleet, const QList<ModuleFleet::FaultRule> &rules)
{
    const int shownPorts = 3;
    QStringList faults;
    for (int rule = 0; rule < rules.size(); ++rule) {
        QStringList ports;
        for (int number = 1; number <= fleet.size(); ++number) {
            if (fleet.faultRuleOf(number) == rule)
                ports.append(QString::number(fleet.module(number - 1).port()));
        }
        QString fault = QStringLiteral("%1 on %2 of %3 modules")
                            .arg(faultText(rules.at(rule)))
                            .arg(ports.size())
                            .arg(fleet.size());
        if (ports.size() > shownPorts)
            ports = ports.mid(0, shownPorts) << QStringLiteral("...");
        if (!ports.isEmpty())
            fault += QStringLiteral(" (ports %1)").arg(ports.join(QStringLiteral(", ")));
        faults.append(fault);
    }
    return QStringLiteral("Faults: ") + faults.join(QStringLiteral("; "));
}

// What the simulator serves, where, and how it answers: one module's addresses, or a fleet's
// first and last port.
void printBanner(const ModuleFleet &fleet, const QString &address, const SimCommandLine &options,
                 const QStringList &oddAnswers, const QString &announcementsLine)
{
    const bool one = fleet.size() == 1;
    const QString base = QStringLiteral("http://%1:%2")
                             .arg(address, one ? QString::number(fleet.firstPort()) : QStringLiteral("PORT"));
    print(one ? QStringLiteral("Simulated module at %1").arg(base)
              : QStringLiteral("Simulated modules: %1 at %2, PORT from %3 to %4")
                    .arg(QString::number(fleet.size()), base, QString::number(fleet.firstPort()),
                         QString::number(fleet.lastPort())));
    print(QStringLiteral("  page list     %1/jsonoptions?select=0").arg(base));
    print(QStringLiteral("  pages         %1/jsonoptions?select=KEY   KEY: %2")
              .arg(base, fleet.module(0).pages().keys().join(QStringLiteral(", "))));
    print(QStringLiteral("  write         %1/jsonoptions?write=DOC").arg(base));
    print(QStringLiteral("  descriptions  %1/api/app/init.json").arg(base));
    print(QStringLiteral("Pages file:   %1").arg(QDir::cleanPath(options.pagesFile())));
    print(QStringLiteral("Catalog file: %1").arg(QDir::cleanPath(options.catalogFile())));
    print(oddAnswers.isEmpty() ? QStringLiteral("Answers: normal")
                               : QStringLiteral("Answers: ") + oddAnswers.join(QStringLiteral("; ")));
    const QList<ModuleFleet::FaultRule> rules = options.faultRules();
    if (!rules.isEmpty())
        print(faultsLine(fleet, rules));
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
    const int modules = options.modules();
    if (options.addsToModuleList()) {
        if (port == 0)
            fail(QStringLiteral("--add-to-module-list needs a fixed --port"));
        QStringList addresses;
        for (int index = 0; index < modules; ++index)
            addresses.append(QStringLiteral("%1:%2").arg(address, QString::number(port + index)));
        addToModuleList(options.moduleListFile(), addresses);
        return 0;
    }

    ModuleFleet fleet(modules);
    QString error;
    if (!fleet.loadFiles(options.pagesFile(), options.catalogFile(), &error))
        fail(error);
    const QStringList oddAnswers = applyBehaviours(&fleet, options);
    if (!fleet.start(address, port)) {
        fail(modules == 1 ? QStringLiteral("cannot listen on %1:%2").arg(address, QString::number(port))
                          : QStringLiteral("cannot listen on %1 consecutive ports from %2:%3")
                                .arg(QString::number(modules), address, QString::number(port)));
    }
    printWrites(&fleet, &app);

    ModuleAnnouncer announcer;
    const QString announcementsLine = startAnnouncing(&announcer, options.announcements());
    printBanner(fleet, address, options, oddAnswers, announcementsLine);

    quitOnSignals(&app);
    const int code = QCoreApplication::exec();
    announcer.stop();
    for (int index = 0; index < fleet.size(); ++index)
        fleet.module(index).setWriteListener({});
    fleet.stop();
    return code;
}
