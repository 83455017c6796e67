#pragma once

#include <QtGlobal>

#include <atomic>
#include <thread>

// A flood of module announcements on loopback: datagrams "U\x01" sent round-robin from
// senders bound to 127.0.0.1, 127.0.0.2, ... to 127.0.0.1:port, on a thread of its own.
// It keeps the receiver's queue filled without overflowing it (the kernel drops datagrams
// silently when the receive buffer is full), so every datagram reaches the receiver.
class AnnouncementFlood
{
public:
    struct Plan
    {
        int senders = 200;
        int datagrams = 10000;
    };

    AnnouncementFlood(quint16 port, int receiverDescriptor, Plan plan);
    ~AnnouncementFlood();
    AnnouncementFlood(const AnnouncementFlood &) = delete;
    AnnouncementFlood &operator=(const AnnouncementFlood &) = delete;

    // False (with nothing started) when the senders cannot be bound.
    bool start();
    bool finished() const { return done.load(); }
    int sent() const { return sentCount.load(); }

private:
    void run();

    quint16 port;
    int receiverBufferBytes;
    Plan plan;
    std::thread thread;
    std::atomic<bool> done{false};
    std::atomic<int> sentCount{0};
    int *descriptors = nullptr;
};

// The kernel's view of the UDP socket bound to port on any IPv4 address.
struct UdpQueue
{
    bool found = false;
    qint64 queuedBytes = 0; // memory of the datagrams waiting to be read
    qint64 drops = 0; // datagrams dropped since the socket was opened
};
UdpQueue readUdpQueue(quint16 port);
