#include "eventloop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {

// Item views lay out and repaint on zero-interval timers and posted events, which a few
// turns of the loop see through.
constexpr int kDrainMs = 5;

} // namespace

void waitFor(const std::function<bool()> &done, int boundMs)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [boundMs] {
        qFatal("quillnet-bench: a case did not finish within %d s", boundMs / 1000);
    });
    watchdog.start(boundMs);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void drain()
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kDrainMs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (!clock.hasExpired(kDrainMs));
}
