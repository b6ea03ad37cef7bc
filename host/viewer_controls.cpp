#include "host/viewer_controls.h"

#include <algorithm>
#include <cstdio>

#include "base/host_settings.h"
#include "base/pixel_ops.h"
#include "data/font.h"
#include "display/framebuffer.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "host/show_jumps.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "overlay/text_renderer.h"
#include "platform/os_services.h"
#include "scenes/scene_table.h"

namespace qx {

ViewerState viewerState;

namespace {

inline constexpr uint32_t kNoteColour = 0xF0F0F0;
inline constexpr uint32_t kNoteMargin = 4;   // pixels from the picture's lower left corner
inline constexpr uint32_t kNotePadding = 2;  // pixels of darkened picture around the text

uint32_t notePicture[kFramebufferCapacity];  // the shown picture with the note on it

struct KeyMeaning {
    KeyCode key;
    ViewerKey meaning;
};
constexpr KeyMeaning kViewerKeys[] = {
    {KeyCode::Space, ViewerKey::Pause},
    {KeyCode::Right, ViewerKey::NextRow},
    {KeyCode::Left, ViewerKey::PreviousRow},
    {KeyCode::PageDown, ViewerKey::NextOrder},
    {KeyCode::PageUp, ViewerKey::PreviousOrder},
    {KeyCode::Home, ViewerKey::Home},
    {KeyCode::Period, ViewerKey::Step},
    {KeyCode::F12, ViewerKey::Screenshot},
    {KeyCode::D, ViewerKey::Debug},
};

uint32_t Now() { return ThePlatform().Milliseconds(); }

void HoldStill() {
    viewerState.paused = true;
    viewerState.pausedAt = Now();
    MusicPause(true);
}

// Picture and music go on exactly where they stopped: the show's times skip the time held.
void GoOn() {
    viewerState.paused = false;
    MoveShowTimes(Now() - viewerState.pausedAt);
    MusicPause(false);
}

// Milliseconds of show since the current row began, by the passes played.
uint64_t TimeInRow() {
    const uint64_t passes = loopState.showPasses - viewerState.rowEnteredPass;
    const uint32_t fps = launchOptions.framesPerSecond;
    return fps == 0 ? passes : passes * 1000 / fps;  // unpaced, a pass takes a millisecond
}

// The music position a key jumps to; kEndRowPosition for past the last row.
uint32_t JumpTarget(ViewerKey key) {
    const uint32_t row = CurrentRow();
    const uint32_t order = sequencerState.lastPassPosition >> 8;
    switch (key) {
        case ViewerKey::NextRow:
            return row + 1 < kSceneRowCount ? RowStartPosition(row + 1) : kEndRowPosition;
        case ViewerKey::PreviousRow:
            return RowStartPosition(row > 0 && TimeInRow() < kBackToRowBefore ? row - 1 : row);
        case ViewerKey::NextOrder:
            return (order + 1) << 8;
        case ViewerKey::PreviousOrder:
            return (order > 0 ? order - 1 : 0) << 8;
        default:
            return 0;  // Home
    }
}

bool PageControls() { return ThePlatform().PageControls(); }

// A jump to `target`; `play` says whether the show plays on after it (else it stays held).
ViewerAction Jump(uint32_t target, bool play) {
    ViewerState& viewer = viewerState;
    viewer.lastTarget = target;
    viewer.preparing = false;
    if (target == kEndRowPosition && !PageControls()) {
        if (viewer.paused) GoOn();
        return ViewerAction::EndShow;
    }
    if (!JumpReady(target)) {
        viewer.preparing = true;
        viewer.pendingTarget = target;
        viewer.playAfterLanding = play;
        if (!viewer.paused) HoldStill();
        return ViewerAction::Hold;
    }
    viewer.ended = false;
    if (!viewer.paused) MusicPause(true);
    const JumpResult result = JumpTo(target);
    // Paused, picture and song are held from here: the song was put there just now.
    if (viewer.paused)
        viewer.pausedAt = Now();
    else
        MusicPause(false);
    // The row landed in began where the index has its start (a page lands inside a row).
    if (!ShowPassesAt(RowStartPosition(RowAt(target)), viewer.rowEnteredPass))
        viewer.rowEnteredPass = loopState.showPasses;
    if (result == JumpResult::PastTheEnd && !PageControls()) {
        if (viewer.paused) GoOn();
        return ViewerAction::EndShow;
    }
    // With page controls a jump past the end plays its last pass, which finds the end and holds.
    if (viewer.paused && play) GoOn();
    if (!play && !viewer.paused) HoldStill();
    viewer.landingDue = true;
    return ViewerAction::PlayNow;
}

// Whether the show plays on after a jump asked for now: as it does now, or as a jump still
// preparing was to; from the end, it plays.
bool PlaysAfterJump() {
    const ViewerState& viewer = viewerState;
    return viewer.preparing ? viewer.playAfterLanding : !viewer.paused || viewer.ended;
}

// Play on (true) or hold (false), as the page's play and pause ask.
ViewerAction PlayOrHold(bool play) {
    ViewerState& viewer = viewerState;
    if (viewer.preparing) {
        viewer.playAfterLanding = play;
        return ViewerAction::Play;
    }
    if (play && viewer.ended) return Jump(0, true);
    if (play && viewer.paused) GoOn();
    if (!play && !viewer.paused) HoldStill();
    return ViewerAction::Play;
}

void SaveScreenshot() {
    const uint32_t* pixels = framebufferState.lastShown;
    const std::string name = ScreenshotName();
    const std::string path = os::AbsolutePath(name);
    std::string failure = "nothing has been shown yet";
    if (viewerState.writePicture == nullptr) failure = "this build writes no pictures";
    if (pixels != nullptr && viewerState.writePicture != nullptr &&
        viewerState.writePicture(name.c_str(), pixels, framebufferState.width,
                                 framebufferState.shownHeight, failure)) {
        std::fprintf(stderr, "QX_Marrowtide: picture saved as %s\n", path.c_str());
        return;
    }
    std::fprintf(stderr, "QX_Marrowtide: the picture could not be saved as %s: %s\n", path.c_str(),
                 failure.c_str());
}

bool NoteDue() {
    return viewerState.noteShown && !PageControls() &&
           (viewerState.paused || static_cast<int32_t>(viewerState.noteUntil - Now()) > 0);
}

}  // namespace

void StartViewerControls() {
    const PictureWriter writer = viewerState.writePicture;
    viewerState = ViewerState{};
    viewerState.writePicture = writer;
    framebufferState.decorate = DecorateShownPicture;
}

bool QueueViewerKey(KeyCode key) {
    const auto found =
        std::find_if(std::begin(kViewerKeys), std::end(kViewerKeys),
                     [key](const KeyMeaning& meaning) { return meaning.key == key; });
    if (found == std::end(kViewerKeys)) return false;
    QueueViewerRequest(found->meaning);
    return true;
}

void QueueViewerRequest(ViewerKey key, uint32_t position) {
    ViewerState& viewer = viewerState;
    if (viewer.count < kViewerKeyCapacity)
        viewer.waiting[(viewer.first + viewer.count++) % kViewerKeyCapacity] = {key, position};
}

uint32_t CurrentRow() {
    const SequencerState& sequencer = sequencerState;
    if (sequencer.currentRow == nullptr || sequencer.table == nullptr) return 0;
    const auto row = static_cast<uint32_t>(sequencer.currentRow - sequencer.table);
    return std::min(row, kSceneRowCount - 1);
}

void PlayOnFromHere() {
    ViewerState& viewer = viewerState;
    viewer.stepping = false;
    viewer.ended = false;
    viewer.preparing = false;
    if (viewer.paused) GoOn();
}

bool HoldAtTheEnd() {
    if (!PageControls()) return false;
    ViewerState& viewer = viewerState;
    viewer.ended = true;
    if (!viewer.paused) HoldStill();
    return true;
}

ViewerAction ApplyViewerKeys() {
    ViewerState& viewer = viewerState;
    while (viewer.count > 0) {
        const ViewerRequest request = viewer.waiting[viewer.first];
        viewer.first = (viewer.first + 1) % kViewerKeyCapacity;
        --viewer.count;
        ViewerAction action = ViewerAction::Play;
        switch (request.key) {
            case ViewerKey::Pause:
                action = PlayOrHold(viewer.preparing ? !viewer.playAfterLanding
                                                     : viewer.paused || viewer.ended);
                break;
            case ViewerKey::Play:
                action = PlayOrHold(true);
                break;
            case ViewerKey::Hold:
                action = PlayOrHold(false);
                break;
            case ViewerKey::SeekTo:
                action = Jump(request.position, PlaysAfterJump());
                break;
            case ViewerKey::Restart:
                action = Jump(0, true);
                break;
            case ViewerKey::Debug:
                hostSettings.debugFlag = hostSettings.debugFlag == 1 ? 0 : 1;
                break;
            case ViewerKey::Screenshot:
                SaveScreenshot();
                break;
            case ViewerKey::Step:
                if (!viewer.paused || viewer.ended || viewer.preparing) break;
                GoOn();
                viewer.stepping = true;
                action = ViewerAction::Step;
                break;
            default:
                action = Jump(JumpTarget(request.key), PlaysAfterJump());
                break;
        }
        viewer.noteShown = true;
        viewer.noteUntil = Now() + kNoteMilliseconds;
        if (action != ViewerAction::Play) return action;
    }
    // A jump that waited for the seek index lands as soon as the index reaches it.
    if (viewer.preparing && JumpReady(viewer.pendingTarget))
        return Jump(viewer.pendingTarget, viewer.playAfterLanding);
    return viewer.paused ? ViewerAction::Hold : ViewerAction::Play;
}

void NoteViewerPass() {
    ViewerState& viewer = viewerState;
    if (viewer.landingDue) {
        viewer.landingDue = false;
        ++viewer.jumpsLanded;
        // A landing shown while paused ran its ticks up to now: the show is held from here, so
        // that playing on does not put its times ahead of the clock.
        if (viewer.paused) viewer.pausedAt = Now();
    }
    if (sequencerState.lastPass == SequencerPass::Enter)
        viewer.rowEnteredPass = loopState.showPasses;
    if (viewer.stepping) {
        viewer.stepping = false;
        HoldStill();
    }
}

std::string ViewerNoteText() {
    const uint32_t row = CurrentRow();
    const uint32_t position = sequencerState.lastPassPosition;
    char text[96];
    std::snprintf(text, sizeof text, "%02u %s  %02X:%02X%s", row, SceneRowName(row),
                  (position >> 8) & 0xFF, position & 0xFF, viewerState.paused ? "  paused" : "");
    return text;
}

const uint32_t* DecorateShownPicture(const uint32_t* shown, uint32_t width, uint32_t rows) {
    if (!NoteDue() || size_t{width} * rows > kFramebufferCapacity) return shown;
    const std::string text = ViewerNoteText();
    const uint32_t boxWidth = TextWidth(text.c_str()) + 2 * kNotePadding;
    const uint32_t boxHeight = kGlyphRows + 2 * kNotePadding;
    if (boxWidth + kNoteMargin > width || boxHeight + kNoteMargin > rows) return shown;
    std::copy(shown, shown + size_t{width} * rows, notePicture);
    const uint32_t left = kNoteMargin, top = rows - kNoteMargin - boxHeight;
    // A quarter of the picture's light under the text, so that it reads on any scene.
    for (uint32_t y = top; y < top + boxHeight; ++y)
        for (uint32_t x = left; x < left + boxWidth; ++x) {
            uint32_t& pixel = notePicture[size_t{y} * width + x];
            pixel = AverageChannels(AverageChannels(pixel, 0), 0);
        }
    DrawTextInPicture(text.c_str(), notePicture, width, rows, left + kNotePadding,
                      top + kNotePadding, kNoteColour);
    return notePicture;
}

std::string ScreenshotName() {
    const uint32_t position = sequencerState.lastPassPosition;
    const uint64_t pass = loopState.showPasses > 0 ? loopState.showPasses - 1 : 0;
    char name[64];
    std::snprintf(name, sizeof name, "marrowtide-%02X-%02X-%06llu.png", (position >> 8) & 0xFF,
                  position & 0xFF, static_cast<unsigned long long>(pass));
    return name;
}

}  // namespace qx
