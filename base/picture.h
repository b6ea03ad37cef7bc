// The picture format every subsystem shares: the 320 x 200 picture the scenes compose and the
// framebuffer shows, its grey one-byte-per-pixel form, and the 256 x 256 texture. Pictures are
// 32-bit words 0x00RRGGBB (blue in the lowest byte), rows top first, no gaps; a texel (row r,
// column c) is word r x 256 + c, and every effect that reads a texture wraps both modulo 256.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kPictureWidth = 320;   // pixels
inline constexpr uint32_t kPictureHeight = 200;  // rows
inline constexpr uint32_t kPicturePixels = kPictureWidth * kPictureHeight;
inline constexpr uint32_t kColourPictureBytes = kPicturePixels * 4;
inline constexpr uint32_t kGreyPictureBytes = kPicturePixels;  // one grey level per pixel

inline constexpr uint32_t kTextureSize = 256;  // texels per row, and rows
inline constexpr uint32_t kTextureTexels = kTextureSize * kTextureSize;
inline constexpr uint32_t kTextureBytes = kTextureTexels * 4;

}  // namespace qx
