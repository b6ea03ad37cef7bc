// What the systems' termination handlers share: the record of the first request and the one
// close request made of it. The handlers themselves are posix_termination_signals.cpp's and
// windows_termination_signals.cpp's.
#include "platform/termination_signals.h"

namespace qx::os {

TerminationState terminationState;

void RecordTerminationSignal(int signalNumber) {
    if (terminationState.signalNumber == 0) terminationState.signalNumber = signalNumber;
}

int TerminationSignal() { return terminationState.signalNumber; }

bool TakeTerminationRequest() {
    if (terminationState.signalNumber == 0 || terminationState.requestTaken) return false;
    terminationState.requestTaken = true;
    return true;
}

}  // namespace qx::os
