#include "platform/sharp_scaler.h"

#include <algorithm>
#include <cstring>

#include "base/pixel_ops.h"
#include "base/simd_pixels.h"

namespace qx {

namespace {

// Rows blended with one weight, four pixels at a time: per channel
// floor((a x (256 - w) + b x w) / 256), as LerpChannels.
void BlendRows(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* output,
               uint32_t count) {
    const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(256 - weight));
    const __m128i take = _mm_set1_epi16(static_cast<int16_t>(weight));
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourMask));
    const __m128i zero = _mm_setzero_si128();
    uint32_t x = 0;
    for (; x + kPixelsPerVector <= count; x += kPixelsPerVector) {
        const __m128i pa = LoadPixels(a + x);
        const __m128i pb = LoadPixels(b + x);
        // Channels as 16-bit lanes: at most 255 x 256, so the sums cannot overflow.
        const __m128i low =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), keep),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), take)),
                           8);
        const __m128i high =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), keep),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), take)),
                           8);
        StorePixels(output + x, _mm_and_si128(_mm_packus_epi16(low, high), colour));
    }
    for (; x < count; ++x) output[x] = LerpChannels(a[x], b[x], weight);
}

}  // namespace

uint32_t SharpFactor(uint32_t sourceSize, uint32_t outputSize) {
    return static_cast<uint32_t>(std::clamp<uint64_t>(
        (uint64_t{outputSize} + sourceSize - 1) / sourceSize, 1, kMaxSharpFactor));
}

std::vector<SharpTap> SharpTaps(uint32_t sourceSize, uint32_t outputSize) {
    std::vector<SharpTap> taps(outputSize);
    if (sourceSize == 0 || outputSize == 0) return taps;
    const uint64_t factor = SharpFactor(sourceSize, outputSize);
    const uint64_t enlarged = uint64_t{sourceSize} * factor;
    const uint64_t span = 2 * uint64_t{outputSize};
    for (uint32_t i = 0; i < outputSize; ++i) {
        // The sampling point in enlarged pixels is ((2i + 1) x enlarged - output) / (2 x output):
        // the output pixel's centre, less half a pixel to count from pixel centres.
        const int64_t point = int64_t(2 * uint64_t{i} + 1) * int64_t(enlarged) - outputSize;
        if (point <= 0) continue;  // before the first centre: the first pixel alone
        const uint64_t whole = uint64_t(point) / span;
        if (whole + 1 >= enlarged) {  // past the last centre: the last pixel alone
            taps[i].first = sourceSize - 1;
            continue;
        }
        taps[i].first = static_cast<uint32_t>(whole / factor);
        if ((whole + 1) / factor == whole / factor) continue;  // both within one picture pixel
        const uint64_t fraction = uint64_t(point) % span;
        taps[i].weight =
            static_cast<uint32_t>(std::min<uint64_t>(255, (fraction * 256 + span / 2) / span));
    }
    return taps;
}

bool SharpScaler::Configure(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t outputWidth,
                            uint32_t outputHeight) {
    if (sourceWidth == 0 || sourceHeight == 0 || outputWidth == 0 || outputHeight == 0)
        return false;
    if (sourceWidth == sourceWidth_ && sourceHeight == sourceHeight_ &&
        outputWidth == outputWidth_ && outputHeight == outputHeight_)
        return true;
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    outputWidth_ = outputWidth;
    outputHeight_ = outputHeight;
    columns_ = SharpTaps(sourceWidth, outputWidth);
    rows_ = SharpTaps(sourceHeight, outputHeight);
    spread_.assign(size_t{sourceHeight} * outputWidth, 0);
    spreadDone_.assign(sourceHeight, false);
    return true;
}

void SharpScaler::SpreadRow(const uint32_t* source, uint32_t* row) const {
    for (uint32_t x = 0; x < outputWidth_; ++x) {
        const SharpTap tap = columns_[x];
        const uint32_t pixel = source[tap.first];
        row[x] = tap.weight == 0 ? pixel & kColourMask
                                 : LerpChannels(pixel, source[tap.first + 1], tap.weight);
    }
}

void SharpScaler::Scale(const uint32_t* source, uint32_t sourcePitch, uint32_t* output,
                        uint32_t outputPitch) {
    if (outputWidth_ == 0) return;
    // Each picture row an output row reads is spread once per call; rows no output row reads
    // (in an output lower than the picture) are not.
    std::fill(spreadDone_.begin(), spreadDone_.end(), false);
    const auto spread = [&](uint32_t y) {
        uint32_t* row = &spread_[size_t{y} * outputWidth_];
        if (!spreadDone_[y]) {
            SpreadRow(source + size_t{y} * sourcePitch, row);
            spreadDone_[y] = true;
        }
        return row;
    };
    for (uint32_t y = 0; y < outputHeight_; ++y) {
        const SharpTap tap = rows_[y];
        uint32_t* out = output + size_t{y} * outputPitch;
        if (tap.weight == 0)
            std::memcpy(out, spread(tap.first), size_t{outputWidth_} * sizeof(uint32_t));
        else
            BlendRows(spread(tap.first), spread(tap.first + 1), tap.weight, out, outputWidth_);
    }
}

}  // namespace qx
