#include "support/waituntil.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    const auto look = [&] {
        if (done())
            loop.quit();
    };
    // Before the loop sleeps, once the events at hand are handled.
    const QMetaObject::Connection beforeSleep = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, look);
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, look);
    poll.start(1);
    QTimer::singleShot(timeoutMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(beforeSleep);
    // As QTest's waits do: objects let go of during the wait are deleted before it returns.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done();
}
