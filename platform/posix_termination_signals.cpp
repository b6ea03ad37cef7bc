// POSIX's termination handlers (Linux and the browser): SIGINT and SIGTERM, each caught once.
#include "platform/termination_signals.h"

#include <signal.h>

namespace qx::os {

namespace {

void Catch(int signalNumber) {
    struct sigaction previous = {};
    if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
    struct sigaction action = {};
    action.sa_handler = RecordTerminationSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: the window system's and the sound library's calls are not cut short.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(signalNumber, &action, nullptr);
}

}  // namespace

void InstallTerminationHandlers() {
    Catch(SIGINT);
    Catch(SIGTERM);
}

}  // namespace qx::os
