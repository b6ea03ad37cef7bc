#include "host/frame_loop.h"

#include "base/host_settings.h"
#include "display/framebuffer.h"
#include "effects/drawing_switch.h"
#include "host/capture.h"
#include "host/command_line.h"
#include "host/flash_report.h"
#include "host/page_player.h"
#include "host/production_state.h"
#include "host/show_jumps.h"
#include "host/start_position.h"
#include "host/storyboard.h"
#include "host/timing_report.h"
#include "host/viewer_controls.h"
#include "host/window.h"
#include "music/music_binding.h"
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
// How often a held show looks whether it may go on.
inline constexpr uint32_t kHeldPassSleep = 50;  // ms
// The seek index is built in turns of the shadow show of at least this long (a turn swaps the
// two shows' states twice, about a millisecond), ending this long before the next pass is due.
inline constexpr uint32_t kSeekIndexTurn = 4;    // ms
inline constexpr uint32_t kSeekIndexMargin = 2;  // ms

// Pacing, the frame-rate window and the ticks begin at `now`: time spent before it produces
// neither a rush of frames nor a burst of ticks.
void StartPacing(uint32_t now) {
    loopState.paceStart = now;
    loopState.pacedPasses = 0;
    loopState.frameAccumulator = 0;
    loopState.rateWindowStart = now;
    SetTickClock(now);
}

// The row from whose entry on the passes before `startPosition` must draw: the last row that
// starts afresh and ends at or before it (so that its frames have drawn what is shown first), or
// the table's first row.
const SceneTableRow* FirstRowToDraw(uint32_t startPosition) {
    const SceneTableRow* first = sequencerState.table;
    for (const SceneTableRow* row = first;
         row != nullptr && row->endPosition != kEndRowPosition && row->endPosition <= startPosition;
         ++row)
        if (row->startsAfresh) first = row;
    return first;
}

// The pass's picture to the screen: through the settings' present routine when one is set.
void PresentFrame() {
    if (hostSettings.presentRoutine != nullptr)
        hostSettings.presentRoutine();
    else
        PresentWithBlit();
}

// Polls every waiting event into the window procedure.
void HandleEvents() {
    InputEvent event;
    while (ThePlatform().PollEvent(event)) WindowProcedure(event);
}

// While the platform holds the show (nobody can watch it): the music paused, nothing run or
// presented, events still handled so that a close request ends it. Afterwards the show's times
// move on by the time held, so the show goes on exactly as if that time had not passed: no rush
// of frames, no burst of ticks, the next frame due as it was.
void WaitWhileHeld() {
    Platform& platform = ThePlatform();
    const uint32_t heldAt = platform.Milliseconds();
    // A show the viewer paused is held already: its times move when the viewer lets it go on.
    const bool playing = !viewerState.paused;
    if (playing) MusicPause(true);
    while (platform.ShowHeld() && loopState.quitFlag == 0) {
        platform.Sleep(kHeldPassSleep);
        HandleEvents();
    }
    if (!playing) return;
    MusicPause(false);
    MoveShowTimes(platform.Milliseconds() - heldAt);
}

// On the window, time to spare until `until` builds the seek index on, when there is enough of
// it for a turn of the shadow show. Offline there is no time to spare: the index is built as far
// as a jump needs it, when it needs it.
void BuildSeekIndexUntil(uint32_t until) {
    if (launchOptions.headless) return;
    const auto spare = static_cast<int32_t>(until - ThePlatform().Milliseconds());
    if (spare >= static_cast<int32_t>(kSeekIndexTurn)) BuildSeekIndex(until);
}

// One look of a paused show: the picture shown again (its note with it), the seek index built
// on, the rest of a short sleep, the events.
void WaitWhilePaused() {
    Platform& platform = ThePlatform();
    PresentAgain();
    NotePlayerStatus();
    const uint32_t until = platform.Milliseconds() + kPausedPassSleep;
    BuildSeekIndexUntil(until);
    const auto left = static_cast<int32_t>(until - platform.Milliseconds());
    if (left > 0) platform.Sleep(static_cast<uint32_t>(left));
    HandleEvents();
}

// Before a pass: the time until it is due, less a margin for the pass itself, builds the seek
// index on, unless the sound needs that time (then the index is built while paused, and as far
// as a jump needs it).
void BuildSeekIndexBeforePass() {
    const uint32_t fps = launchOptions.framesPerSecond;
    if (fps == 0 || ThePlatform().SoundMixedBetweenFrames()) return;
    const uint32_t due =
        loopState.paceStart + static_cast<uint32_t>(loopState.pacedPasses * 1000u / fps);
    BuildSeekIndexUntil(due - kSeekIndexMargin);
}

// Program start again at the end of the scene table: the production state, then the song from
// its beginning and the pacing from now, as start-up leaves them to the loop.
bool StartAgain() {
    PlayOnFromHere();
    if (!ResetProductionState()) return false;
    MusicStop();
    MusicPlay();
    StartPacing(ThePlatform().Milliseconds());
    loopState.showPasses = 0;
    return true;
}

