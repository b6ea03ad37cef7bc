// The frame loop: each pass sleeps (1 ms, or until the frame is due when paced), steps the scene
// sequencer, presents the framebuffer (and shows it to the storyboard and the capture when they
// are recording), runs the due ticks, updates the frame rate and empties the event queue. It
// returns at the end of the pass on which the quit flag was set.
//
// With a start position the passes before it run first without presenting (host/start_position.h);
// with --loop the pass that finds the end of the scene table is followed by the production state
// of program start and the song from its beginning, instead of the end. While the platform holds
// the show (a browser tab in the background) the loop waits, the music paused, and then goes on
// where it stopped. The viewer's keys pause it, step it, make it jump (host/viewer_controls.h);
// between frames the seek index is built (host/show_jumps.h).
#pragma once

#include <cstdint>

namespace qx {

struct LoopState {
    uint32_t quitFlag = 0;
    uint32_t frameAccumulator = 0;  // 1000 per frame since the last frame-rate update
    uint32_t rateWindowStart = 0;   // clock at the last frame-rate update, ms
    uint32_t paceStart = 0;         // clock when pacing began, ms
    uint64_t pacedPasses = 0;       // passes since pacing began
    uint64_t showPasses = 0;        // passes since the show began, presented or not
    uint64_t passCount = 0;         // passes presented
};
extern LoopState loopState;

void RunFrameLoop();

// The pass's sleep: until it is due when paced (not at all when late), else 1 ms.
void SleepForPass();

// One pass as the offline run plays it, but unseen: the sequencer, the due ticks and the frame
// rate, nothing presented. False when it found the end of the scene table.
bool PlayUnseenPass();

// Unseen passes until the first one that reads the music position `position` or later, which is
// slept for but not run (true); false when the show ends first. No drawing before the last row
// that starts afresh and ends at or before the position: nothing later reads it.
bool PlayUpTo(uint32_t position);

// Every time the show keeps (pacing, the frame-rate window, the ticks, the song's start on the
// clock) moved on by `milliseconds`, as after that much time held.
void MoveShowTimes(uint32_t milliseconds);

// Frames per second over the last window of a little more than one second (kept in
// hostSettings.frameRate, where the overlay reads it).
uint32_t FrameRate();

// Counts one frame and, once more than 1000 ms have passed since the window start, sets the
// frame rate to accumulator / elapsed (truncated) and starts a new window.
void UpdateFrameRate(uint32_t now);

}  // namespace qx
