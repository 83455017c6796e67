#include "eventloop.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

constexpr int kCaseTimeoutMs = 30000;

} // namespace

void waitFor(const std::function<bool()> &done)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        qFatal("quillnet-bench: a case did not finish within %d s", kCaseTimeoutMs / 1000);
    });
    watchdog.start(kCaseTimeoutMs);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
