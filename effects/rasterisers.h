// Triangle and sprite rasterisers: an affine texture-mapped triangle, an additive glass triangle
// that lightens what lies behind it, and an additive scaled sprite. The triangles walk their
// edges in 16.16 fixed point without sub-pixel correction and use the render width as row length
// and clip bound and the render height as clip bound (host settings); the sprite clips to the
// same bounds. Any int32 coordinates are safe: nothing outside the target is ever written.
#pragma once

#include <cstdint>

#include "base/picture.h"

namespace qx {

struct ScreenVertex {
    int32_t x = 0;  // pixels
    int32_t y = 0;
};

struct TexturedVertex {
    int32_t x = 0;  // pixels
    int32_t y = 0;
    int32_t u = 0;  // texture column
    int32_t t = 0;  // texture row
};

struct RasteriserState {
    uint32_t* renderTarget = nullptr;  // the picture faces and sprites are drawn into
};
extern RasteriserState rasteriserState;

// Rows from the top vertex's down to, but not including, the bottom vertex's; each span covers
// columns left .. right - 1 and replaces them with texels. Texture positions are 8.8 (t, u)
// packed in one word, t high; the per-pixel step comes from the row through the middle vertex
// and is 0 when that row is narrower than one pixel.
void DrawTexturedTriangle(TexturedVertex a, TexturedVertex b, TexturedVertex c,
                          const uint32_t* texture, uint32_t* target);
// The same rows and spans, except that the last column (render width - 1) is never written; each
// pixel gains 0x343434 as one 32-bit addition (a channel passing 255 carries into the next) and
// becomes 0x00FFFFFF only if that addition carries out of the word.
void DrawGlassTriangle(ScreenVertex a, ScreenVertex b, ScreenVertex c, uint32_t* target);
// The whole texture scaled to a size x size square centred on (x, y), added with saturation to
// the colour channels; the pixels' top bytes are kept. Clipped parts are cut off, not squashed.
void DrawAdditiveSprite(const uint32_t* texture, int32_t x, int32_t y, uint32_t size,
                        uint32_t* target);

}  // namespace qx
