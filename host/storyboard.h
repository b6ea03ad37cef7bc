// The storyboard of the offline run: while the show plays, one frame of every scene table row is
// kept (the first frame pass at or after the row's middle in music time, else its last frame
// pass); at the end they are composed into one grid picture, each frame over a label strip
// "NN row-name". Writing the picture is the program's business (platform/png_file.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "base/host_settings.h"
#include "platform/png_file.h"
#include "scenes/scene_table.h"

namespace qx {

inline constexpr uint32_t kStoryboardTiles = kSceneRowCount;  // one per table row
inline constexpr uint32_t kStoryboardColumns = 6;
inline constexpr uint32_t kStoryboardLabelRows = 12;       // pixels under each frame
inline constexpr uint32_t kStoryboardLabelIndent = 4;      // pixels from the tile's left edge
inline constexpr uint32_t kStoryboardLabelInk = 0xC8C8C8;  // light grey
inline constexpr uint32_t kStoryboardTileHeight = kPictureHeight + kStoryboardLabelRows;
inline constexpr uint32_t kStoryboardWidth = kStoryboardColumns * kPictureWidth;  // 1920
inline constexpr uint32_t kStoryboardHeight =
    (kStoryboardTiles + kStoryboardColumns - 1) / kStoryboardColumns * kStoryboardTileHeight;

struct StoryboardState {
    bool recording = false;  // StartStoryboard ran: the frame loop notes every pass
    // kStoryboardTiles pictures of kPicturePixels words (0x00RRGGBB), tile i at i x
    // kPicturePixels; allocated once by StartStoryboard.
    std::vector<uint32_t> frames;
    bool kept[kStoryboardTiles] = {};     // the tile holds a frame of its row
    bool settled[kStoryboardTiles] = {};  // that frame reached the row's middle: it stays
};
extern StoryboardState storyboardState;

// Allocates the frames (black) and starts recording. Before the frame loop, once.
void StartStoryboard();

// After a pass has been presented: keeps the picture when the pass ran the frame routine of a
// table row whose frame is not settled yet. Reads what the sequencer recorded of the pass.
void NoteStoryboardPass();

// The grid: tile i at ((i mod 6) x 320, (i div 6) x 212), its 320 x 200 frame (black when null)
// over a 12-row strip labelled with the two-digit tile number and names[i] in the overlay
// font. kStoryboardWidth x kStoryboardHeight pixels on black.
RgbImage ComposeStoryboard(std::span<const uint32_t* const, kStoryboardTiles> frames,
                           std::span<const char* const, kStoryboardTiles> names);

// The storyboard of the frames kept so far, labelled with the production's row names.
RgbImage ComposeRecordedStoryboard();

// One line a table row, "NN row-name DIGEST": the digest (DigestPixels from kDigestSeed, 16 hex
// digits) of the row's kept frame, "none" for a row no frame was kept of.
void PrintRowDigests(std::FILE* stream);

}  // namespace qx
