#include "cli/commands/commands.h"
#include "cli/context.h"
#include "cli/exitstatus.h"

#include "core/modules/announcementreader.h"
#include "core/modules/announcements.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QJsonObject>
#include <QTimer>
#include <QUdpSocket>

#include <cmath>

namespace {

struct Sender
{
    QString address;
    int datagrams = 0;
};

struct DiscoverArgs
{
    double waitSeconds = 5;
};

class DiscoverCommand : public Command
{
public:
    explicit DiscoverCommand(CLI::App &app)
        : Command(app, "discover", "Listen for module announcements and list each sender once")
    {
        subcommand->add_option("--wait", args.waitSeconds, "Seconds to listen")
            ->check(CLI::Range(0.0, 3600.0))
            ->capture_default_str();
    }
    int run(Context &context) override;

private:
    DiscoverArgs args;
};

} // namespace

int DiscoverCommand::run(Context &context)
{
    QUdpSocket socket;
    // Not shared: with another listener on the port, announcements would reach only one of
    // the two, so a busy port is an error rather than a silent, empty list.
    if (!socket.bind(QHostAddress::AnyIPv4, kDiscoveryPort, QAbstractSocket::DontShareAddress)) {
        context.reporter.error(QStringLiteral("cannot listen on UDP port %1: %2 (a configurator or another "
                                              "discover may be listening there)")
                                   .arg(kDiscoveryPort)
                                   .arg(socket.errorString()));
        return ExitAllFailed;
    }
    context.reporter.info(QStringLiteral("listening for announcements on UDP port %1 for %2 s")
                              .arg(kDiscoveryPort)
                              .arg(args.waitSeconds));

    QList<Sender> senders; // in the order they were first heard
    // Read a share per turn, so that a flood cannot keep the wait from ending.
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&socket, &senders] {
        readAnnouncements(socket, [&senders](const QString &address) {
            auto known = std::find_if(senders.begin(), senders.end(),
                                      [&address](const Sender &sender) { return sender.address == address; });
            if (known == senders.end())
                known = senders.insert(senders.end(), {address, 0});
            ++known->datagrams;
        });
    });
    QEventLoop loop;
    QTimer::singleShot(int(std::lround(args.waitSeconds * 1000)), &loop, &QEventLoop::quit);
    loop.exec();

    RecordWriter output(context.options.format, {QStringLiteral("address"), QStringLiteral("datagrams")});
    for (const Sender &sender : qAsConst(senders)) {
        output.add(QJsonObject{{QStringLiteral("address"), sender.address},
                               {QStringLiteral("datagrams"), sender.datagrams}},
                   {{sender.address, QString::number(sender.datagrams)}});
    }
    output.finish();
    if (senders.isEmpty())
        context.reporter.info(QStringLiteral("no module announced itself"));
    return ExitSuccess;
}

std::unique_ptr<Command> addDiscoverCommand(CLI::App &app)
{
    return std::make_unique<DiscoverCommand>(app);
}
