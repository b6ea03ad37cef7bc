// Inputs shared by the table-effect tests: a texture whose texels name their own position, so a
// picture shows which texel each pixel sampled, and a small deterministic generator for filling
// pictures. Buffers are vectors of the exact sizes so the sanitizer build sees any stray access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/host_settings.h"

namespace qx::test {

inline constexpr uint32_t kTestTextureSide = 256;
inline constexpr uint32_t kTestTextureTexels = kTestTextureSide * kTestTextureSide;

// Texel (row r, column c) holds r * 256 + c.
inline std::vector<uint32_t> IndexTexture() {
    std::vector<uint32_t> texture(kTestTextureTexels);
    for (uint32_t i = 0; i < kTestTextureTexels; ++i) texture[i] = i;
    return texture;
}
inline uint32_t TexelAt(uint32_t row, uint32_t column) {
    return (row % kTestTextureSide) * kTestTextureSide + column % kTestTextureSide;
}

inline std::vector<uint32_t> Picture(uint32_t fill = 0) {
    return std::vector<uint32_t>(kPicturePixels, fill);
}

// xorshift32: the same values on every run.
struct TestRandom {
    uint32_t state = 0x12345678;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// Index of the first element where two buffers differ, or -1 when they are equal; keeps a
// failing comparison of whole pictures to one line.
template <typename T>
int64_t FirstDifference(const std::vector<T>& a, const std::vector<T>& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<int64_t>(i);
    return -1;
}

}  // namespace qx::test
