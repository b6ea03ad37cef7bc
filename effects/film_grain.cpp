#include "effects/film_grain.h"

#include <bit>

#include "base/picture.h"
#include "base/pixel_ops.h"
#include "base/simd_pixels.h"
#include "effects/drawing_switch.h"

namespace qx {

FilmGrainState filmGrainState;

namespace {

constexpr uint32_t kNoiseLimit = 64;
constexpr uint32_t kGrainQuarters = kPicturePixels / kGrainBytes;
constexpr uint32_t kNoiseWordBytes = 4;
constexpr uint32_t kBandLift = 0x00080808;

}  // namespace

void FillNoiseTable() {
    SeedRandom();
    for (uint8_t& noise : filmGrainState.noiseTable)
        noise = static_cast<uint8_t>(NextRandom(kNoiseLimit));
}

namespace reference {

void AddGrain(const uint32_t* source, uint32_t* destination) {
    const uint8_t* noise = filmGrainState.noiseTable;
    for (uint32_t quarter = 0; quarter < kGrainQuarters; ++quarter) {
        const uint32_t* from = source + quarter * kGrainBytes;
        uint32_t* to = destination + quarter * kGrainBytes;
        for (uint32_t i = 0; i < kGrainBytes; ++i)
            to[i] = AddChannelsSaturated(from[i], Grey(noise[i])) | (from[i] & ~kColourMask);
    }
}

}  // namespace reference

void AddGrain(const uint32_t* source, uint32_t* destination) {
    if (DrawingOff()) return;
    const uint8_t* noise = filmGrainState.noiseTable;
    for (uint32_t quarter = 0; quarter < kGrainQuarters; ++quarter) {
        const uint32_t* from = source + quarter * kGrainBytes;
        uint32_t* to = destination + quarter * kGrainBytes;
        for (size_t i = 0; i < kGrainBytes; i += kBytesPerVector) {
            __m128i grain[4];  // top bytes 0, so adding keeps the pixel's top byte
            ExpandGreyBytes(LoadPixels(noise + i), grain);
            for (size_t k = 0; k < 4; ++k) {
                const size_t at = i + k * kPixelsPerVector;
                StorePixels(to + at, _mm_adds_epu8(LoadPixels(from + at), grain[k]));
            }
        }
    }
}

void EvolveNoise() {
    // Exclusive or works byte by byte, so the word pass is byte j ^= old byte j + 4 for every
    // byte of words 0..4001, in increasing order (byte j + 4 is read before it is changed).
    uint8_t* noise = filmGrainState.noiseTable;
    for (uint32_t j = 0; j + kNoiseWordBytes < kEvolvedNoiseBytes; ++j)
        noise[j] ^= noise[j + kNoiseWordBytes];
}

void DrawScratch(uint32_t* picture) {
    const uint32_t length = 200 + NextRandom(200);
    const uint32_t column = NextRandom(kPictureWidth);
    const uint32_t rows = length < kPictureHeight ? length : kPictureHeight;
    for (uint32_t y = 0; y < rows; ++y) picture[y * kPictureWidth + column] = 0;
}

void DrawDimBand(uint32_t* picture) {
    const uint32_t row = NextRandom(196);
    const uint32_t length = kPictureWidth + NextRandom(640);
    uint32_t* band = picture + row * kPictureWidth;  // ends by row 195 + 959 pixels at the latest
    for (uint32_t i = 0; i < length; ++i) band[i] = ((band[i] & kHalvingMask) >> 1) + kBandLift;
}

}  // namespace qx
