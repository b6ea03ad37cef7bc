#include "base/pixel_ops.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

// Channel-by-channel references, checked against the packed helpers on a grid of values that
// covers every carry and borrow case of each lane.
uint32_t Channel(uint32_t p, int shift) { return (p >> shift) & 0xFF; }

TEST(PixelOpsTest, PackedArithmeticMatchesChannelByChannelReference) {
    const uint32_t values[] = {0, 1, 2, 0x7F, 0x80, 0x81, 0xFE, 0xFF};
    for (uint32_t r1 : values)
        for (uint32_t g1 : values)
            for (uint32_t b1 : values)
                for (uint32_t v : values) {
                    const uint32_t a = 0xAB000000 | (r1 << 16) | (g1 << 8) | b1;
                    const uint32_t b =
                        0xCD000000 | (v << 16) | (((v * 7) & 0xFF) << 8) | ((v ^ 0x81) & 0xFF);
                    uint32_t add = 0, sub = 0, avg = 0;
                    for (int shift : {0, 8, 16}) {
                        const uint32_t x = Channel(a, shift), y = Channel(b, shift);
                        add |= std::min(255u, x + y) << shift;
                        sub |= (x > y ? x - y : 0) << shift;
                        avg |= (x / 2 + y / 2) << shift;
                    }
                    ASSERT_EQ(AddChannelsSaturated(a, b), add) << std::hex << a << " " << b;
                    ASSERT_EQ(SubtractChannelsClamped(a, b), sub) << std::hex << a << " " << b;
                    ASSERT_EQ(AverageChannels(a, b), avg) << std::hex << a << " " << b;
                }
}

TEST(PixelOpsTest, KnownValues) {
    EXPECT_EQ(AverageChannels(0x00FFFFFF, 0x00FFFFFF), 0x00FEFEFEu);
    EXPECT_EQ(AverageChannels(0x00010101, 0x00010101), 0u);
    EXPECT_EQ(AddChannelsSaturated(0x00FFFFFF, Grey(1)), 0x00FFFFFFu);
    EXPECT_EQ(SubtractChannelsClamped(0x00123456, Grey(255)), 0u);
}

}  // namespace
}  // namespace qx
