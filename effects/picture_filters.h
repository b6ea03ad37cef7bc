// Whole-picture filters: grey expansion, the diagonal smear, saturated sum and average of two
// pictures, the two fades by the shared fade level, and the copy that treats 0 as transparent.
// Pictures are 320 x 200 words 0x00RRGGBB, grey pictures 320 x 200 bytes, both top row first and
// owned by the caller. Source and destination may be the same buffer wherever both are named;
// otherwise they must not overlap.
//
// The routines in namespace qx work on 16 bytes at a time; namespace qx::reference holds the
// plain per-pixel loops they must match bit for bit.
#pragma once

#include <cstdint>

#include "base/picture.h"
#include "effects/fades.h"

namespace qx {

// Pixel i becomes Grey(grey[i]); the top byte becomes 0.
void ExpandGreyPicture(const uint8_t* grey, uint32_t* picture);
// Rows 1..198, columns 1..318, top to bottom and left to right:
// destination[y][x] = (source[y-1][x-1] + source[y+1][x+1]) / 2. In place, every row already
// sees the smeared row above it. The outermost rows and columns are never written.
void SmearDiagonal(const uint8_t* source, uint8_t* destination);
// Per channel min(255, a + b); the top byte comes from a.
void AddPicturesSaturated(const uint32_t* a, const uint32_t* b, uint32_t* destination);
// Per channel floor(a / 2) + floor(b / 2); the top byte becomes 0.
void AveragePictures(const uint32_t* a, const uint32_t* b, uint32_t* destination);
// Per channel floor((a x (256 - weight) + b x weight) / 256), weight 0..256; the top byte
// becomes 0.
void BlendPictures(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* destination);
// Per channel min(255, c + fade level), top byte kept; false, writing nothing, at level 0.
bool BrightenByFadeLevel(const uint32_t* source, uint32_t* destination);
// Per channel max(0, c - fade level), top byte kept; false, writing nothing, at level 0.
bool DarkenByFadeLevel(const uint32_t* source, uint32_t* destination);
// The two fades with every channel's change limited to kGentleFadeStep in linear light, so that
// no pixel's relative luminance moves by more than that: a dark pixel takes (nearly) the whole
// level, a bright one a few steps. False, writing nothing, at level 0.
inline constexpr double kGentleFadeStep = 0.05;
bool BrightenGentlyByFadeLevel(const uint32_t* source, uint32_t* destination);
bool DarkenGentlyByFadeLevel(const uint32_t* source, uint32_t* destination);
// Copies rowCount rows of 320 words, leaving the destination word wherever the source word is 0.
void CopyNonZeroRows(const uint32_t* source, uint32_t* destination, uint32_t rowCount);

namespace reference {
void ExpandGreyPicture(const uint8_t* grey, uint32_t* picture);
void SmearDiagonal(const uint8_t* source, uint8_t* destination);
void AddPicturesSaturated(const uint32_t* a, const uint32_t* b, uint32_t* destination);
void AveragePictures(const uint32_t* a, const uint32_t* b, uint32_t* destination);
bool BrightenByFadeLevel(const uint32_t* source, uint32_t* destination);
bool DarkenByFadeLevel(const uint32_t* source, uint32_t* destination);
void CopyNonZeroRows(const uint32_t* source, uint32_t* destination, uint32_t rowCount);
}  // namespace reference

}  // namespace qx
