#include "base/error_code.h"

#include <cstdio>
#include <cstdlib>

namespace qx {

ErrorState errorState;

bool SetErrorCode(uint32_t code, const char* cause) {
    errorState.errorCode = code;
    errorState.errorCause = cause != nullptr ? cause : "";
    return false;
}

void ReportError() {
    std::fprintf(stderr, "QX_Marrowtide: %s (error %u)\n", errorState.errorCause,
                 static_cast<unsigned>(errorState.errorCode));
}

void ExitWithErrorCode() {
    std::fflush(stdout);
    std::exit(static_cast<int>(errorState.errorCode));
}

void ExitAfterSignal(int signalNumber) {
    std::fflush(stdout);
    std::exit(kExitSignalBase + signalNumber);
}

}  // namespace qx
