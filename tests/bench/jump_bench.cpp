// Time to picture of the viewer's jumps, on the production's own archive and sound module, in an
// offline run in this process at 60 frames a second: from the look that found the key to the
// present of the jump's first frame, wall time. The show is paused first, so that every jump lands
// on a row's start:
//   first visits  Right from row 0 to row 38, the seek index not yet built: each jump plays the
//                 shadow show over the row before (on the window the index is built in the time
//                 between frames long before: it plays at the rate printed)
//   back          Left from row 38 to row 0 (each within a second of its row's start)
//   forward       Right from row 0 to row 38 again
// Targets for back and forward: at most 250 ms each, median at most 100 ms. Also printed: the
// index's build rate and the memory its snapshots hold (target: at most 64 MB).
// Usage: jump_bench [PROGRAM]   (default: QX_Marrowtide beside this program)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "host/command_line.h"
#include "host/show_jumps.h"
#include "host/startup.h"
#include "host/viewer_controls.h"
#include "scenes/scene_table.h"
#include "tests/support/virtual_platform.h"
#include "tools/archive/file_io.h"

namespace {

using namespace qx;
using WallClock = std::chrono::steady_clock;

struct Timing {
    WallClock::time_point lastLook{};  // the last present, a held picture's too
    uint64_t lastPresents = 0;
    std::vector<double> landings;  // ms from the look before to each jump's first frame
};
Timing timing;

void Time(VirtualPlatform&, const uint32_t*, uint32_t, uint32_t, uint32_t, void*) {
    const WallClock::time_point now = WallClock::now();
    // Paused, every frame presented is a jump's first.
    if (framebufferState.presents != timing.lastPresents && viewerState.paused)
        timing.landings.push_back(
            std::chrono::duration<double, std::milli>(now - timing.lastLook).count());
    timing.lastPresents = framebufferState.presents;
    timing.lastLook = WallClock::now();
}

InputEvent Key(KeyCode key, InputEvent::Kind kind = InputEvent::Kind::KeyDown) {
    InputEvent event;
    event.kind = kind;
    event.key = key;
    return event;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : "QX_Marrowtide";
    static VirtualPlatform platform;
    if (!ReadWholeFile(program, platform.executableImage)) {
        std::fprintf(stderr, "jump_bench: %s cannot be read\n", program.c_str());
        return 1;
    }
    platform.useSystemLibraries = true;
    platform.recordCalls = false;
    platform.presentHook = Time;
    UsePlatform(&platform);
    const char* words[] = {"jump_bench", "--headless"};
    if (ParseCommandLine(2, words) != CommandLineResult::Run) return 1;

    // Paused just after the start; then 38 jumps forward, 38 back and 38 forward again, 40 ms of
    // the show's clock apart; then the end.
    uint32_t at = 100;
    platform.QueueEvent(Key(KeyCode::Space), at);
    for (const KeyCode key : {KeyCode::Right, KeyCode::Left, KeyCode::Right})
        for (uint32_t i = 1; i < kSceneRowCount; ++i) platform.QueueEvent(Key(key), at += 40);
    platform.QueueEvent(Key(KeyCode::Escape, InputEvent::Kind::KeyUp), at += 40);
    const WallClock::time_point start = WallClock::now();
    if (RunProduction() != 0) return 1;
    const double wholeRun = std::chrono::duration<double>(WallClock::now() - start).count();

    const size_t jumps = kSceneRowCount - 1;
    if (timing.landings.size() != 3 * jumps) {
        std::fprintf(stderr, "jump_bench: %zu jumps landed, not %zu\n", timing.landings.size(),
                     3 * jumps);
        return 1;
    }
    std::printf("row  scene              first visit ms    back ms  forward ms\n");
    std::vector<double> warm;
    for (uint32_t row = 0; row < kSceneRowCount; ++row) {
        const auto cell = [&](size_t index, bool exists) {
            return exists ? std::to_string(timing.landings[index]).substr(0, 6) : std::string("-");
        };
        // Forward landings reach rows 1..38; the backward ones rows 37..0.
        const std::string first = cell(row - 1, row > 0);
        const std::string back = cell(jumps + (jumps - 1 - row), row < jumps);
        const std::string forward = cell(2 * jumps + row - 1, row > 0);
        std::printf("%2u   %-18s %14s %10s %11s\n", row, SceneRowName(row), first.c_str(),
                    back.c_str(), forward.c_str());
    }
    warm.assign(timing.landings.begin() + jumps, timing.landings.end());
    const double firstVisits = [&] {
        double sum = 0;
        for (size_t i = 0; i < jumps; ++i) sum += timing.landings[i];
        return sum;
    }();
    std::printf("jumps back and forward: median %.1f ms, worst %.1f ms (targets 100 and 250)\n",
                Median(warm), *std::max_element(warm.begin(), warm.end()));
    std::printf(
        "first visits: median %.1f ms, worst %.1f ms; the whole index in %.0f ms, "
        "%.0fx real time\n",
        Median({timing.landings.begin(), timing.landings.begin() + jumps}),
        *std::max_element(timing.landings.begin(), timing.landings.begin() + jumps), firstVisits,
        showJumpsState.entries.back().snapshot.SongMilliseconds() / firstVisits);
    std::printf("seek index: %zu snapshots, %.1f MB (target 64 MB); whole run %.2f s\n",
                showJumpsState.entries.size(), static_cast<double>(SeekIndexBytes()) / 1e6,
                wholeRun);
    return 0;
}
