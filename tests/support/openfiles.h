#pragma once

#include <QByteArray>
#include <QtGlobal>

// Whether process pid has a file under folder open (a file being written there, maybe nameless
// yet). Plain system calls: the tests that kill a program mid-write call it in a tight loop
// that has to see writes of a few milliseconds.
bool hasFileOpenUnder(qint64 pid, const QByteArray &folder);
