#pragma once

#include "support/timeouts.h"

#include <QTest>

#include <functional>

// Runs the event loop until done() holds or timeoutMs have passed, and says whether it holds.
// It looks again after every pass of the loop and at least every millisecond (for what other
// threads change, such as the simulator's record of requests), so a wait ends as soon as its
// condition does. QTest's own waits sleep 10 ms (qWaitFor) or 50 ms (QTRY_*) between looks,
// which over a suite of short steps is most of its time.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = kWaitMs);

// QVERIFY and QCOMPARE of a condition that the event loop brings about: they wait for it as
// waitUntil() does, then check it, so that a failure is reported the way QTest reports it.
#define WAIT_VERIFY(expr)                                                                                    \
    do {                                                                                                     \
        waitUntil([&] { return bool(expr); });                                                               \
        QVERIFY(expr);                                                                                       \
    } while (false)

#define WAIT_COMPARE(actual, expected)                                                                       \
    do {                                                                                                     \
        waitUntil([&] { return (actual) == (expected); });                                                   \
        QCOMPARE(actual, expected);                                                                          \
    } while (false)
