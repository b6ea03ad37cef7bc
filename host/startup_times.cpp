#include "host/startup_times.h"

namespace qx {

StartupTimes startupTimes;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kStepNames[kStartupStepCount] = {"command-line", "soundtrack", "sound-module",
                                                       "song",         "display",    "asset-list",
                                                       "effects",      "first-frame"};

}  // namespace

void NoteMainEntered() {
    startupTimes = {};
    startupTimes.mainEntered = Clock::now();
}

void NoteStartupStepEnd(StartupStep step) {
    const uint32_t index = static_cast<uint32_t>(step);
    startupTimes.stepEnds[index] = Clock::now();
    startupTimes.stepsEnded = index + 1;
}

const char* StartupStepName(StartupStep step) { return kStepNames[static_cast<uint32_t>(step)]; }

void PrintStartupTimes(std::FILE* stream) {
    const StartupTimes& t = startupTimes;
    std::fprintf(stream, "main-entered %.9f s\n",
                 std::chrono::duration<double>(t.mainEntered.time_since_epoch()).count());
    Clock::time_point stepStart = t.mainEntered;
    for (uint32_t index = 0; index < t.stepsEnded; ++index) {
        std::fprintf(
            stream, "%s %.3f ms\n", kStepNames[index],
            std::chrono::duration<double, std::milli>(t.stepEnds[index] - stepStart).count());
        stepStart = t.stepEnds[index];
    }
}

}  // namespace qx
