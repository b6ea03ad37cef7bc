#include "effects/bump_water.h"

#include <algorithm>

#include "base/simd_pixels.h"
#include "effects/drawing_switch.h"

namespace qx {

uint8_t slopeMaps[kSlopeMapsBytes];
int16_t waterFieldA[kWaterFieldHeights];
int16_t waterFieldB[kWaterFieldHeights];
BumpState bumpState;
WaterState waterState;

namespace {

constexpr uint32_t kTexelRowShift = 8;  // texel (row r, column c) at r * 256 + c

// The smoothing walks the positions from row 1, column 1 on for 198 rows of 320 positions; its
// neighbours lie at these distances before and after each position.
constexpr uint32_t kFirstBlurPosition = kPictureWidth + 1;
constexpr uint32_t kLastBlurPosition =
    kFirstBlurPosition + (kPictureHeight - 2) * kPictureWidth - 1;
constexpr uint32_t kRow = kPictureWidth;
constexpr uint32_t kNeighbourOffsets[] = {kRow + 1, kRow, kRow - 1, 1};
// The last position whose lower-right neighbour still lies inside the picture; the two after it
// would read past the end.
constexpr uint32_t kLastInsideBlurPosition = kPicturePixels - 1 - (kRow + 1);

// Sum of the 8 neighbours of p, each widened by spread; those past the end of the picture
// count as 0.
template <typename Sum, typename Element, typename Spread>
Sum SumNeighboursClipped(const Element* picture, uint32_t p, Spread spread) {
    Sum sum = 0;
    for (uint32_t offset : kNeighbourOffsets) {
        sum += spread(picture[p - offset]);
        if (p + offset < kPicturePixels) sum += spread(picture[p + offset]);
    }
    return sum;
}

// The four bytes of a pixel in four 16-bit lanes (blue, red, green, top), so that sums of up to
// 256 bytes cannot carry into the next lane.
constexpr uint64_t kByteLanes = 0x00FF00FF00FF00FFull;
uint64_t SpreadBytes(uint32_t pixel) {
    return (pixel & 0x00FF00FFu) | (uint64_t{(pixel >> 8) & 0x00FF00FFu} << 32);
}
uint32_t EighthOfLanes(uint64_t sum) {
    const uint64_t lanes = (sum >> 3) & kByteLanes;
    return static_cast<uint32_t>(lanes) | (static_cast<uint32_t>(lanes >> 32) << 8);
}

// Per channel floor((a + b) / 2): a + b = 2 (a and b) + (a xor b), halved lane by lane.
uint32_t MeanChannels(uint32_t a, uint32_t b) {
    return ((a & b) + (((a ^ b) & 0x00FEFEFEu) >> 1)) & 0x00FFFFFFu;
}

constexpr uint32_t kWaterDrawnRows = kPictureHeight - 1;  // each row reads the one below it
constexpr int32_t kLastRow = kPictureHeight - 1;
constexpr int32_t kLastColumn = kPictureWidth - 1;

}  // namespace

void BlurGrey8(const uint8_t* source, uint8_t* destination) {
    const uint8_t* s = source;
    for (uint32_t p = kFirstBlurPosition; p <= kLastInsideBlurPosition; ++p) {
        const uint32_t sum = s[p - kRow - 1] + s[p - kRow] + s[p - kRow + 1] + s[p - 1] + s[p + 1] +
                             s[p + kRow - 1] + s[p + kRow] + s[p + kRow + 1];
        destination[p] = static_cast<uint8_t>(sum / 8);
    }
    for (uint32_t p = kLastInsideBlurPosition + 1; p <= kLastBlurPosition; ++p)
        destination[p] = static_cast<uint8_t>(
            SumNeighboursClipped<uint32_t>(s, p, [](uint8_t v) { return uint32_t{v}; }) / 8);
}

void BlurPixelBytes8(const uint32_t* source, uint32_t* destination) {
    const uint32_t* s = source;
    for (uint32_t p = kFirstBlurPosition; p <= kLastInsideBlurPosition; ++p) {
        const uint64_t sum = SpreadBytes(s[p - kRow - 1]) + SpreadBytes(s[p - kRow]) +
                             SpreadBytes(s[p - kRow + 1]) + SpreadBytes(s[p - 1]) +
                             SpreadBytes(s[p + 1]) + SpreadBytes(s[p + kRow - 1]) +
                             SpreadBytes(s[p + kRow]) + SpreadBytes(s[p + kRow + 1]);
        destination[p] = EighthOfLanes(sum);
    }
    for (uint32_t p = kLastInsideBlurPosition + 1; p <= kLastBlurPosition; ++p)
        destination[p] = EighthOfLanes(SumNeighboursClipped<uint64_t>(s, p, SpreadBytes));
}

void DeriveHorizontal(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height) {
    const uint32_t count = width * height;
    if (count == 0) return;
    // One pass over the whole picture as if it were a single row, then the first byte of every
    // row taken against 0 instead of the end of the row above.
    EightTimesDifferences(in + 1, in, out + 1, count - 1);
    for (uint32_t rowStart = 0; rowStart < count; rowStart += width)
        out[rowStart] = static_cast<uint8_t>(in[rowStart] * 8);
}

void DeriveVertical(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height) {
    const uint32_t count = width * height;
    for (uint32_t x = 0; x < width && x < count; ++x) out[x] = static_cast<uint8_t>(in[x] * 8);
    if (count > width) EightTimesDifferences(in + width, in, out + width, count - width);
}

void DrawBumpLight(const uint32_t* colour, const uint8_t* slopes, const uint32_t* lightMap,
                   uint32_t* destination) {
    if (DrawingOff()) return;
    const uint8_t* vertical = slopes;
    const uint8_t* horizontal = slopes + kSlopeMapBytes;
    const uint8_t lightRow = bumpState.lightRow, lightColumn = bumpState.lightColumn;
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        const uint8_t mapColumnBase = static_cast<uint8_t>(lightRow + y);
        const uint32_t rowStart = y * kPictureWidth;
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            const uint32_t i = rowStart + x;
            const uint8_t mapRow = static_cast<uint8_t>(lightColumn + x - horizontal[i]);
            const uint8_t mapColumn = static_cast<uint8_t>(mapColumnBase - vertical[i]);
            const uint32_t light = lightMap[(uint32_t{mapRow} << kTexelRowShift) | mapColumn];
            destination[i] = MeanChannels(colour[i], light);
        }
    }
}

