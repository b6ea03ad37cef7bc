// Requests from outside to end the program: SIGINT (Ctrl+C in the terminal) and SIGTERM. The
// handlers only record the signal. The platforms turn it into one close request at their next
// event poll, so the frame loop ends at the end of its pass and the normal shutdown runs (music
// stopped, display mode restored, window destroyed); main then exits with 128 + the signal's
// number, as a shell reports a process ended by that signal.
#pragma once

#include <csignal>

namespace qx::os {

struct TerminationState {
    volatile std::sig_atomic_t signalNumber = 0;  // the first one received; 0 none
    bool requestTaken = false;                    // TakeTerminationRequest has answered true
};
extern TerminationState terminationState;

// Catches SIGINT and SIGTERM, each once: a second one of the same kind (the shutdown hangs, the
// user presses Ctrl+C again) takes the default action and ends the program at once. A signal
// the program was started with ignored (a background job of a script) stays ignored.
void InstallTerminationHandlers();

// Notes a request (a signal handler's or a console event's); only the first one counts.
void RecordTerminationSignal(int signalNumber);

// The first termination signal received, 0 for none.
int TerminationSignal();

// True once: at the first call after a termination signal arrived.
bool TakeTerminationRequest();

}  // namespace qx::os