// The end of the scene table: the show ends, or with --loop starts again.
void EndShow() {
    if (!launchOptions.loop || !StartAgain()) loopState.quitFlag = 1;
}

}  // namespace

void SleepForPass() {
    Platform& platform = ThePlatform();
    const uint32_t fps = launchOptions.framesPerSecond;
    if (fps == 0) {
        platform.Sleep(platform.WindowVisible() ? 1 : kHiddenPassSleep);
        return;
    }
    const uint32_t now = platform.Milliseconds();
    const uint32_t offset = static_cast<uint32_t>(loopState.pacedPasses * 1000u / fps);
    int32_t ahead = static_cast<int32_t>(loopState.paceStart + offset - now);
    if (ahead < -kMaximumPaceLag) {
        loopState.paceStart = now - offset;
        ahead = 0;
    }
    if (ahead > 0) platform.Sleep(static_cast<uint32_t>(ahead));
}

bool PlayUnseenPass() {
    if (!RunSequencer()) return false;
    DispatchTicks();
    UpdateFrameRate(ThePlatform().Milliseconds());
    ++loopState.pacedPasses;
    ++loopState.showPasses;
    return true;
}

bool PlayUpTo(uint32_t position) {
    const SceneTableRow* firstDrawn = FirstRowToDraw(position);
    struct DrawingBackOn {
        ~DrawingBackOn() { drawingSwitch.off = false; }
    } drawingBackOn;
    for (;;) {
        SleepForPass();
        if (loopState.quitFlag != 0) return false;
        if (MusicPosition() >= position) return true;
        drawingSwitch.off = sequencerState.currentRow < firstDrawn;
        if (!PlayUnseenPass()) return false;
    }
}

void MoveShowTimes(uint32_t milliseconds) {
    loopState.paceStart += milliseconds;
    loopState.rateWindowStart += milliseconds;
    MoveTickClock(milliseconds);
    MoveSongStartClock(milliseconds);
}

uint32_t FrameRate() { return hostSettings.frameRate; }

void UpdateFrameRate(uint32_t now) {
    loopState.frameAccumulator += 1000;
    const uint32_t elapsed = now - loopState.rateWindowStart;
    if (elapsed > 1000) {
        loopState.rateWindowStart = now;
        hostSettings.frameRate = loopState.frameAccumulator / elapsed;
        loopState.frameAccumulator = 0;
    }
}

void RunFrameLoop() {
    loopState.quitFlag = 0;
    loopState.passCount = 0;
    loopState.showPasses = 0;
    StartPacing(ThePlatform().Milliseconds());  // after start-up
    StartShowJumps();
    StartViewerControls();
    if (launchOptions.publishSeekIndex) {
        PublishWholeSeekIndex();
        return;
    }
    // With a start position, the first pass to show has been slept for already.
    bool due = false;
    if (launchOptions.startPosition != 0) {
        due = PlayUpTo(launchOptions.startPosition);
        if (!due && loopState.quitFlag == 0) loopState.quitFlag = 1;  // the show ended first
        // On the window the real clock takes over, every time of the show moved onto it;
        // offline the virtual one simply runs on.
        const uint32_t preRollClock = ThePlatform().Milliseconds();
        if (EndPreRoll()) MoveShowTimes(ThePlatform().Milliseconds() - preRollClock);
    }
    Platform& platform = ThePlatform();
    const bool timed = timingReportState.recording;
    if (timed) NoteRunStart();
    while (loopState.quitFlag == 0) {
        ImportSeekIndexEntries();
        if (platform.ShowHeld()) {
            WaitWhileHeld();
            due = false;
            continue;
        }
        switch (ApplyViewerKeys()) {
            case ViewerAction::Play:
            case ViewerAction::Step:
                break;
            case ViewerAction::PlayNow:
                due = true;
                break;
            case ViewerAction::Hold:
                WaitWhilePaused();
                continue;
            case ViewerAction::EndShow:
                EndShow();
                due = false;
                continue;
        }
        if (!due) {
            BuildSeekIndexBeforePass();
            SleepForPass();
        }
        due = false;
        const bool running = timed ? RunSequencerTimed() : RunSequencer();
        // At the end the show ends, starts again (--loop, below) or holds there, ended.
        if (!running && !launchOptions.loop && !HoldAtTheEnd()) loopState.quitFlag = 1;
        PresentFrame();
        if (storyboardState.recording) NoteStoryboardPass();
        if (flashReportState.recording) NoteFlashReportPass();
        if (captureState.recording && !NoteCapturePass()) loopState.quitFlag = 1;
        DispatchTicks();
        UpdateFrameRate(platform.Milliseconds());
        NoteViewerPass();
        NotePlayerStatus();
        HandleEvents();
        ++loopState.passCount;
        ++loopState.pacedPasses;
        ++loopState.showPasses;
        if (launchOptions.frameLimit != 0 && loopState.passCount >= launchOptions.frameLimit)
            loopState.quitFlag = 1;
        if (!running && launchOptions.loop && loopState.quitFlag == 0 && !StartAgain())
            loopState.quitFlag = 1;
    }
    CompleteCaptureSound();
    if (timed) NoteRunEnd();
}

}  // namespace qx
