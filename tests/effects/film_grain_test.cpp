#include "effects/film_grain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "base/host_settings.h"

namespace qx {
namespace {

using Picture = std::vector<uint32_t>;

class FilmGrainTest : public ::testing::Test {
protected:
    void SetUp() override {
        filmGrainState = {};
        randomState = {};
    }
    // The two values a routine will draw next, without disturbing the generator.
    std::pair<uint32_t, uint32_t> PeekTwo(uint32_t firstLimit, uint32_t secondLimit) {
        const uint32_t saved = randomState.state;
        const uint32_t first = NextRandom(firstLimit);
        const std::pair<uint32_t, uint32_t> next{first, NextRandom(secondLimit)};
        randomState.state = saved;
        return next;
    }
};

TEST_F(FilmGrainTest, GeneratorSequenceFromStateZero) {
    randomState.state = 0xDEADBEEF;
    SeedRandom();
    const uint32_t results[] = {12, 23, 62, 51, 42};
    const uint32_t states[] = {0x7F9DDC0C, 0xA454F2D7, 0x06BDC7FE, 0xADF0D633, 0x5CB691EA};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(NextRandom(64), results[i]) << i;
        EXPECT_EQ(randomState.state, states[i]) << i;
    }
    SeedRandom();
    EXPECT_EQ(NextRandom(1), 0u);  // still advances
    EXPECT_EQ(randomState.state, states[0]);

    randomState.state = 12345;
    FillNoiseTable();  // seeds first
    EXPECT_EQ(filmGrainState.noiseTable[0], 12);
    EXPECT_EQ(filmGrainState.noiseTable[4], 42);
}

TEST_F(FilmGrainTest, GrainClampsKeepsTopByteAndRepeatsEveryQuarter) {
    FillNoiseTable();
    filmGrainState.noiseTable[0] = 63;
    filmGrainState.noiseTable[1] = 0;
    Picture p(kPicturePixels, 0x7FC8C8C8);  // channels of 200
    AddGrain(p.data(), p.data());
    const uint32_t noise777 = filmGrainState.noiseTable[777];
    for (uint32_t quarter = 0; quarter < 4; ++quarter) {
        EXPECT_EQ(p[quarter * kGrainBytes], 0x7FFFFFFFu);  // 200 + 63 clamps at 255, not 7
        EXPECT_EQ(p[quarter * kGrainBytes + 1], 0x7FC8C8C8u);
        EXPECT_EQ(p[quarter * kGrainBytes + 777], 0x7F000000u | (200 + noise777) * 0x010101u);
    }

    std::mt19937 random(7);
    Picture source(kPicturePixels), fast(kPicturePixels), plain(kPicturePixels);
    for (uint32_t& pixel : source) pixel = static_cast<uint32_t>(random());
    AddGrain(source.data(), fast.data());
    reference::AddGrain(source.data(), plain.data());
    EXPECT_EQ(fast, plain);
}

TEST_F(FilmGrainTest, EvolveNoiseXorsEachWordWithTheOldNextWord) {
    FillNoiseTable();
    uint32_t before[kNoiseTableBytes / 4], after[kNoiseTableBytes / 4];
    std::memcpy(before, filmGrainState.noiseTable, sizeof before);
    EvolveNoise();
    std::memcpy(after, filmGrainState.noiseTable, sizeof after);
    for (int i = 0; i < 4002; ++i) ASSERT_EQ(after[i], before[i] ^ before[i + 1]) << i;
    EXPECT_EQ(after[4002], before[4002]);
    EXPECT_EQ(after[4003], before[4003]);
    for (uint8_t noise : filmGrainState.noiseTable) ASSERT_LE(noise, 63);
}

TEST_F(FilmGrainTest, ScratchBlackensOneWholeColumnAndBandHalvesAndLiftsItsRun) {
    randomState.state = 0x1234;
    for (int round = 0; round < 30; ++round) {
        Picture p(kPicturePixels);
        for (uint32_t i = 0; i < kPicturePixels; ++i) p[i] = i % 2 ? 0xFFFFFFFF : 0;
        const uint32_t column = PeekTwo(200, kPictureWidth).second;
        DrawScratch(p.data());
        const auto [row, extra] = PeekTwo(196, 640);
        const uint32_t first = row * kPictureWidth, end = first + kPictureWidth + extra;
        DrawDimBand(p.data());
        for (uint32_t i = 0; i < kPicturePixels; ++i) {
            uint32_t expected = i % kPictureWidth == column ? 0 : i % 2 ? 0xFFFFFFFF : 0;
            if (i >= first && i < end) expected = expected ? 0x00878787 : 0x00080808;
            ASSERT_EQ(p[i], expected) << i;
        }
    }
}

}  // namespace
}  // namespace qx
