// Windows' requests to end the program: Ctrl+C and Ctrl+Break in the console, the console window
// closed, the user logging off or the system shutting down, all recorded as SIGINT (a console
// program's Ctrl+C), and SIGTERM raised inside the program. Each is recorded once, as on Linux;
// the frame loop ends at its next event poll and main exits with 128 + 2.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef CreateWindow  // a macro of windows.h; the platform's CreateWindow is its own

#include <csignal>

#include "platform/termination_signals.h"

namespace qx::os {

namespace {

// The C runtime's handlers are reset to the default action when they run, so a second Ctrl+C
// (the shutdown hangs) ends the program at once, as SA_RESETHAND does on Linux. A signal the
// program was started with ignored stays ignored.
void Catch(int signalNumber) {
    const auto previous = std::signal(signalNumber, RecordTerminationSignal);
    if (previous == SIG_IGN) std::signal(signalNumber, SIG_IGN);
}

// Runs on a thread of its own. Closing the console, logging off and shutting down end the process
// when the handler returns: it waits a while for the frame loop to end and main to exit.
BOOL WINAPI ConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            if (terminationState.signalNumber != 0) return FALSE;  // a second one: the default
            RecordTerminationSignal(SIGINT);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            RecordTerminationSignal(SIGINT);
            Sleep(4000);  // the system allows 5 s; main's exit ends this wait sooner
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void InstallTerminationHandlers() {
    Catch(SIGINT);  // raise(SIGINT) inside the program; a console's Ctrl+C comes to ConsoleEvent
    Catch(SIGTERM);
    SetConsoleCtrlHandler(ConsoleEvent, TRUE);
}

}  // namespace qx::os
