#include "effects/picture_filters.h"

#include <algorithm>
#include <array>

#include "base/pixel_ops.h"
#include "base/relative_luminance.h"
#include "base/simd_pixels.h"
#include "effects/drawing_switch.h"

namespace qx {

// ---- Plain per-pixel loops: the definitions the vector routines are tested against. ----

namespace reference {

void ExpandGreyPicture(const uint8_t* grey, uint32_t* picture) {
    for (uint32_t i = 0; i < kPicturePixels; ++i) picture[i] = Grey(grey[i]);
}

void SmearDiagonal(const uint8_t* source, uint8_t* destination) {
    for (uint32_t y = 1; y < kPictureHeight - 1; ++y) {
        const uint8_t* above = source + (y - 1) * kPictureWidth;
        const uint8_t* below = source + (y + 1) * kPictureWidth;
        uint8_t* row = destination + y * kPictureWidth;
        for (uint32_t x = 1; x < kPictureWidth - 1; ++x)
            row[x] = static_cast<uint8_t>((uint16_t{above[x - 1]} + below[x + 1]) >> 1);
    }
}

void AddPicturesSaturated(const uint32_t* a, const uint32_t* b, uint32_t* destination) {
    for (uint32_t i = 0; i < kPicturePixels; ++i)
        destination[i] = AddChannelsSaturated(a[i], b[i]) | (a[i] & ~kColourMask);
}

void AveragePictures(const uint32_t* a, const uint32_t* b, uint32_t* destination) {
    for (uint32_t i = 0; i < kPicturePixels; ++i) destination[i] = AverageChannels(a[i], b[i]);
}

namespace {

// Combines every pixel's colour channels with the fade level; the top byte is kept.
template <uint32_t (*kCombine)(uint32_t, uint32_t)>
bool CombineWithFadeLevel(const uint32_t* source, uint32_t* destination) {
    if (fadeState.fadeLevel == 0) return false;
    const uint32_t level = Grey(fadeState.fadeLevel);
    for (uint32_t i = 0; i < kPicturePixels; ++i)
        destination[i] = kCombine(source[i], level) | (source[i] & ~kColourMask);
    return true;
}

}  // namespace

bool BrightenByFadeLevel(const uint32_t* source, uint32_t* destination) {
    return CombineWithFadeLevel<AddChannelsSaturated>(source, destination);
}

bool DarkenByFadeLevel(const uint32_t* source, uint32_t* destination) {
    return CombineWithFadeLevel<SubtractChannelsClamped>(source, destination);
}

void CopyNonZeroRows(const uint32_t* source, uint32_t* destination, uint32_t rowCount) {
    const uint32_t count = rowCount * kPictureWidth;
    for (uint32_t i = 0; i < count; ++i)
        if (source[i] != 0) destination[i] = source[i];
}

}  // namespace reference

// ---- Vector routines: four pixels (or sixteen grey bytes) per step. Every picture length here
// is a multiple of the vector width, so no loop has a tail. The whole-picture loops are unrolled
// four times: the work per vector is so small that the loop's own counting would otherwise cost
// a third of it. ----

namespace {

// The 16-byte grey step of SmearDiagonal: per byte floor((a + b) / 2). pavgb rounds up, so the
// odd sums get their 1 back.
inline __m128i FloorAverageBytes(__m128i a, __m128i b) {
    const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
    return _mm_sub_epi8(_mm_avg_epu8(a, b), odd);
}

// Adds the fade level to the colour channels of every pixel with saturation, or subtracts it
// with a clamp; the level's top byte is 0, so the pixel's top byte is kept.
template <bool kBrighten>
bool ApplyFadeLevel(const uint32_t* source, uint32_t* destination) {
    if (fadeState.fadeLevel == 0) return false;
    if (DrawingOff()) return true;
    const __m128i level = _mm_set1_epi32(static_cast<int>(Grey(fadeState.fadeLevel)));
#pragma GCC unroll 4
    for (size_t i = 0; i < kPicturePixels; i += kPixelsPerVector) {
        const __m128i p = LoadPixels(source + i);
        StorePixels(destination + i, kBrighten ? _mm_adds_epu8(p, level) : _mm_subs_epu8(p, level));
    }
    return true;
}

}  // namespace

void ExpandGreyPicture(const uint8_t* grey, uint32_t* picture) {
    if (DrawingOff()) return;
#pragma GCC unroll 4
    for (size_t i = 0; i < kGreyPictureBytes; i += kBytesPerVector) {
        __m128i words[4];
        ExpandGreyBytes(LoadPixels(grey + i), words);
        for (size_t k = 0; k < 4; ++k) StorePixels(picture + i + k * kPixelsPerVector, words[k]);
    }
}

void SmearDiagonal(const uint8_t* source, uint8_t* destination) {
    if (DrawingOff()) return;
    // Columns 1..318 of a row are 19 full vectors and one more that overlaps the 19th by two
    // bytes. A row never reads itself, only the rows above and below, so writing those two bytes
    // twice gives the same values and in-place smearing still sees the finished row above.
    constexpr uint32_t kLastOffset = kPictureWidth - 2 - kBytesPerVector;
    for (uint32_t y = 1; y < kPictureHeight - 1; ++y) {
        const uint8_t* above = source + (y - 1) * kPictureWidth;      // column x - 1
        const uint8_t* below = source + (y + 1) * kPictureWidth + 2;  // column x + 1
        uint8_t* row = destination + y * kPictureWidth + 1;
        const auto smear = [&](uint32_t offset) {
            StorePixels(row + offset,
                        FloorAverageBytes(LoadPixels(above + offset), LoadPixels(below + offset)));
        };
        for (uint32_t offset = 0; offset < kLastOffset; offset += kBytesPerVector) smear(offset);
        smear(kLastOffset);
    }
}

void AddPicturesSaturated(const uint32_t* a, const uint32_t* b, uint32_t* destination) {
    if (DrawingOff()) return;
    // With b's top byte cleared, the saturated byte sum leaves a's top byte as it is.
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourMask));
#pragma GCC unroll 4
    for (size_t i = 0; i < kPicturePixels; i += kPixelsPerVector) {
        const __m128i colourB = _mm_and_si128(LoadPixels(b + i), colour);
        StorePixels(destination + i, _mm_adds_epu8(LoadPixels(a + i), colourB));
    }
}

