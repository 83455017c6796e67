#include "sim/commandline.h"

#include "core/modules/announcements.h"
#include "sim/behaviourtext.h"

#include <QCommandLineOption>
#include <QDir>
#include <QHostAddress>

#include <cstdio>
#include <cstdlib>

namespace {

const int kDefaultAnnounceSeconds = 3;
const int kHighestPort = 65535;
// A module of a fleet holds a listening socket and three threads: 500 stay inside the usual
// limit of 1,024 open files, with room for the requests.
const int kMaxModules = 500;

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
    return ok && !host->isEmpty() && *port >= 0 && *port <= kHighestPort;
}

// The sample data, where it lies relative to the program (installed or in the build tree).
QString dataFile(const char *name)
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(programDir.filePath(QStringLiteral(QUILLNET_SIM_DATA_RELATIVE)) + QLatin1Char('/')
                           + QLatin1String(name));
}

} // namespace

void print(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void fail(const QString &message)
{
    std::fputs(QStringLiteral("quillnet-module-sim: %1\n").arg(message).toUtf8().constData(), stderr);
    std::exit(1);
}

QString SimCommandLine::defaultAnnounceTarget()
{
    return QStringLiteral("127.0.0.1:%1").arg(kDiscoveryPort);
}

SimCommandLine::SimCommandLine(const QCoreApplication &app)
{
    QString defaultAddress;
    int defaultPort = 0;
    splitHostPort(QStringLiteral(QUILLNET_SIM_DEFAULT_HOST), &defaultAddress, &defaultPort);
    const QString defaultPages = dataFile("pages.json");
    const QString defaultCatalog = dataFile("catalog.json");

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
        "  change-between  a page: answer, then change the page as another writer would\n"
        "                  before the reader writes (adds an option \"between-N\")\n"
        "optionally followed by \",delay:MS\" to answer MS milliseconds late, or \"delay:MS\"\n"
        "alone. Example: --page-answer 3:empty --page-list-answer hang --delay 500\n"
        "\n"
        "With --modules N it serves a fleet: N such modules on consecutive ports, each with\n"
        "pages of its own, and --fault-every gives some of them a fault. Example:\n"
        "--modules 200 --port 33000 --delay 20 --fault-every 10=hang --fault-every 25=down"));
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("address"),
         QStringLiteral("HTTP address to listen on (default %1).").arg(defaultAddress),
         QStringLiteral("ADDR"), defaultAddress},
        {QStringLiteral("port"),
         QStringLiteral("HTTP port (default %1; 0 picks a free port).").arg(defaultPort),
         QStringLiteral("PORT"), QString::number(defaultPort)},
        {QStringLiteral("modules"),
         QStringLiteral("Serve N modules, each with pages of its own, on N consecutive ports from "
                        "PORT (0: the first of N free ones). Default 1, at most %1.")
             .arg(kMaxModules),
         QStringLiteral("N"), QStringLiteral("1")},
        {QStringLiteral("pages"),
         QStringLiteral("Pages file {\"order\":[keys],\"pages\":{KEY:{options}}} (default %1).")
             .arg(defaultPages),
         QStringLiteral("FILE"), defaultPages},
        {QStringLiteral("catalog"),
         QStringLiteral("Descriptions catalog file served as /api/app/init.json (default %1).")
             .arg(defaultCatalog),
         QStringLiteral("FILE"), defaultCatalog},
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
         QStringLiteral("Answer every request (of every module) MS milliseconds late, unless "
                        "its BEHAVIOUR has a delay of its own."),
         QStringLiteral("MS")},
        {QStringLiteral("fault-every"),
         QStringLiteral("Every Kth module (K, 2K, 3K, ...) answers every request with FAULT: a "
                        "BEHAVIOUR, or \"down\" for a closed port. May be repeated; a module that "
                        "several pick takes the first."),
         QStringLiteral("K=FAULT")},
        {QStringLiteral("announce-to"),
         QStringLiteral("Where to send the UDP announcements (default %1, the configurator's "
                        "discovery port).")
             .arg(defaultAnnounceTarget()),
         QStringLiteral("HOST:PORT"), defaultAnnounceTarget()},
        {QStringLiteral("announce-every"),
         QStringLiteral("Seconds between announcements (default %1).").arg(kDefaultAnnounceSeconds),
         QStringLiteral("SECONDS"), QString::number(kDefaultAnnounceSeconds)},
        {QStringLiteral("no-announce"), QStringLiteral("Send no announcements.")},
        {QStringLiteral("add-to-module-list"),
         QStringLiteral("Add ADDR:PORT, and with --modules every module's address, to the "
                        "configurator's module list in FILE (its options.ini) unless it lists "
                        "that address already, then exit without serving."),
         QStringLiteral("FILE")},
    };
    parser.addOptions(options);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument %1; see --help").arg(parser.positionalArguments().first()));
}

