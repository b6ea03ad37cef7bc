// How long start-up takes, step by step, for --startup-times: when main was entered and when each
// start-up step ended, up to the end of the first frame, on the steady clock. The steady clock is
// the system's monotonic clock, shared by every process, so a launcher that reads it before
// starting the program also learns how long the program took to reach main (loading its
// libraries, static initialisation).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace qx {

// In start-up order; each step runs from the end of the one before it (the first from main).
enum class StartupStep : uint32_t {
    CommandLine,  // options, signal handlers, the platform chosen
    Soundtrack,   // the archive opened and the song's entry decoded
    SoundModule,  // the sound module loaded and initialised
    Song,         // the song loaded into the sound module
    Display,      // display, framebuffer, scene table, ticks
    AssetList,    // the other entries decoded into their buffers
    Effects,      // the effects' precalculation
    FirstFrame,   // pre-roll, play, and the frame loop, which ends after its first frame
};
inline constexpr uint32_t kStartupStepCount = 8;

struct StartupTimes {
    std::chrono::steady_clock::time_point mainEntered{};
    std::chrono::steady_clock::time_point stepEnds[kStartupStepCount]{};
    uint32_t stepsEnded = 0;  // steps ended in this run, in order
};
extern StartupTimes startupTimes;

// The first thing main does.
void NoteMainEntered();
// At the end of each step, in order.
void NoteStartupStepEnd(StartupStep step);

// "main-entered S s" (seconds on the steady clock), then one line "NAME MS ms" per ended step in
// order, e.g. "asset-list 11.902 ms".
void PrintStartupTimes(std::FILE* stream);

// The step's name in the printed lines.
const char* StartupStepName(StartupStep step);

}  // namespace qx
