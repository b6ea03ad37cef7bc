#include "host/frame_loop.h"

#include "host/capture.h"
#include "host/command_line.h"
#include "host/host_settings.h"
#include "host/storyboard.h"
#include "host/timing_report.h"
#include "host/window.h"
#include "music/scene_sequencer.h"
#include "platform/platform.h"
#include "timing/tick_scheduler.h"

namespace qx {

LoopState loopState;

namespace {

// Behind schedule by more than this, pacing starts afresh instead of rushing frames to catch up.
inline constexpr int32_t kMaximumPaceLag = 250;  // ms
// An unpaced pass while the window is hidden or minimised: nothing is shown, so the show only
// needs to keep up with the music, not to draw as often as it can.
inline constexpr uint32_t kHiddenPassSleep = 10;  // ms

// The pass's sleep. Unpaced it is 1 ms, to yield the processor. Paced, pass k is due at
// paceStart + k * 1000 / fps exactly, so frame times do not drift and the offline run's frame k
// happens at k * 1000 / fps ms; a pass that is already late does not sleep at all.
// While the window cannot be seen, presents return at once (no vsync wait): pacing still spaces
// the frames, and an unpaced pass sleeps kHiddenPassSleep.
void SleepForPass() {
    Platform& platform = ThePlatform();
    const uint32_t fps = launchOptions.framesPerSecond;
    if (fps == 0) {
        platform.Sleep(platform.WindowVisible() ? 1 : kHiddenPassSleep);
        return;
    }
    const uint32_t now = platform.Milliseconds();
    const uint32_t offset = static_cast<uint32_t>(loopState.passCount * 1000u / fps);
    int32_t ahead = static_cast<int32_t>(loopState.paceStart + offset - now);
    if (ahead < -kMaximumPaceLag) {
        loopState.paceStart = now - offset;
        ahead = 0;
    }
    if (ahead > 0) platform.Sleep(static_cast<uint32_t>(ahead));
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
    const bool timed = timingReportState.recording;
    if (timed) NoteRunStart();
    do {
        SleepForPass();
        if (!(timed ? RunSequencerTimed() : RunSequencer())) loopState.quitFlag = 1;
        hostSettings.presentRoutine();
        if (storyboardState.recording) NoteStoryboardPass();
        if (captureState.recording && !NoteCapturePass()) loopState.quitFlag = 1;
        DispatchTicks();
        UpdateFrameRate(platform.Milliseconds());
        InputEvent event;
        while (platform.PollEvent(event)) WindowProcedure(event);
        ++loopState.passCount;
        if (launchOptions.frameLimit != 0 && loopState.passCount >= launchOptions.frameLimit)
            loopState.quitFlag = 1;
    } while (loopState.quitFlag == 0);
    CompleteCaptureSound();
    if (timed) NoteRunEnd();
}

}  // namespace qx
