// SSE2 building blocks of the whole-picture routines: unaligned 16-byte loads and stores of
// picture words or grey bytes, and the spreading of 16 grey bytes into 16 grey pixels. SSE2 is
// part of the x86-64 baseline; every vector routine has a plain reference loop beside it.
#pragma once

#include <emmintrin.h>

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

}  // namespace qx
