#include "host/frame_loop.h"

#include "host/command_line.h"
#include "host/host_settings.h"
#include "host/window.h"
#include "music/scene_sequencer.h"
#include "platform/platform.h"
#include "timing/tick_scheduler.h"

namespace qx {

LoopState loopState;

namespace {

// Behind schedule by more than this, pacing starts afresh instead of rushing frames to catch up.
inline constexpr int32_t kMaximumPaceLag = 250;  // ms

// The pass's sleep: 1 ms always, and with pacing until pass k is due at paceStart + 1 +
// k * 1000 / fps, so that frame times do not drift.
void SleepForPass() {
    Platform& platform = ThePlatform();
    const uint32_t fps = launchOptions.framesPerSecond;
    uint32_t wait = 1;
    if (fps != 0) {
        const uint32_t now = platform.Milliseconds();
        uint32_t offset = static_cast<uint32_t>(loopState.passCount * 1000u / fps);
        int32_t ahead = static_cast<int32_t>(loopState.paceStart + 1 + offset - now);
        if (ahead < -kMaximumPaceLag) {
            loopState.paceStart = now - 1 - offset;
            ahead = 0;
        }
        if (ahead > 1) wait = static_cast<uint32_t>(ahead);
    }
    platform.Sleep(wait);
}

}  // namespace

uint32_t FrameRate() { return loopState.frameRateValue; }

void UpdateFrameRate(uint32_t now) {
    loopState.frameAccumulator += 1000;
    const uint32_t elapsed = now - loopState.rateWindowStart;
    if (elapsed > 1000) {
        loopState.rateWindowStart = now;
        loopState.frameRateValue = loopState.frameAccumulator / elapsed;
        loopState.frameAccumulator = 0;
    }
}

void RunFrameLoop() {
    Platform& platform = ThePlatform();
    loopState.quitFlag = 0;
    loopState.frameAccumulator = 0;
    const uint32_t start = platform.Milliseconds();
    loopState.rateWindowStart = start;
    loopState.paceStart = start;
    loopState.passCount = 0;
    tickScheduler.lastTickTime = start;  // time spent in start-up produces no burst of ticks
    do {
        SleepForPass();
        if (!RunSequencer()) loopState.quitFlag = 1;
        hostSettings.presentRoutine();
        DispatchTicks();
        UpdateFrameRate(platform.Milliseconds());
        InputEvent event;
        while (platform.PollEvent(event)) WindowProcedure(event);
        ++loopState.passCount;
        if (launchOptions.frameLimit != 0 && loopState.passCount >= launchOptions.frameLimit)
            loopState.quitFlag = 1;
    } while (loopState.quitFlag == 0);
}

}  // namespace qx
