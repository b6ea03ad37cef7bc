// The program as a page's player sees it (the browser's controls, its timeline and its worker
// that builds the seek index): C entry points the page calls between the program's frames, a
// status the frame loop keeps up to date, and a description of the show's rows and times.
//
// The status, eight 32-bit words (kPlayerStatusWords):
//   0 state: 0 not started, 1 playing, 2 paused, 3 ended (held on its last picture),
//     4 preparing (a jump waits for the seek index)
//   1 music position of the picture shown, order << 8 | row
//   2 scene-table row of the picture shown
//   3 the song's time of play at that picture, ms
//   4 the music position of the last jump asked for
//   5 its time, ms (by the orders' start times)
//   6 pictures presented
//   7 jumps whose first picture has been presented
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kPlayerStatusWords = 8;
enum class PlayerState : uint32_t { NotStarted, Playing, Paused, Ended, Preparing };

// The page's requests, as qx_player_request numbers them.
enum class PlayerRequest : uint32_t {
    TogglePause = 1,
    Play = 2,
    Pause = 3,
    NextRow = 4,
    PreviousRow = 5,
    SeekTo = 6,  // value: music position
    Restart = 7,
};

// After every pass presented and every look of a held show.
void NotePlayerStatus();

// The time of a music position (ms of play from the song's start) by the start times and rows
// of its order as the sound module reckons them; 0 without them.
uint32_t PositionMilliseconds(uint32_t position);

}  // namespace qx

extern "C" {
// Applies nothing at once: the request waits for the frame loop, in order. False for an unknown
// request or before the show has started.
uint32_t qx_player_request(uint32_t request, uint32_t value);
// The status words above, updated by the frame loop.
const uint32_t* qx_player_status();
// {"endMs":N,"rows":[{"name":"...","position":N,"ms":N,"scene":true},...],
//  "orders":[{"ms":N,"rows":N},...]}: the scene table's rows with their start times (scene: a
// new scene begins there) and the song's orders up to the end of the show.
const char* qx_player_description();
// The page's worker builds the seek index (1) or has gone (0).
void qx_seek_index_from_outside(uint32_t outside);
// An entry of the worker's index, copied; read between frames.
void qx_seek_index_offer(const uint8_t* bytes, uint32_t size);
}
