// The viewer's keys while the show plays, as on a video player: Space pauses and resumes, Right
// and Left jump to the next and previous scene-table row (Left within the first second of a row
// to the row before), Page Down and Page Up one order on and back, Home to program start, '.'
// steps one frame while paused, F12 saves the picture as a PNG file, D turns the debug overlay on
// and off. Keys are kept in the order pressed and applied one jump or step per pass, so every
// jump's first frame is shown. After a key, and while paused, a note on the picture shown (never
// on the framebuffer) says where the show is.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qx {

inline constexpr uint32_t kViewerKeyCapacity = 64;   // keys waiting; more are dropped
inline constexpr uint32_t kNoteMilliseconds = 1500;  // the note stays after the last key
inline constexpr uint32_t kBackToRowBefore = 1000;   // ms into a row within which Left goes back
inline constexpr uint32_t kPausedPassSleep = 20;     // ms between the looks of a paused show

// Writes a picture of 0x00RRGGBB pixels, rows packed, as a PNG file; false with the cause in
// `failure`. The program hands down its PNG writer; without one F12 says it cannot save.
using PictureWriter = bool (*)(const char* path, const uint32_t* pixels, uint32_t width,
                               uint32_t height, std::string& failure);

enum class ViewerKey : uint8_t {
    Pause,
    NextRow,
    PreviousRow,
    NextOrder,
    PreviousOrder,
    Home,
    Step,
    Screenshot,
    Debug,
    Play,     // requests only: play on (from an end, the beginning again)
    Hold,     // requests only: hold still
    SeekTo,   // requests only: to a music position
    Restart,  // requests only: the beginning, playing
};

struct ViewerRequest {
    ViewerKey key = ViewerKey::Pause;
    uint32_t position = 0;  // SeekTo's music position
};

struct ViewerState {
    ViewerRequest waiting[kViewerKeyCapacity]{};  // a ring, oldest at `first`
    uint32_t first = 0;
    uint32_t count = 0;
    bool paused = false;
    bool stepping = false;        // paused for one pass only
    uint32_t pausedAt = 0;        // clock when the show was last held still
    uint64_t rowEnteredPass = 0;  // loopState.showPasses when the current row began to play
    bool noteShown = false;       // a key has been pressed since the show started
    uint32_t noteUntil = 0;       // clock until which the note is shown while playing
    bool ended = false;           // held at the end of the show (page controls)
    bool preparing = false;       // a jump waits for the seek index
    uint32_t pendingTarget = 0;   // its music position
    bool playAfterLanding = false;  // the show plays on once that jump has landed
    uint32_t lastTarget = 0;      // the music position of the last jump asked for
    bool landingDue = false;      // the pass about to be presented is a jump's first
    uint32_t jumpsLanded = 0;     // jumps whose first picture has been presented
    PictureWriter writePicture = nullptr;
};
extern ViewerState viewerState;

// At the start of the frame loop: nothing waiting, playing, no note; the picture writer kept.
void StartViewerControls();

// From the window procedure: the viewer's key pressed, kept until the loop applies it.
// Returns false for a key that is none of the viewer's.
bool QueueViewerKey(KeyCode key);
// A request of the page's controls (or a key's meaning), kept until the loop applies it; dropped
// when kViewerKeyCapacity are waiting.
void QueueViewerRequest(ViewerKey key, uint32_t position = 0);

// What the frame loop does next, once the waiting keys are applied.
enum class ViewerAction : uint8_t {
    Play,     // the next pass as usual
    PlayNow,  // a jump landed: its first pass is due now
    Step,     // paused: one pass, then paused again
    Hold,     // paused: nothing to play
    EndShow   // a jump went past the end: the show ends as at its end
};

// Applies waiting keys in order, up to and including the first jump or step. The caller has
// polled events since its last pass.
ViewerAction ApplyViewerKeys();

// After every pass the loop has presented: notes when a row begins.
void NoteViewerPass();

// The pass found the end of the scene table and the show does not start again: true when the
// show holds there, ended (page controls), instead of ending.
bool HoldAtTheEnd();

// The show starting again (--loop) plays, whatever held it: a held show goes on first.
void PlayOnFromHere();

// Index of the scene-table row being played: the last one once the table is done.
uint32_t CurrentRow();

// The note's text for the state the show is in, e.g. "17 grey-echo  12:00  paused".
std::string ViewerNoteText();

// The picture to put on the screen for `shown`: itself, or while the note is due (after a key,
// while paused) a copy with the note drawn on.
const uint32_t* DecorateShownPicture(const uint32_t* shown, uint32_t width, uint32_t rows);

// The name F12 saves the picture under: marrowtide-OO-RR-PPPPPP.png, order and row in hex and
// the show's pass number in decimal.
std::string ScreenshotName();

}  // namespace qx
