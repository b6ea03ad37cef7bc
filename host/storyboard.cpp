#include "host/storyboard.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "data/font.h"
#include "display/framebuffer.h"
#include "music/scene_sequencer.h"

namespace qx {

StoryboardState storyboardState;

namespace {

constexpr uint32_t kRowsPerOrder = 64;  // the soundtrack's constant pattern length

// Music rows from the start of the song: positions are order x 256 + row, 64 rows an order.
uint64_t LinearMusicRow(uint32_t position) {
    return uint64_t{position >> 8} * kRowsPerOrder + (position & 0xFF);
}

void PutPixel(RgbImage& image, uint32_t x, uint32_t y, uint32_t colour) {
    uint8_t* out = &image.rgb[(static_cast<size_t>(y) * static_cast<size_t>(image.width) + x) * 3];
    out[0] = static_cast<uint8_t>(colour >> 16);
    out[1] = static_cast<uint8_t>(colour >> 8);
    out[2] = static_cast<uint8_t>(colour);
}

// The label in the tile's strip, glyphs clipped to the strip and the tile's width. A glyph taller
// than the strip loses its top rows, which hold almost no ink, rather than its descenders.
void DrawLabel(const char* text, RgbImage& image, uint32_t tileLeft, uint32_t stripTop) {
    const uint32_t rows = std::min(kGlyphRows, kStoryboardLabelRows);
    const uint32_t skipped = kGlyphRows - rows;
    const uint32_t right = tileLeft + kPictureWidth;
    for (uint32_t left = tileLeft + kStoryboardLabelIndent; *text != 0 && left < right;
         ++text, left += kGlyphWidth) {
        const GlyphRecord* glyph = GlyphFor(static_cast<unsigned char>(*text));
        if (glyph == nullptr) continue;
        const uint8_t* bits = GlyphBits(*glyph);
        const uint32_t columns = std::min(kGlyphWidth, right - left);
        for (uint32_t y = 0; y < rows; ++y)
            for (uint32_t x = 0; x < columns; ++x)
                if (bits[(y + skipped) * kGlyphWidth + x] != 0)
                    PutPixel(image, left + x, stripTop + y, kStoryboardLabelInk);
    }
}

}  // namespace

void StartStoryboard() {
    storyboardState = {};
    storyboardState.frames.assign(size_t{kStoryboardTiles} * kPicturePixels, 0);
    storyboardState.recording = true;
}

void NoteStoryboardPass() {
    const SequencerState& pass = sequencerState;
    const uint32_t tile = pass.lastPassRow;
    if (pass.lastPass != SequencerPass::Frame || tile >= kStoryboardTiles ||
        storyboardState.settled[tile])
        return;
    const FramebufferState& shown = framebufferState;
    const uint32_t* pixels = hostSettings.framebuffer;
    if (pixels == nullptr || shown.width < kPictureWidth || shown.height < kPictureHeight) return;
    uint32_t* frame = &storyboardState.frames[size_t{tile} * kPicturePixels];
    for (uint32_t y = 0; y < kPictureHeight; ++y)
        std::copy_n(pixels + size_t{y} * shown.width, kPictureWidth, frame + y * kPictureWidth);
    storyboardState.kept[tile] = true;
    // Row `tile` runs from the previous row's end (0 for the first) to its own; the middle is
    // compared doubled so that half rows stay exact.
    const uint64_t start = tile == 0 ? 0 : LinearMusicRow(pass.table[tile - 1].endPosition);
    const uint64_t end = LinearMusicRow(pass.table[tile].endPosition);
    storyboardState.settled[tile] = 2 * LinearMusicRow(pass.lastPassPosition) >= start + end;
}

RgbImage ComposeStoryboard(std::span<const uint32_t* const, kStoryboardTiles> frames,
                           std::span<const char* const, kStoryboardTiles> names) {
    RgbImage board{static_cast<int>(kStoryboardWidth), static_cast<int>(kStoryboardHeight), {}};
    board.rgb.assign(size_t{kStoryboardWidth} * kStoryboardHeight * 3, 0);
    for (uint32_t tile = 0; tile < kStoryboardTiles; ++tile) {
        const uint32_t left = tile % kStoryboardColumns * kPictureWidth;
        const uint32_t top = tile / kStoryboardColumns * kStoryboardTileHeight;
        if (const uint32_t* frame = frames[tile]; frame != nullptr)
            for (uint32_t y = 0; y < kPictureHeight; ++y)
                for (uint32_t x = 0; x < kPictureWidth; ++x)
                    PutPixel(board, left + x, top + y, frame[y * kPictureWidth + x]);
        char label[48];
        std::snprintf(label, sizeof label, "%02u %s", static_cast<unsigned>(tile),
                      names[tile] != nullptr ? names[tile] : "");
        DrawLabel(label, board, left, top + kPictureHeight);
    }
    return board;
}

RgbImage ComposeRecordedStoryboard() {
    std::array<const uint32_t*, kStoryboardTiles> frames{};
    std::array<const char*, kStoryboardTiles> names{};
    for (uint32_t tile = 0; tile < kStoryboardTiles; ++tile) {
        if (storyboardState.kept[tile])
            frames[tile] = &storyboardState.frames[size_t{tile} * kPicturePixels];
        names[tile] = SceneRowName(tile);
    }
    return ComposeStoryboard(frames, names);
}

void PrintRowDigests(std::FILE* stream) {
    for (uint32_t tile = 0; tile < kStoryboardTiles; ++tile) {
        std::fprintf(stream, "%02u %s ", static_cast<unsigned>(tile), SceneRowName(tile));
        if (storyboardState.kept[tile])
            std::fprintf(stream, "%016llx\n",
                         static_cast<unsigned long long>(DigestPixels(
                             kDigestSeed, &storyboardState.frames[size_t{tile} * kPicturePixels],
                             kPicturePixels)));
        else
            std::fputs("none\n", stream);
    }
}

}  // namespace qx