void SetWaterBuffers(int16_t* a, int16_t* b) {
    waterState.currentField = a;
    waterState.previousField = b;
}

void StepAndDrawWater(const uint32_t* background, uint32_t* destination) {
    int16_t* c = waterState.currentField;
    int16_t* p = waterState.previousField;

    // Damped wave in wrapping 16-bit arithmetic; the border heights never change.
    for (uint32_t y = 1; y + 1 < kPictureHeight; ++y) {
        for (uint32_t x = 1; x + 1 < kPictureWidth; ++x) {
            const uint32_t i = y * kPictureWidth + x;
            const int32_t sum = c[i - kRow - 1] + c[i - kRow] + c[i - kRow + 1] + c[i - 1] +
                                c[i + 1] + c[i + kRow - 1] + c[i + kRow] + c[i + kRow + 1];
            int16_t n = static_cast<int16_t>(static_cast<int16_t>(sum) >> 2);
            n = static_cast<int16_t>(n - p[i]);
            n = static_cast<int16_t>(n - (n >> 4));
            p[i] = n;
        }
    }

    // The horizontal difference moves the sampled row, the vertical one the sampled column.
    // Displacements reach well past the picture, so the sample is clamped to the background.
    for (uint32_t y = 0; y < kWaterDrawnRows && !DrawingOff(); ++y) {
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            const uint32_t i = y * kPictureWidth + x;
            const int16_t dx = static_cast<int16_t>(c[i] - c[i + 1]);
            const int16_t dy = static_cast<int16_t>(c[i] - c[i + kRow]);
            const int32_t row = std::clamp(int32_t(y) + (dx >> 3), 0, kLastRow);
            const int32_t column = std::clamp(int32_t(x) + (dy >> 3), 0, kLastColumn);
            destination[i] = background[row * kPictureWidth + column];
        }
    }

    waterState.currentField = p;
    waterState.previousField = c;
}

namespace reference {

namespace {

// 8 * (each height - the one before it on its line), with 0 before the first: `lines` lines of
// `length` heights, `step` apart along a line, `stride` apart from line to line.
void DeriveAlongLines(const uint8_t* in, uint8_t* out, uint32_t lines, uint32_t stride,
                      uint32_t length, uint32_t step) {
    for (uint32_t line = 0; line < lines; ++line) {
        uint8_t previous = 0;
        for (uint32_t k = 0; k < length; ++k) {
            const uint32_t i = line * stride + k * step;
            out[i] = static_cast<uint8_t>((in[i] - previous) * 8);
            previous = in[i];
        }
    }
}

}  // namespace

void DeriveHorizontal(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height) {
    DeriveAlongLines(in, out, height, width, width, 1);
}

void DeriveVertical(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height) {
    DeriveAlongLines(in, out, width, 1, height, width);
}

}  // namespace reference

}  // namespace qx
