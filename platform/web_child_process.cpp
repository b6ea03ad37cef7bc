// The browser build starts no other programs: a capture to a video name (which needs ffmpeg)
// fails at its start with this cause, as where ffmpeg is missing; y4m captures need no helper.
#include "platform/child_process.h"

namespace qx {

std::string ChildInputName(uint32_t input) { return input == 0 ? "pipe:0" : "pipe:3"; }

ChildStart StartChildProcess(const char* const*, uint32_t, ChildProcess&, std::string& failure) {
    failure = "the browser build runs no other programs";
    return ChildStart::NotFound;
}

bool WriteChildInputs(ChildProcess&, std::span<ChildInputBuffer>, std::string& failure) {
    failure = "no helper program";
    return false;
}

bool WaitForChildInputs(const ChildProcess&, std::span<const ChildInputBuffer>,
                        std::string& failure) {
    failure = "no helper program";
    return false;
}

void CloseChildInput(ChildProcess&, uint32_t) {}

bool FinishChildProcess(ChildProcess&, std::string& failure) {
    failure = "no helper program";
    return false;
}

void AbandonChildProcess(ChildProcess&) {}

}  // namespace qx
