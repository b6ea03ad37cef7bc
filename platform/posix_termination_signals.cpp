#include "platform/termination_signals.h"

#include <signal.h>

namespace qx::os {

TerminationState terminationState;

namespace {

void RecordSignal(int signalNumber) {
    if (terminationState.signalNumber == 0) terminationState.signalNumber = signalNumber;
}

void Catch(int signalNumber) {
    struct sigaction previous = {};
    if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
    struct sigaction action = {};
    action.sa_handler = RecordSignal;
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

int TerminationSignal() { return terminationState.signalNumber; }

bool TakeTerminationRequest() {
    if (terminationState.signalNumber == 0 || terminationState.requestTaken) return false;
    terminationState.requestTaken = true;
    return true;
}

}  // namespace qx::os
