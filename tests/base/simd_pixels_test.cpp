#include "base/simd_pixels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qx {
namespace {

constexpr uint8_t kUntouched = 0xA5;

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

// Every pair of bytes, sixteen pairs per vector: the shifted-out bits of one lane must never
// show up in its neighbour.
TEST(SimdPixelsTest, EightTimesDifferenceBytesIsExactForEveryPair) {
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; b += 16) {
            alignas(16) uint8_t as[16], bs[16], out[16];
            for (uint32_t k = 0; k < 16; ++k) as[k] = uint8_t(a), bs[k] = uint8_t(b + k);
            StorePixels(out, EightTimesDifferenceBytes(LoadPixels(as), LoadPixels(bs)));
            for (uint32_t k = 0; k < 16; ++k)
                ASSERT_EQ(out[k], uint8_t((a - (b + k)) * 8)) << a << " - " << b + k;
        }
    }
}

// Counts around the vector width and unaligned starts: the vector steps and the plain tail
// together write exactly count bytes, equal to the plain loop's.
TEST(SimdPixelsTest, ByteLaneRoutinesMatchThePlainLoopsAndStopAtCount) {
    std::mt19937 random{77};
    const std::vector<uint8_t> a = RandomBytes(random, 200), b = RandomBytes(random, 200);
    const std::vector<uint8_t> c(200, 0xFF), d = RandomBytes(random, 200);
    for (uint32_t count : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 160u}) {
        for (uint32_t start : {0u, 1u, 7u}) {
            std::vector<uint8_t> fast(count + 16, kUntouched), plain(count + 16, kUntouched);
            EightTimesDifferences(a.data() + start, b.data() + start, fast.data(), count);
            reference::EightTimesDifferences(a.data() + start, b.data() + start, plain.data(),
                                             count);
            EXPECT_EQ(fast, plain) << count << " from " << start;

            const uint8_t* one[] = {a.data() + start};
            const uint8_t* four[] = {a.data() + start, b.data(), c.data() + start, d.data() + 3};
            SumByteRows(one, fast.data(), count);
            reference::SumByteRows(one, plain.data(), count);
            EXPECT_EQ(fast, plain) << count << " from " << start;
            SumByteRows(four, fast.data(), count);
            reference::SumByteRows(four, plain.data(), count);
            EXPECT_EQ(fast, plain) << count << " from " << start;
            for (uint32_t i = count; i < count + 16; ++i) ASSERT_EQ(fast[i], kUntouched) << count;
        }
    }
}

}  // namespace
}  // namespace qx
