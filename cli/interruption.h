#pragma once

// Ctrl-C (SIGINT) and SIGTERM while quillnet writes to modules: nothing new is started, a
// write already sent is finished and read back (it cannot be recalled), the usual summary is
// printed, and the program ends with 128 + the signal (130, 143). A second signal ends it at
// once.

// Catches the two signals from now on.
void catchInterruptions();
// The signal caught, or 0.
int interruption();
