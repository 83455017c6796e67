#pragma once

#include <functional>

// A case in the GUI thread finishes in well under this; a child process backing up a fleet
// may take minutes on a loaded machine.
inline constexpr int kCaseTimeoutMs = 30000;
inline constexpr int kChildTimeoutMs = 600000;

// Runs the event loop until done() holds. A case that hangs (a lost reply, a message box)
// ends the run with a message, after boundMs, instead of waiting for ever.
void waitFor(const std::function<bool()> &done, int boundMs = kCaseTimeoutMs);

// Widgets taken out of a table are deleted later; deletes them now, outside the timing.
void settle();

// Runs the event loop for a few milliseconds: the repaints, delayed layouts and deletions that
// the previous work left behind are done before the next timing starts, not inside it.
void drain();
