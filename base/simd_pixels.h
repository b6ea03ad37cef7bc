// SSE2 building blocks of the whole-picture routines: unaligned 16-byte loads and stores of
// picture words or grey bytes, the spreading of 16 grey bytes into 16 grey pixels, and byte-lane
// arithmetic on rows of table bytes. SSE2 is part of the x86-64 baseline (the browser build gets
// it as WebAssembly SIMD); every vector routine has a plain reference loop beside it.
#pragma once

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "base/pixel_ops.h"

namespace qx {

inline constexpr uint32_t kBytesPerVector = 16;
inline constexpr uint32_t kPixelsPerVector = kBytesPerVector / sizeof(uint32_t);

template <typename T>
inline __m128i LoadPixels(const T* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

template <typename T>
inline void StorePixels(T* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Sixteen grey levels g become sixteen pixels Grey(g) (top byte 0), in memory order.
inline void ExpandGreyBytes(__m128i grey, __m128i (&pixels)[4]) {
    const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourMask));
    const __m128i low = _mm_unpacklo_epi8(grey, grey);  // each level twice, 16-bit lanes
    const __m128i high = _mm_unpackhi_epi8(grey, grey);
    pixels[0] = _mm_and_si128(_mm_unpacklo_epi16(low, low), colour);
    pixels[1] = _mm_and_si128(_mm_unpackhi_epi16(low, low), colour);
    pixels[2] = _mm_and_si128(_mm_unpacklo_epi16(high, high), colour);
    pixels[3] = _mm_and_si128(_mm_unpackhi_epi16(high, high), colour);
}

// Per byte 8 * (a - b) mod 256. SSE2 has no byte shift: the 16-bit shift moves each byte's top
// three bits into the bottom of the byte above, and the mask clears them again.
inline __m128i EightTimesDifferenceBytes(__m128i a, __m128i b) {
    const __m128i difference = _mm_sub_epi8(a, b);
    return _mm_and_si128(_mm_slli_epi16(difference, 3), _mm_set1_epi8(static_cast<char>(0xF8)));
}

// ---- Plain byte loops: the definitions the byte-lane routines below are tested against. ----

namespace reference {

inline void EightTimesDifferences(const uint8_t* in, const uint8_t* before, uint8_t* out,
                                  uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>((in[i] - before[i]) * 8);
}

template <size_t N>
inline void SumByteRows(const uint8_t* const (&rows)[N], uint8_t* sum, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t s = 0;
        for (const uint8_t* row : rows) s = static_cast<uint8_t>(s + row[i]);
        sum[i] = s;
    }
}

}  // namespace reference

// ---- Byte-lane routines: sixteen bytes per step, each byte wrapping on its own; a count that
// is not a multiple of 16 ends with the plain loop. The output must not overlap the inputs. ----

// out[i] = 8 * (in[i] - before[i]) mod 256.
inline void EightTimesDifferences(const uint8_t* in, const uint8_t* before, uint8_t* out,
                                  uint32_t count) {
    uint32_t i = 0;
    for (; i + kBytesPerVector <= count; i += kBytesPerVector)
        StorePixels(out + i, EightTimesDifferenceBytes(LoadPixels(in + i), LoadPixels(before + i)));
    reference::EightTimesDifferences(in + i, before + i, out + i, count - i);
}

// sum[i] = (rows[0][i] + ... + rows[N - 1][i]) mod 256.
template <size_t N>
inline void SumByteRows(const uint8_t* const (&rows)[N], uint8_t* sum, uint32_t count) {
    uint32_t i = 0;
    for (; i + kBytesPerVector <= count; i += kBytesPerVector) {
        __m128i s = _mm_setzero_si128();
        for (const uint8_t* row : rows) s = _mm_add_epi8(s, LoadPixels(row + i));
        StorePixels(sum + i, s);
    }
    if (i == count) return;
    const uint8_t* tails[N];
    for (size_t k = 0; k < N; ++k) tails[k] = rows[k] + i;
    reference::SumByteRows(tails, sum + i, count - i);
}

}  // namespace qx
