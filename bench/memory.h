#pragma once

#include <QJsonObject>
#include <QString>

// Peak resident memory after a 5,000-option page, measured in a process of its own so
// that nothing else the benchmark did counts.

// The flag that makes the executable a memory child: "--memory=product" or "--memory=baseline".
QString memoryFlag();

// In the child: builds the window (side "product" or "baseline"), fills the page, prints
// one JSON line with the peak resident set before and after the fill. Returns the exit code.
int runMemoryChild(const QString &side);
// In the parent: runs the children runs times each, alternating, and returns the medians.
QJsonObject measureMemory(int runs);
