// Prints the cost of every scene's frame routine at 320 x 200 on the production's own data: the
// rows of the scene table in order, each entered as the show enters it and then played for
// kFramesPerRow frames 16 ms apart (so tick-driven counters move as at 60 frames a second), with
// the median and the worst frame in milliseconds. Targets: 1 ms median a frame (the title, with
// up to 92 smear passes, 1.5 ms). The pictures come from the archive appended to this program.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "archive/asset_catalogue.h"
#include "base/host_settings.h"
#include "effects/fades.h"
#include "effects/precalculation.h"
#include "platform/offline_platform.h"
#include "scenes/scene_table.h"
#include "timing/tick_scheduler.h"

namespace {

using namespace qx;

constexpr int kFramesPerRow = 120;
constexpr uint32_t kFrameMilliseconds = 16;

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
    // The offline platform: this program's own file, and a clock moved by hand.
    static OfflinePlatform platform;
    UsePlatform(&platform);
    static uint32_t framebuffer[kPictureWidth * kWindowedHeight];
    hostSettings.framebuffer = framebuffer;
    if (!LoadAssetList()) {
        std::fprintf(stderr,
                     "scene_frames_bench: the archive appended to this program is missing\n");
        return 1;
    }
    PrepareEffects();
    StartTicks(1);
    RegisterTickSlot(kFadeSlot, kSceneTickReload, FadeDownTick);
    tickScheduler.lastTickTime = platform.Milliseconds();

    std::printf("%-4s %-18s %10s %10s   (%d frames a row, %u ms apart)\n", "row", "scene",
                "median ms", "worst ms", kFramesPerRow, kFrameMilliseconds);
    const SceneTableRow* table = ProductionSceneTable();
    std::vector<double> times(kFramesPerRow);
    for (uint32_t row = 0; row < kSceneRowCount; ++row) {
        table[row].enter();
        for (double& time : times) {
            const auto start = std::chrono::steady_clock::now();
            table[row].frame();
            time = Milliseconds(std::chrono::steady_clock::now() - start);
            platform.Sleep(kFrameMilliseconds);
            DispatchTicks();
        }
        table[row].leave();
        std::sort(times.begin(), times.end());
        std::printf("%4u %-18s %10.3f %10.3f\n", row, SceneRowName(row), times[times.size() / 2],
                    times.back());
    }
    return 0;
}
