// The overlay font: 64 glyphs of 8 x 13 pixels for the codes 0x20 to 0x5F. The letter slots hold
// lower-case shapes; 0x24 and 0x25 are blank.
#pragma once

#include <array>
#include <cstdint>

namespace qx {

struct GlyphRecord {
    uint16_t offset;  // of the glyph's bitmap from the start of the bitmap block
    uint8_t width;    // pixels: row length and advance
    uint8_t height;   // rows (the renderer always draws 13)
};

inline constexpr uint32_t kGlyphCount = 64;
inline constexpr uint32_t kFirstGlyphCode = 0x20;
inline constexpr uint32_t kGlyphWidth = 8;
inline constexpr uint32_t kGlyphRows = 13;
inline constexpr uint32_t kGlyphBytes = kGlyphWidth * kGlyphRows;  // one byte per pixel, 1 = ink

extern const std::array<GlyphRecord, kGlyphCount> kGlyphTable;
extern const std::array<uint8_t, kGlyphCount * kGlyphBytes> kGlyphBitmaps;  // in code order

// The glyph a character code is drawn with: codes from 0x60 use the slot 0x20 lower, so letters
// come out in their lower-case shapes; null for a code without a glyph.
const GlyphRecord* GlyphFor(uint32_t code);
// Its bitmap: glyph.width pixels a row, one byte each, 1 = ink.
inline const uint8_t* GlyphBits(const GlyphRecord& glyph) {
    return kGlyphBitmaps.data() + glyph.offset;
}

}  // namespace qx
