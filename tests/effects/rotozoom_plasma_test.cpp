#include "effects/rotozoom_plasma.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/wave_table.h"
#include "effects/table_effects_support.h"
#include "tests/support/reset_records.h"

namespace qx::test {
namespace {

class RotozoomPlasmaTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRecords(rotozoomState, plasmaState, scrollState); }
    std::vector<uint32_t> texture = IndexTexture();
    std::vector<uint32_t> picture = Picture();

    uint32_t Pixel(uint32_t x, uint32_t y) const { return picture[y * kPictureWidth + x]; }
    void DrawRotozoomAt(int32_t angle, int32_t zoom) {
        rotozoomState = {angle, zoom};
        BuildRotozoomTables();
        DrawRotozoom(texture.data(), picture.data());
    }
};

TEST_F(RotozoomPlasmaTest, UnturnedUnscaledTextureIsCentredOnPixel159And100) {
    DrawRotozoomAt(0, 256);
    EXPECT_EQ(Pixel(159, 100), TexelAt(128, 128));
    EXPECT_EQ(Pixel(160, 100), TexelAt(129, 128));
    EXPECT_EQ(Pixel(159, 101), TexelAt(128, 127));
    EXPECT_EQ(Pixel(0, 0), TexelAt(225, 228));
    EXPECT_EQ(Pixel(319, 199), TexelAt(32, 29));
    // At this angle and zoom every pixel is exactly row 128 + (x - 159), column 128 - (y - 100).
    for (uint32_t y = 0; y < kPictureHeight; ++y)
        for (uint32_t x = 0; x < kPictureWidth; ++x)
            ASSERT_EQ(Pixel(x, y), TexelAt(x + 256 - 31, 256 + 228 - y)) << x << "," << y;
}

TEST_F(RotozoomPlasmaTest, QuarterTurnSwapsTheAxes) {
    DrawRotozoomAt(90, 256);  // c = 0, s = 256: row 128 + (y - 100), column 128 + (x - 159)
    for (uint32_t y = 0; y < kPictureHeight; ++y)
        for (uint32_t x = 0; x < kPictureWidth; ++x)
            ASSERT_EQ(Pixel(x, y), TexelAt(y + 28, x + 225)) << x << "," << y;
}

TEST_F(RotozoomPlasmaTest, LoadValuesDoubleTheStepsAndTurnOneDegree) {
    BuildRotozoomTables();  // angle 1, zoom 512: c = 512, s = 9
    DrawRotozoom(texture.data(), picture.data());
    EXPECT_EQ(Pixel(159, 100), TexelAt(128, 128));
    EXPECT_EQ(Pixel(160, 100), TexelAt(130, 128));
    EXPECT_EQ(Pixel(159, 101), TexelAt(128, 126));
}

TEST_F(RotozoomPlasmaTest, AdvanceRotozoomTurnsByFourAndShrinksZoomByTwo) {
    AdvanceRotozoom();
    EXPECT_EQ(rotozoomState.rotozoomAngle, 5);
    EXPECT_EQ(rotozoomState.rotozoomZoom, 510);
    rotozoomState = {INT32_MAX - 1, INT32_MIN + 1};  // both wrap instead of overflowing
    AdvanceRotozoom();
    EXPECT_EQ(rotozoomState.rotozoomAngle, INT32_MIN + 2);
    EXPECT_EQ(rotozoomState.rotozoomZoom, INT32_MAX);
}

// The plasma per row in closed form: x + z stays x0 + z0 along the row, so the first wave read
// is the same for all 160 pixels; pixel i of the row reads row x0 - 2 (i + 1) and the column
// from z0 + 2 i.
uint32_t PlasmaTexel(uint8_t a, uint8_t b, uint32_t row, uint32_t i) {
    const uint8_t x0 = waveTable[uint8_t(a + row)] / 2;
    const uint8_t z0 = waveTable[uint8_t(b + 2 * row)] / 2;
    const uint8_t z = static_cast<uint8_t>(z0 + 2 * i);
    const uint8_t q =
        static_cast<uint8_t>(waveTable[uint8_t(x0 + z0)] / 2 + waveTable[uint8_t(z + row)]);
    return TexelAt(uint8_t(x0 - 2 * (i + 1)), (q / 2) | 1);
}

TEST_F(RotozoomPlasmaTest, TwoPlasmaCallsWriteEveryPixelExactlyOnce) {
    constexpr uint32_t kUnwritten = 0xFFFFFFFF;  // no texel of the index texture
    plasmaState = {10, 250, 0};
    std::vector<uint32_t> first = Picture(kUnwritten), second = Picture(kUnwritten);
    DrawTablePlasma(texture.data(), first.data());
    EXPECT_EQ(plasmaState.plasmaParity, 1);
    EXPECT_EQ(plasmaState.plasmaPhaseA, 9);
    EXPECT_EQ(plasmaState.plasmaPhaseB, 251);
    DrawTablePlasma(texture.data(), second.data());
    EXPECT_EQ(plasmaState.plasmaParity, 0);

    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            const uint32_t i = y * kPictureWidth + x;
            const bool firstCall = (x + y) % 2 == 0;
            ASSERT_NE(first[i] == kUnwritten, second[i] == kUnwritten) << x << "," << y;
            const uint32_t written = firstCall ? first[i] : second[i];
            const uint32_t expected =
                firstCall ? PlasmaTexel(10, 250, y, x / 2) : PlasmaTexel(9, 251, y, x / 2);
            ASSERT_EQ(written, expected) << x << "," << y;
            ASSERT_EQ(written & 1, 1u);  // the column index is always odd
        }
    }
}

TEST_F(RotozoomPlasmaTest, ScrollRowCyclesThroughTenValues) {
    for (uint32_t step = 1; step <= 10; ++step) {
        AdvanceScroll();
        EXPECT_EQ(scrollState.scrollRow, (23 * step) % 230);
    }
    EXPECT_EQ(scrollState.scrollRow, 0);
    scrollState.scrollRow = 220;  // off the cycle: still wraps to 0
    AdvanceScroll();
    EXPECT_EQ(scrollState.scrollRow, 0);
}

TEST_F(RotozoomPlasmaTest, CopyScrolledRotatesTheSourceRows) {
    std::vector<uint32_t> source(kPictureWidth * kScrollSourceRows);
    for (uint32_t i = 0; i < source.size(); ++i)
        source[i] = (i / kPictureWidth) << 16 | i % kPictureWidth;
    scrollState.scrollRow = 207;
    CopyScrolled(source.data(), picture.data());
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        const uint32_t sourceRow = y < 23 ? 207 + y : y - 23;
        for (uint32_t x : {0u, 319u}) ASSERT_EQ(Pixel(x, y), sourceRow << 16 | x) << y;
    }
    scrollState.scrollRow = 0;
    CopyScrolled(source.data(), picture.data());
    EXPECT_EQ(Pixel(5, 199), 199u << 16 | 5);
}

}  // namespace
}  // namespace qx::test
