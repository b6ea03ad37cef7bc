// Three full-screen generators without a multiply per pixel: the rotozoomer (a 256 x 256 texture
// turned and scaled about the screen centre through one table of per-row start coordinates and
// one of per-column increments, every coordinate a byte that wraps), the table plasma (half the
// pixels per call, in a checkerboard, from the wave table and a texture) and the scroller (a
// picture copied with its rows rotated). Textures are 256 x 256 words, texel (row r, column c)
// at r * 256 + c; pictures are 320 x 200 words; both are owned by the caller.
#pragma once

#include <cstdint>

#include "base/picture.h"

namespace qx {

inline constexpr uint32_t kRotozoomRowEntries = kPictureHeight;
inline constexpr uint32_t kRotozoomColumnEntries = kPictureWidth;
inline constexpr uint32_t kScrollSourceRows = 230;  // a picture followed by 30 black rows
inline constexpr uint32_t kScrollStep = 23;         // rows per AdvanceScroll

// Row entry r: texel coordinates (high byte row, low byte column) of row r, column -1, less
// 128 in each byte. Column entry k: bytes added to those coordinates from column k - 1 to k.
extern int32_t rotozoomRowTable[kRotozoomRowEntries];
extern int32_t rotozoomColumnTable[kRotozoomColumnEntries];

struct RotozoomState {
    int32_t rotozoomAngle = 1;   // degrees
    int32_t rotozoomZoom = 512;  // 8.8 scale: about zoom / 256 texels per screen pixel
};
extern RotozoomState rotozoomState;

struct PlasmaState {
    uint8_t plasmaPhaseA = 0;
    uint8_t plasmaPhaseB = 0;
    uint8_t plasmaParity = 0;  // 0 or 1: column parity written in row 0
};
extern PlasmaState plasmaState;

struct ScrollState {
    uint8_t scrollRow = 0;  // source row shown in destination row 0: 0, 23, ..., 207
};
extern ScrollState scrollState;

// From the rotozoom angle and zoom: c = round(cos(angle) * zoom), s = round(sin(angle) * zoom).
void BuildRotozoomTables();
void DrawRotozoom(const uint32_t* texture, uint32_t* destination);
// angle + 4 degrees, zoom - 2; unbounded, both wrap as 32-bit numbers.
void AdvanceRotozoom();

// Writes the pixels whose column parity is that of (plasma parity + row), then flips the parity
// and moves the phases; two calls write every pixel once.
void DrawTablePlasma(const uint32_t* texture, uint32_t* destination);

// Destination row y = source row (scroll row + rowsOn + y) mod 230 of a 320 x 230 source.
void CopyScrolled(const uint32_t* source, uint32_t* destination, uint32_t rowsOn = 0);
void AdvanceScroll();

}  // namespace qx
