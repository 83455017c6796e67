#include "flood.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

// How often the sender looks at the receiver's queue, and how full it lets it get.
constexpr int kSendsPerCheck = 64;
constexpr int kQueueShare = 2; // at most half of the receive buffer

} // namespace

AnnouncementFlood::AnnouncementFlood(quint16 port, int receiverDescriptor, Plan plan)
    : port(port)
    , plan(plan)
{
    int size = 0;
    socklen_t length = sizeof size;
    if (getsockopt(receiverDescriptor, SOL_SOCKET, SO_RCVBUF, &size, &length) != 0 || size <= 0)
        size = 212992;
    receiverBufferBytes = size;
}

AnnouncementFlood::~AnnouncementFlood()
{
    if (thread.joinable())
        thread.join();
    if (descriptors) {
        for (int i = 0; i < plan.senders; ++i) {
            if (descriptors[i] >= 0)
                ::close(descriptors[i]);
        }
        delete[] descriptors;
    }
}

bool AnnouncementFlood::start()
{
    descriptors = new int[size_t(plan.senders)];
    for (int i = 0; i < plan.senders; ++i) {
        descriptors[i] = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK + quint32(i)); // 127.0.0.1 + i
        if (descriptors[i] < 0
            || ::bind(descriptors[i], reinterpret_cast<sockaddr *>(&local), sizeof local) != 0)
            return false;
    }
    thread = std::thread([this] { run(); });
    return true;
}

void AnnouncementFlood::run()
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char datagram[2] = {'U', 1};
    const qint64 limit = receiverBufferBytes / kQueueShare;

    for (int n = 0; n < plan.datagrams; ++n) {
        if (n % kSendsPerCheck == 0) {
            while (readUdpQueue(port).queuedBytes > limit)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        ::sendto(descriptors[n % plan.senders], datagram, sizeof datagram, 0,
                 reinterpret_cast<const sockaddr *>(&target), sizeof target);
        sentCount.store(n + 1);
    }
    done.store(true);
}

UdpQueue readUdpQueue(quint16 port)
{
    // Lines of /proc/net/udp: "sl local rem st tx_queue:rx_queue ... drops", addresses and
    // queues in hex.
    UdpQueue queue;
    QFile file(QStringLiteral("/proc/net/udp"));
    if (!file.open(QIODevice::ReadOnly))
        return queue;
    const QByteArray local = "00000000:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 13 || fields.at(1) != local)
            continue;
        const QList<QByteArray> queues = fields.at(4).split(':');
        queue.found = true;
        queue.queuedBytes = queues.value(1).toLongLong(nullptr, 16);
        queue.drops = fields.at(12).toLongLong();
        return queue;
    }
    return queue;
}