void AveragePictures(const uint32_t* a, const uint32_t* b, uint32_t* destination) {
    if (DrawingOff()) return;
    const __m128i halving = _mm_set1_epi32(static_cast<int>(kHalvingMask));
#pragma GCC unroll 4
    for (size_t i = 0; i < kPicturePixels; i += kPixelsPerVector) {
        const __m128i ha = _mm_srli_epi32(_mm_and_si128(LoadPixels(a + i), halving), 1);
        const __m128i hb = _mm_srli_epi32(_mm_and_si128(LoadPixels(b + i), halving), 1);
        StorePixels(destination + i, _mm_add_epi32(ha, hb));
    }
}

bool BrightenByFadeLevel(const uint32_t* source, uint32_t* destination) {
    return ApplyFadeLevel<true>(source, destination);
}

bool DarkenByFadeLevel(const uint32_t* source, uint32_t* destination) {
    return ApplyFadeLevel<false>(source, destination);
}

void CopyNonZeroRows(const uint32_t* source, uint32_t* destination, uint32_t rowCount) {
    if (DrawingOff()) return;
    for (uint32_t row = 0; row < rowCount;
         ++row, source += kPictureWidth, destination += kPictureWidth) {
#pragma GCC unroll 4
        for (size_t i = 0; i < kPictureWidth; i += kPixelsPerVector) {
            const __m128i s = LoadPixels(source + i);
            const __m128i transparent = _mm_cmpeq_epi32(s, _mm_setzero_si128());
            StorePixels(destination + i,
                        _mm_or_si128(s, _mm_and_si128(transparent, LoadPixels(destination + i))));
        }
    }
}

void BlendPictures(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* destination) {
    if (DrawingOff()) return;
    for (uint32_t i = 0; i < kPicturePixels; ++i) destination[i] = LerpChannels(a[i], b[i], weight);
}

namespace {

// For every channel value c, how far the gentle fades may take it: the brightest value whose
// linear light is at most kGentleFadeStep above c's, and the darkest at most that below.
struct GentleFadeLimits {
    std::array<uint8_t, 256> up{}, down{};
    GentleFadeLimits() {
        const std::array<double, 256>& linear = LinearLight();
        for (uint32_t c = 0; c < 256; ++c) {
            uint32_t high = c, low = c;
            while (high < 255 && linear[high + 1] - linear[c] <= kGentleFadeStep) ++high;
            while (low > 0 && linear[c] - linear[low - 1] <= kGentleFadeStep) --low;
            up[c] = static_cast<uint8_t>(high);
            down[c] = static_cast<uint8_t>(low);
        }
    }
};
const GentleFadeLimits gentleFadeLimits;

// Every channel through `table`; the top byte is kept.
bool MapChannels(const std::array<uint8_t, 256>& table, const uint32_t* source,
                 uint32_t* destination) {
    for (uint32_t i = 0; i < kPicturePixels; ++i) {
        const uint32_t p = source[i];
        destination[i] = (p & ~kColourMask) | uint32_t{table[(p >> 16) & 0xFF]} << 16 |
                         uint32_t{table[(p >> 8) & 0xFF]} << 8 | table[p & 0xFF];
    }
    return true;
}

}  // namespace

bool BrightenGentlyByFadeLevel(const uint32_t* source, uint32_t* destination) {
    if (fadeState.fadeLevel == 0) return false;
    std::array<uint8_t, 256> table;
    for (uint32_t c = 0; c < 256; ++c)
        table[c] = static_cast<uint8_t>(
            std::min<uint32_t>(c + fadeState.fadeLevel, gentleFadeLimits.up[c]));
    return MapChannels(table, source, destination);
}

bool DarkenGentlyByFadeLevel(const uint32_t* source, uint32_t* destination) {
    if (fadeState.fadeLevel == 0) return false;
    std::array<uint8_t, 256> table;
    for (uint32_t c = 0; c < 256; ++c)
        table[c] = static_cast<uint8_t>(std::max<int32_t>(
            static_cast<int32_t>(c) - fadeState.fadeLevel, gentleFadeLimits.down[c]));
    return MapChannels(table, source, destination);
}

}  // namespace qx
