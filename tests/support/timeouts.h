#pragma once

// The bound of every wait on the window, the simulator or the network: generous, for
// sanitised builds taking in bodies of megabytes on a busy machine. A passing test never
// waits it out; a failing one fails rather than hangs.
inline constexpr int kWaitMs = 20000;
