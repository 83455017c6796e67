// quillnet-module-sim: a simulated firmware module to try the configurator with. Serves
// the JSON options interface and the descriptions catalog over HTTP and announces itself
// over UDP like a module on the local network.

#include "modules/discovery.h"
#include "modules/moduleentry.h"
#include "modules/modulelistfile.h"
#include "sim/behaviourtext.h"
#include "sim/moduleannouncer.h"
#include "sim/modulesimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QStringList>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const int kDefaultAnnounceSeconds = 3;
// How the simulator is listed in the configurator's module list: one word, since the list
// shows only the first word after the address.
const QString kModuleListLabel = QStringLiteral("Simulator");

void print(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString &message)
{
    std::fputs(QStringLiteral("quillnet-module-sim: %1\n").arg(message).toUtf8().constData(), stderr);
    std::exit(1);
}

// "HOST:PORT" or "HOST" (port 80, as a module is reached).
bool splitHostPort(const QString &text, QString *host, int *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        *host = text;
        *port = 80;
        return !host->isEmpty();
    }
    bool ok = false;
    *host = text.left(colon);
    *port = text.mid(colon + 1).toInt(&ok);
    return ok && !host->isEmpty() && *port >= 0 && *port <= 65535;
}

// Ctrl+C and SIGTERM reach the event loop through a socket pair, since a signal handler
// may do nothing but write a byte.
int signalPipe[2];

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void quitOnSignals(QCoreApplication *app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        fail(QStringLiteral("cannot set up signal handling"));
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [notifier] {
        notifier->setEnabled(false);
        print(QStringLiteral("Stopping."));
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

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

ModuleSimulator::Behaviour behaviourOption(const QCommandLineParser &parser, const QString &name)
{
    ModuleSimulator::Behaviour behaviour;
    QString error;
    if (parser.isSet(name) && !parseBehaviour(parser.value(name), &behaviour, &error))
        fail(QStringLiteral("--%1: %2").arg(name, error));
    return behaviour;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillnet-module-sim"));

    QString defaultAddress;
    int defaultPort = 0;
    splitHostPort(QStringLiteral(QUILLNET_SIM_DEFAULT_HOST), &defaultAddress, &defaultPort);
    const QString dataDir = QStringLiteral(QUILLNET_SIM_DATA_DIR);
    const QString defaultAnnounceTarget = QStringLiteral("127.0.0.1:%1").arg(kDiscoveryPort);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Quillnet firmware module. Serves over HTTP:\n"
        "  /jsonoptions?select=0     the page list {\"select\":[page keys]}\n"
        "  /jsonoptions?select=KEY   the page {\"KEY\":{options}} (404 for a page it has not)\n"
        "  /jsonoptions?write=DOC    merges the page objects of the JSON object DOC into its\n"
        "                            pages, answers OK (400 when DOC is not a JSON object)\n"
        "  /api/app/init.json        the descriptions catalog\n"
        "and announces itself with UDP datagrams \"UQuillnet-sim\".\n"
        "\n"
        "BEHAVIOUR makes an answer odd, like broken firmware does:\n"
        "  ok              the normal answer\n"
        "  error404        the text \"Error 404\" with status 200\n"
        "  empty           the empty-page text {\"KEY\":}} with status 200\n"
        "  null            the text {\"null\"} with status 200\n"
        "  status:CODE     an empty body with HTTP status CODE (200-599)\n"
        "  invalid-json    a body that is not JSON, status 200\n"
        "  hang            never answer (until the simulator stops)\n"
        "optionally followed by \",delay:MS\" to answer MS milliseconds late, or \"delay:MS\"\n"
        "alone. Example: --page-answer 3:empty --page-list-answer hang --delay 500"));
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("address"),
         QStringLiteral("HTTP address to listen on (default %1).").arg(defaultAddress),
         QStringLiteral("ADDR"), defaultAddress},
        {QStringLiteral("port"),
         QStringLiteral("HTTP port (default %1; 0 picks a free port).").arg(defaultPort),
         QStringLiteral("PORT"), QString::number(defaultPort)},
        {QStringLiteral("pages"),
         QStringLiteral("Pages file {\"order\":[keys],\"pages\":{KEY:{options}}} (default %1).")
             .arg(QDir(dataDir).filePath(QStringLiteral("pages.json"))),
         QStringLiteral("FILE"), QDir(dataDir).filePath(QStringLiteral("pages.json"))},
        {QStringLiteral("catalog"),
         QStringLiteral("Descriptions catalog file served as /api/app/init.json (default %1).")
             .arg(QDir(dataDir).filePath(QStringLiteral("catalog.json"))),
         QStringLiteral("FILE"), QDir(dataDir).filePath(QStringLiteral("catalog.json"))},
        {QStringLiteral("page-list-answer"), QStringLiteral("How to answer /jsonoptions?select=0."),
         QStringLiteral("BEHAVIOUR")},
        {QStringLiteral("page-answer"),
         QStringLiteral("How to answer /jsonoptions?select=KEY; without \"KEY:\" for every page "
                        "without one of its own. May be repeated."),
         QStringLiteral("[KEY:]BEHAVIOUR")},
        {QStringLiteral("write-answer"),
         QStringLiteral("How to answer /jsonoptions?write=DOC (a write with any fault is not "
                        "merged)."),
         QStringLiteral("BEHAVIOUR")},
        {QStringLiteral("catalog-answer"), QStringLiteral("How to answer /api/app/init.json."),
         QStringLiteral("BEHAVIOUR")},
        {QStringLiteral("delay"),
         QStringLiteral("Answer every request MS milliseconds late, unless its BEHAVIOUR has a "
                        "delay of its own."),
         QStringLiteral("MS")},
        {QStringLiteral("announce-to"),
         QStringLiteral("Where to send the UDP announcements (default %1, the configurator's "
                        "discovery port).")
             .arg(defaultAnnounceTarget),
         QStringLiteral("HOST:PORT"), defaultAnnounceTarget},
        {QStringLiteral("announce-every"),
         QStringLiteral("Seconds between announcements (default %1).").arg(kDefaultAnnounceSeconds),
         QStringLiteral("SECONDS"), QString::number(kDefaultAnnounceSeconds)},
        {QStringLiteral("no-announce"), QStringLiteral("Send no announcements.")},
        {QStringLiteral("add-to-module-list"),
         QStringLiteral("Add ADDR:PORT to the configurator's module list in FILE (its "
                        "options.ini) unless it lists that address already, then exit "
                        "without serving."),
         QStringLiteral("FILE")},
    };
    parser.addOptions(options);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument %1; see --help").arg(parser.positionalArguments().first()));

    const QString address = parser.value(QStringLiteral("address"));
    bool portOk = false;
    const int port = parser.value(QStringLiteral("port")).toInt(&portOk);
    if (!portOk || port < 0 || port > 65535)
        fail(QStringLiteral("--port needs a number from 0 to 65535"));
    if (parser.isSet(QStringLiteral("add-to-module-list"))) {
        if (port == 0)
            fail(QStringLiteral("--add-to-module-list needs a fixed --port"));
        addToModuleList(parser.value(QStringLiteral("add-to-module-list")),
                        QStringLiteral("%1:%2").arg(address).arg(port));
        return 0;
    }

    ModuleSimulator sim;
    QString error;
    const QString pagesFile = parser.value(QStringLiteral("pages"));
    const QString catalogFile = parser.value(QStringLiteral("catalog"));
    if (!sim.loadFiles(pagesFile, catalogFile, &error))
        fail(error);

    int delayMs = 0;
    if (parser.isSet(QStringLiteral("delay"))) {
        bool ok = false;
        delayMs = parser.value(QStringLiteral("delay")).toInt(&ok);
        if (!ok || delayMs < 0)
            fail(QStringLiteral("--delay needs milliseconds"));
    }
    const auto withDelay = [delayMs](ModuleSimulator::Behaviour behaviour) {
        if (behaviour.delayMs == 0)
            behaviour.delayMs = delayMs;
        return behaviour;
    };
    QStringList odd;
    const auto setBehaviour = [&](ModuleSimulator::Endpoint endpoint, const QString &what,
                                  const ModuleSimulator::Behaviour &given, const QString &key) {
        const ModuleSimulator::Behaviour behaviour = withDelay(given);
        sim.setBehaviour(endpoint, behaviour, key);
        if (behaviour.fault != ModuleSimulator::Fault::None || behaviour.delayMs > 0)
            odd.append(QStringLiteral("%1: %2").arg(what, behaviourText(behaviour)));
    };
    using Endpoint = ModuleSimulator::Endpoint;
    setBehaviour(Endpoint::PageList, QStringLiteral("page list"),
                 behaviourOption(parser, QStringLiteral("page-list-answer")), {});
    setBehaviour(Endpoint::Write, QStringLiteral("writes"),
                 behaviourOption(parser, QStringLiteral("write-answer")), {});
    setBehaviour(Endpoint::Catalog, QStringLiteral("catalog"),
                 behaviourOption(parser, QStringLiteral("catalog-answer")), {});
    bool everyPageSet = false;
    for (const QString &text : parser.values(QStringLiteral("page-answer"))) {
        QString key;
        ModuleSimulator::Behaviour behaviour;
        if (!parsePageBehaviour(text, &key, &behaviour, &error))
            fail(QStringLiteral("--page-answer: %1").arg(error));
        everyPageSet = everyPageSet || key.isEmpty();
        setBehaviour(Endpoint::Page,
                     key.isEmpty() ? QStringLiteral("every page") : QStringLiteral("page ") + key, behaviour,
                     key);
    }
    if (!everyPageSet)
        setBehaviour(Endpoint::Page, QStringLiteral("every page"), {}, {});

    if (!sim.start(address, port))
        fail(QStringLiteral("cannot listen on %1:%2").arg(address).arg(port));

    sim.setWriteListener([&app](const QByteArray &document, bool applied) {
        QMetaObject::invokeMethod(
            &app,
            [document, applied] {
                print(QStringLiteral("%1 %2").arg(applied ? QStringLiteral("Write merged:")
                                                          : QStringLiteral("Write refused:"),
                                                  QString::fromUtf8(document)));
            },
            Qt::QueuedConnection);
    });

    ModuleAnnouncer announcer;
    QString announceLine = QStringLiteral("Announcements: off");
    if (!parser.isSet(QStringLiteral("no-announce"))) {
        QString host;
        int targetPort = 0;
        if (!splitHostPort(parser.value(QStringLiteral("announce-to")), &host, &targetPort) || targetPort == 0
            || QHostAddress(host).isNull())
            fail(QStringLiteral("--announce-to needs an IP address and a port, as in %1")
                     .arg(defaultAnnounceTarget));
        bool ok = false;
        const int seconds = parser.value(QStringLiteral("announce-every")).toInt(&ok);
        if (!ok || seconds < 1)
            fail(QStringLiteral("--announce-every needs a whole number of seconds, at least 1"));
        bool reported = false;
        QObject::connect(&announcer, &ModuleAnnouncer::sendFailed, &app, [&reported](const QString &why) {
            if (!reported)
                print(QStringLiteral("Announcement not sent: %1").arg(why));
            reported = true;
        });
        announcer.start(QHostAddress(host), quint16(targetPort), seconds * 1000);
        announceLine = QStringLiteral("Announcements: \"%1\" to %2:%3 every %4 s")
                           .arg(QString::fromLatin1(ModuleAnnouncer::datagram()), host)
                           .arg(targetPort)
                           .arg(seconds);
    }

    const QString base = QStringLiteral("http://%1:%2").arg(address).arg(sim.port());
    const QJsonObject pages = sim.pages();
    print(QStringLiteral("Simulated module at %1").arg(base));
    print(QStringLiteral("  page list     %1/jsonoptions?select=0").arg(base));
    print(QStringLiteral("  pages         %1/jsonoptions?select=KEY   KEY: %2")
              .arg(base, pages.keys().join(QStringLiteral(", "))));
    print(QStringLiteral("  write         %1/jsonoptions?write=DOC").arg(base));
    print(QStringLiteral("  descriptions  %1/api/app/init.json").arg(base));
    print(QStringLiteral("Pages file:   %1").arg(QDir::cleanPath(pagesFile)));
    print(QStringLiteral("Catalog file: %1").arg(QDir::cleanPath(catalogFile)));
    print(odd.isEmpty() ? QStringLiteral("Answers: normal")
                        : QStringLiteral("Answers: ") + odd.join(QStringLiteral("; ")));
    print(announceLine);
    print(QStringLiteral("Stop with Ctrl+C."));

    quitOnSignals(&app);
    const int code = QCoreApplication::exec();
    announcer.stop();
    sim.setWriteListener({});
    sim.stop();
    return code;
}
