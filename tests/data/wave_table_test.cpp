#include "data/wave_table.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qx {
namespace {

TEST(WaveTableTest, OnePeriodBetweenZeroAndTwoHundredFiftyThree) {
    EXPECT_EQ(waveTable[0], 125);
    EXPECT_EQ(waveTable[255], 128);
    for (uint32_t i = 0; i < kWaveTableEntries; ++i) {
        EXPECT_EQ(waveTable[i] == 0, i >= 58 && i <= 68) << i;
        EXPECT_EQ(waveTable[i] == 253, i >= 187 && i <= 196) << i;
        // Smooth, also across the wrap from the last entry to the first.
        EXPECT_LE(std::abs(waveTable[i] - waveTable[(i + 1) % kWaveTableEntries]), 5) << i;
    }
}

}  // namespace
}  // namespace qx
