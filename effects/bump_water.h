// Bump mapping and water: two effects that light or bend a picture through a height field.
// Bump: a grey height map is smoothed (BlurGrey8) and turned into slope maps (DeriveHorizontal,
// DeriveVertical) once at start-up; each frame every pixel is averaged with a light-map texel
// looked up at the light position minus the local slopes. Water: two 16-bit height fields run a
// damped wave; each frame every pixel shows the background displaced by local height
// differences. Pictures are 320 x 200 words 0x00RRGGBB, grey pictures 320 x 200 bytes, the light
// map 256 x 256 words (texel (row r, column c) at r * 256 + c); all are owned by the caller.
#pragma once

#include <cstdint>

#include "base/picture.h"

namespace qx {

// The vertical slope map, then the horizontal one; each entry 8 * height difference, mod 256.
inline constexpr uint32_t kSlopeMapBytes = kPicturePixels;
inline constexpr uint32_t kSlopeMapsBytes = 2 * kSlopeMapBytes;
extern uint8_t slopeMaps[kSlopeMapsBytes];

inline constexpr uint32_t kWaterFieldHeights = kPicturePixels;  // signed 16-bit, row by row
extern int16_t waterFieldA[kWaterFieldHeights];
extern int16_t waterFieldB[kWaterFieldHeights];

struct BumpState {
    uint8_t lightRow = 0;     // added to the row (y) to give the light-map column
    uint8_t lightColumn = 0;  // added to the column (x) to give the light-map row
};
extern BumpState bumpState;

// The field read this frame and the one the step overwrites; they swap after every step.
struct WaterState {
    int16_t* currentField = waterFieldA;
    int16_t* previousField = waterFieldB;
};
extern WaterState waterState;

// Positions 321 .. 63680 in order: destination = (sum of the 8 neighbours) / 8, neighbours
// across the left and right borders taken from the adjacent rows. Called in place, so the left
// and upper neighbours are already smoothed (separate buffers read only the source). The last
// two positions have lower neighbours past the end of the picture; those count as 0.
void BlurGrey8(const uint8_t* source, uint8_t* destination);
// The same on every byte of a picture (all four bytes of each pixel on their own).
void BlurPixelBytes8(const uint32_t* source, uint32_t* destination);
// out[x] = 8 * (in[x] - in[x - 1]) mod 256 along each row, in[-1] = 0; in and out are
// separate arrays of width x height bytes.
void DeriveHorizontal(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height);
// out[y] = 8 * (in[y] - in[y - 1]) mod 256 down each column, in[-1] = 0; separate arrays.
void DeriveVertical(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height);
// Pixel (x, y): per channel (source + light) / 2, top byte 0, with the light texel at row
// (light column + x - H), column (light row + y - V), bytes that wrap; V and H from the slopes.
void DrawBumpLight(const uint32_t* colour, const uint8_t* slopes, const uint32_t* lightMap,
                   uint32_t* destination);

// a becomes the current field, b the previous one.
void SetWaterBuffers(int16_t* a, int16_t* b);
// Steps the inner heights into the previous field, draws rows 0..198 from the current field as
// the background displaced by the height differences (clamped to the background) and swaps.
void StepAndDrawWater(const uint32_t* background, uint32_t* destination);

namespace reference {
// Line by line with the previous height carried along, one byte at a time.
void DeriveHorizontal(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height);
void DeriveVertical(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height);
}  // namespace reference

}  // namespace qx