QString SimCommandLine::address() const
{
    return parser.value(QStringLiteral("address"));
}

int SimCommandLine::port() const
{
    bool ok = false;
    const int port = parser.value(QStringLiteral("port")).toInt(&ok);
    if (!ok || port < 0 || port > kHighestPort)
        fail(QStringLiteral("--port needs a number from 0 to %1").arg(kHighestPort));
    return port;
}

bool SimCommandLine::addsToModuleList() const
{
    return parser.isSet(QStringLiteral("add-to-module-list"));
}

int SimCommandLine::modules() const
{
    bool ok = false;
    const int count = parser.value(QStringLiteral("modules")).toInt(&ok);
    if (!ok || count < 1 || count > kMaxModules)
        fail(QStringLiteral("--modules needs a number from 1 to %1").arg(kMaxModules));
    const int first = port();
    if (first > 0 && first + count - 1 > kHighestPort)
        fail(QStringLiteral("--modules %1 from --port %2 would go past port %3")
                 .arg(count)
                 .arg(first)
                 .arg(kHighestPort));
    return count;
}

QString SimCommandLine::moduleListFile() const
{
    return parser.value(QStringLiteral("add-to-module-list"));
}

QString SimCommandLine::pagesFile() const
{
    return parser.value(QStringLiteral("pages"));
}

QString SimCommandLine::catalogFile() const
{
    return parser.value(QStringLiteral("catalog"));
}

ModuleSimulator::Behaviour SimCommandLine::behaviour(const QString &option) const
{
    ModuleSimulator::Behaviour behaviour;
    QString error;
    if (parser.isSet(option) && !parseBehaviour(parser.value(option), &behaviour, &error))
        fail(QStringLiteral("--%1: %2").arg(option, error));
    return behaviour;
}

ModuleSimulator::Behaviour SimCommandLine::pageListAnswer() const
{
    return behaviour(QStringLiteral("page-list-answer"));
}

ModuleSimulator::Behaviour SimCommandLine::writeAnswer() const
{
    return behaviour(QStringLiteral("write-answer"));
}

ModuleSimulator::Behaviour SimCommandLine::catalogAnswer() const
{
    return behaviour(QStringLiteral("catalog-answer"));
}

QList<SimCommandLine::PageAnswer> SimCommandLine::pageAnswers() const
{
    QList<PageAnswer> answers;
    for (const QString &text : parser.values(QStringLiteral("page-answer"))) {
        PageAnswer answer;
        QString error;
        if (!parsePageBehaviour(text, &answer.key, &answer.behaviour, &error))
            fail(QStringLiteral("--page-answer: %1").arg(error));
        answers.append(answer);
    }
    return answers;
}

QList<ModuleFleet::FaultRule> SimCommandLine::faultRules() const
{
    QList<ModuleFleet::FaultRule> rules;
    for (const QString &text : parser.values(QStringLiteral("fault-every"))) {
        ModuleFleet::FaultRule rule;
        QString error;
        if (!parseFaultRule(text, &rule, &error))
            fail(QStringLiteral("--fault-every: %1").arg(error));
        rules.append(rule);
    }
    return rules;
}

int SimCommandLine::delayMs() const
{
    if (!parser.isSet(QStringLiteral("delay")))
        return 0;
    bool ok = false;
    const int delay = parser.value(QStringLiteral("delay")).toInt(&ok);
    if (!ok || delay < 0)
        fail(QStringLiteral("--delay needs milliseconds"));
    return delay;
}

SimCommandLine::Announcements SimCommandLine::announcements() const
{
    Announcements announcements;
    if (parser.isSet(QStringLiteral("no-announce")))
        return announcements;
    QString host;
    int targetPort = 0;
    if (!splitHostPort(parser.value(QStringLiteral("announce-to")), &host, &targetPort) || targetPort == 0
        || QHostAddress(host).isNull())
        fail(QStringLiteral("--announce-to needs an IP address and a port, as in %1")
                 .arg(defaultAnnounceTarget()));
    bool ok = false;
    const int seconds = parser.value(QStringLiteral("announce-every")).toInt(&ok);
    if (!ok || seconds < 1)
        fail(QStringLiteral("--announce-every needs a whole number of seconds, at least 1"));
    announcements.on = true;
    announcements.host = host;
    announcements.port = quint16(targetPort);
    announcements.intervalSeconds = seconds;
    return announcements;
}
