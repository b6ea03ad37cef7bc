#include "effects/rasterisers.h"

#include <algorithm>
#include <utility>

#include "base/host_settings.h"
#include "base/pixel_ops.h"
#include "effects/drawing_switch.h"

namespace qx {

RasteriserState rasteriserState;

namespace {

constexpr int64_t kFixedOne = 65536;  // 16.16 edge positions and sprite steps
constexpr int64_t kTexelOne = 256;    // 8.8 texture coordinates
constexpr uint32_t kGlassLift = 0x00343434;

// Edge arithmetic is 64-bit: x x 65536 needs 48 bits for any int32 x, and a slope times a row
// count within its own edge never exceeds the edge's width x 65536, so every side position stays
// within 49 bits. Texture positions are 32-bit words that wrap by design.
struct Side {
    int64_t x = 0;      // 16.16 at the current row
    int64_t slope = 0;  // 16.16 per row
};

// One half of a triangle: rows firstRow .. endRow - 1, both sides given at firstRow.
struct Half {
    int64_t firstRow = 0;
    int64_t endRow = 0;
    Side left;
    Side right;
};

// The vertices ordered by y (compare-exchanges 0-1, 0-2, 1-2, equal rows stay), the edge slopes
// and which side the middle vertex lies on: the set-up both triangle fillers share.
struct TriangleSetUp {
    TexturedVertex v[3];
    int64_t rows01 = 0, rows12 = 0, rows02 = 0;
    int64_t longXAtMiddle = 0;  // 16.16 x of the long edge 0-2 at row y1
    bool middleOnRight = false;
    Half top;
    Half bottom;
};

int64_t Slope(int64_t difference, int64_t rows, int64_t one) {
    return rows != 0 ? difference * one / rows : 0;  // truncated toward zero
}

TriangleSetUp SetUpTriangle(TexturedVertex a, TexturedVertex b, TexturedVertex c) {
    TriangleSetUp s;
    s.v[0] = a;
    s.v[1] = b;
    s.v[2] = c;
    if (s.v[0].y > s.v[1].y) std::swap(s.v[0], s.v[1]);
    if (s.v[0].y > s.v[2].y) std::swap(s.v[0], s.v[2]);
    if (s.v[1].y > s.v[2].y) std::swap(s.v[1], s.v[2]);
    const TexturedVertex& v0 = s.v[0];
    const TexturedVertex& v1 = s.v[1];
    const TexturedVertex& v2 = s.v[2];
    s.rows01 = int64_t{v1.y} - v0.y;
    s.rows12 = int64_t{v2.y} - v1.y;
    s.rows02 = int64_t{v2.y} - v0.y;
    const int64_t s01 = Slope(int64_t{v1.x} - v0.x, s.rows01, kFixedOne);
    const int64_t s12 = Slope(int64_t{v2.x} - v1.x, s.rows12, kFixedOne);
    const int64_t s02 = Slope(int64_t{v2.x} - v0.x, s.rows02, kFixedOne);
    const int64_t x0 = v0.x * kFixedOne;
    const int64_t x1 = v1.x * kFixedOne;
    s.longXAtMiddle = x0 + s02 * s.rows01;
    s.middleOnRight = x1 > s.longXAtMiddle;

    s.top = {v0.y, v1.y, {x0, s.middleOnRight ? s02 : s01}, {x0, s.middleOnRight ? s01 : s02}};
    const Side longSide{s.longXAtMiddle, s02};
    const Side shortSide{x1, s12};
    s.bottom = {v1.y, v2.y, s.middleOnRight ? longSide : shortSide,
                s.middleOnRight ? shortSide : longSide};
    return s;
}

// Calls span(halfIndex, rowInHalf, y, leftX, rightX) for every row of the triangle that lies in
// rows 0 .. render height - 1, top to bottom, with the sides' 16.16 x at that row. Rows above
// the picture are stepped over in one multiplication; the first row at or below the render
// height ends the triangle.
template <typename SpanFn>
void WalkTriangle(const TriangleSetUp& s, SpanFn&& span) {
    if (s.rows02 == 0) return;
    const int64_t height = hostSettings.renderHeight;
    const Half* halves[2] = {&s.top, &s.bottom};
    for (int half = 0; half < 2; ++half) {
        const Half& h = *halves[half];
        if (h.firstRow >= height) return;
        const int64_t firstRow = std::max<int64_t>(h.firstRow, 0);
        const int64_t endRow = std::min(h.endRow, height);
        if (firstRow >= endRow) continue;
        int64_t row = firstRow - h.firstRow;  // within the half, so within the edges' reach
        int64_t left = h.left.x + h.left.slope * row;
        int64_t right = h.right.x + h.right.slope * row;
        for (int64_t y = firstRow; y < endRow; ++y, ++row) {
            span(half, row, y, left, right);
            left += h.left.slope;
            right += h.right.slope;
        }
    }
}

// Packs 8.8 row and column values as t x 65536 + (u and 0xFFFF), the layout of texture
// positions and their steps; adding two packed words lets a carry out of u pass into t.
uint32_t Pack(int64_t t, int64_t u) {
    return (static_cast<uint32_t>(t) << 16) + (static_cast<uint32_t>(u) & 0xFFFF);
}

uint32_t Texel(const uint32_t* texture, uint32_t position) {
    return texture[((position >> 16) & 0xFF00) | ((position >> 8) & 0xFF)];
}

}  // namespace

void DrawTexturedTriangle(TexturedVertex a, TexturedVertex b, TexturedVertex c,
                          const uint32_t* texture, uint32_t* target) {
    if (DrawingOff()) return;
    const TriangleSetUp s = SetUpTriangle(a, b, c);
    if (s.rows02 == 0) return;
    const TexturedVertex& v0 = s.v[0];
    const TexturedVertex& v1 = s.v[1];
    const TexturedVertex& v2 = s.v[2];

    // Per-row texture gradients of the three edges, 8.8 per row.
    const int64_t dt02 = Slope(int64_t{v2.t} - v0.t, s.rows02, kTexelOne);
    const int64_t du02 = Slope(int64_t{v2.u} - v0.u, s.rows02, kTexelOne);
    const uint32_t g01 = Pack(Slope(int64_t{v1.t} - v0.t, s.rows01, kTexelOne),
                              Slope(int64_t{v1.u} - v0.u, s.rows01, kTexelOne));
    const uint32_t g12 = Pack(Slope(int64_t{v2.t} - v1.t, s.rows12, kTexelOne),
                              Slope(int64_t{v2.u} - v1.u, s.rows12, kTexelOne));
    const uint32_t g02 = Pack(dt02, du02);

    // Texture coordinates (8.8) of both ends of row y1: the long edge's and the middle vertex's.
    const int64_t longT = v0.t * kTexelOne + dt02 * s.rows01;
    const int64_t longU = v0.u * kTexelOne + du02 * s.rows01;
    const int64_t middleT = v1.t * kTexelOne;
    const int64_t middleU = v1.u * kTexelOne;
    const int64_t middleX = v1.x * kFixedOne;

    // The per-pixel step, once per triangle, from the span of row y1; 0 when it is empty.
    const int64_t leftXAtMiddle = s.middleOnRight ? s.longXAtMiddle : middleX;
    const int64_t rightXAtMiddle = s.middleOnRight ? middleX : s.longXAtMiddle;
    const int64_t middleWidth = (rightXAtMiddle - leftXAtMiddle) >> 16;
    const int64_t leftT = s.middleOnRight ? longT : middleT;
    const int64_t leftU = s.middleOnRight ? longU : middleU;
    const int64_t rightT = s.middleOnRight ? middleT : longT;
    const int64_t rightU = s.middleOnRight ? middleU : longU;
    const uint32_t step =
        middleWidth != 0 ? Pack((rightT - leftT) / middleWidth, (rightU - leftU) / middleWidth) : 0;

    // Left end's texture position at the first row of each half, and its gradient per row.
    const uint32_t startPosition[2] = {
        (static_cast<uint32_t>(v0.t) << 24) + (static_cast<uint32_t>(v0.u) << 8),
        Pack(leftT, leftU)};
    const uint32_t gradient[2] = {s.middleOnRight ? g02 : g01, s.middleOnRight ? g02 : g12};

    const int64_t renderWidth = hostSettings.renderWidth;
    WalkTriangle(s, [&](int half, int64_t rowInHalf, int64_t y, int64_t leftX, int64_t rightX) {
        int64_t xa = leftX >> 16;
        int64_t xb = rightX >> 16;
        if (xa >= renderWidth || xb < 0) return;
        if (xb > renderWidth) xb = renderWidth;
        uint32_t position = startPosition[half] + static_cast<uint32_t>(rowInHalf) * gradient[half];
        if (xa < 0) {
            position += static_cast<uint32_t>(-xa) * step;
            xa = 0;
        }
        uint32_t* pixel = target + y * renderWidth;
        for (int64_t x = xa; x < xb; ++x) {
            pixel[x] = Texel(texture, position);
            position += step;
        }
    });
}

void DrawGlassTriangle(ScreenVertex a, ScreenVertex b, ScreenVertex c, uint32_t* target) {
    if (DrawingOff()) return;
    const TriangleSetUp s = SetUpTriangle({a.x, a.y, 0, 0}, {b.x, b.y, 0, 0}, {c.x, c.y, 0, 0});
    const int64_t renderWidth = hostSettings.renderWidth;
    WalkTriangle(s, [&](int, int64_t, int64_t y, int64_t leftX, int64_t rightX) {
        int64_t xa = leftX >> 16;
        int64_t xb = rightX >> 16;
        if (xa >= renderWidth || xb < 0) return;
        xa = std::max<int64_t>(xa, 0);
        xb = std::min(xb, renderWidth - 1);  // the last column is never lightened
        uint32_t* pixel = target + y * renderWidth;
        for (int64_t x = xa; x < xb; ++x) {
            const uint32_t lifted = pixel[x] + kGlassLift;
            pixel[x] = lifted < kGlassLift ? kColourMask : lifted;  // carried out of the word
        }
    });
}

void DrawAdditiveSprite(const uint32_t* texture, int32_t centreX, int32_t centreY, uint32_t size,
                        uint32_t* target) {
    if (size == 0 || DrawingOff()) return;
    const int64_t renderWidth = hostSettings.renderWidth;
    const int64_t renderHeight = hostSettings.renderHeight;
    const int64_t side = size;
    const int64_t x = int64_t{centreX} - side / 2;  // top-left corner
    const int64_t y = int64_t{centreY} - side / 2;
    const uint32_t step = static_cast<uint32_t>(kFixedOne) / size;  // 16.16, 65536 = whole texture

    // Rows and columns cut at the bottom and right edges, then at the top and left, where the
    // texture position starts as far in as the cut-off part reaches.
    if (y + side < 0 || x + side < 0 || y >= renderHeight || x >= renderWidth) return;
    const int64_t rows = std::min(side, renderHeight - y) + std::min<int64_t>(y, 0);
    const int64_t cols = std::min(side, renderWidth - x) + std::min<int64_t>(x, 0);
    if (rows <= 0 || cols <= 0) return;
    const uint32_t firstT = y < 0 ? static_cast<uint32_t>(-y) * step : 0;
    const uint32_t firstU = x < 0 ? static_cast<uint32_t>(-x) * step : 0;
    uint32_t* row = target + std::max<int64_t>(y, 0) * renderWidth + std::max<int64_t>(x, 0);

    uint32_t t = firstT;
    for (int64_t r = 0; r < rows; ++r, t += step, row += renderWidth) {
        const uint32_t* texels = texture + ((t >> 8) & 0xFF) * kTextureSize;
        uint32_t u = firstU;
        for (int64_t c = 0; c < cols; ++c, u += step) {
            const uint32_t p = row[c];
            row[c] = AddChannelsSaturated(p, texels[(u >> 8) & 0xFF]) | (p & ~kColourMask);
        }
    }
}

}  // namespace qx
