#include "cli/interruption.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t caught = 0;

void remember(int signal)
{
    caught = signal;
}

} // namespace

void catchInterruptions()
{
    struct sigaction action = {};
    action.sa_handler = remember;
    sigemptyset(&action.sa_mask);
    // The first signal is remembered; the next one has the default effect and ends the program.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int interruption()
{
    return caught;
}
