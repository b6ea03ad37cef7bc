#include "effects/bump_water.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "effects/table_effects_support.h"
#include "tests/support/reset_records.h"

namespace qx::test {
namespace {

class BumpWaterTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRecords(bumpState, waterState); }
};

std::vector<uint8_t> RandomGrey(uint32_t seed) {
    TestRandom random{seed};
    std::vector<uint8_t> grey(kPicturePixels);
    for (uint8_t& g : grey) g = static_cast<uint8_t>(random.Next() >> 24);
    return grey;
}

TEST_F(BumpWaterTest, DerivativesAreEightTimesTheStepWithZeroBeforeEachLine) {
    const std::vector<uint8_t> in = {10, 12, 12, 11, 200, 0, 1, 2};
    std::vector<uint8_t> out(8);
    DeriveHorizontal(in.data(), out.data(), 4, 2);
    EXPECT_EQ(out, (std::vector<uint8_t>{80, 16, 0, 248, 64, 192, 8, 8}));
    DeriveVertical(in.data(), out.data(), 1, 8);  // one column of eight: 0 only above the top
    EXPECT_EQ(out, (std::vector<uint8_t>{80, 16, 0, 248, 232, 192, 8, 8}));
}

TEST_F(BumpWaterTest, FastDerivativesMatchTheLineByLineLoops) {
    const std::vector<uint8_t> in = RandomGrey(11);
    const std::pair<uint32_t, uint32_t> sizes[] = {{320, 200}, {1, 300}, {17, 33}, {300, 1},
                                                   {16, 16},   {31, 2},  {0, 5},   {5, 0}};
    for (auto [width, height] : sizes) {
        std::vector<uint8_t> fast(kPicturePixels, 0xAA), plain(kPicturePixels, 0xAA);
        DeriveHorizontal(in.data(), fast.data(), width, height);
        reference::DeriveHorizontal(in.data(), plain.data(), width, height);
        ASSERT_EQ(FirstDifference(fast, plain), -1) << width << " x " << height;
        DeriveVertical(in.data(), fast.data(), width, height);
        reference::DeriveVertical(in.data(), plain.data(), width, height);
        ASSERT_EQ(FirstDifference(fast, plain), -1) << width << " x " << height;
    }
}

TEST_F(BumpWaterTest, BlurInPlaceFeedsSmoothedLeftAndUpperNeighboursForward) {
    std::vector<uint8_t> grey(kPicturePixels, 0);
    grey[0] = 64;  // upper-left neighbour of row 1, column 1 only
    std::vector<uint8_t> separate(kPicturePixels, 0);
    BlurGrey8(grey.data(), separate.data());
    EXPECT_EQ(separate[321], 8);
    EXPECT_EQ(std::count(separate.begin(), separate.end(), 0), int64_t{kPicturePixels} - 1);

    BlurGrey8(grey.data(), grey.data());
    EXPECT_EQ(grey[0], 64);  // row 0 is never written
    EXPECT_EQ(grey[321], 8);
    EXPECT_EQ(grey[322], 1);  // its left neighbour was already 8
    EXPECT_EQ(grey[323], 0);
    EXPECT_EQ(grey[641], 1);  // above: 8 and 1
}

// Positions 63679 and 63680 (row 198 column 319, row 199 column 0) have neighbours past the
// last pixel; those count as 0 and nothing beyond the picture is read.
TEST_F(BumpWaterTest, BlurOfAFlatPictureChangesOnlyTheTwoPositionsAtTheEnd) {
    std::vector<uint8_t> grey(kPicturePixels, 64);
    BlurGrey8(grey.data(), grey.data());
    EXPECT_EQ(grey[63678], 64);
    EXPECT_EQ(grey[63679], 56);  // 7 x 64 / 8
    EXPECT_EQ(grey[63680], 47);  // (5 x 64 + 56) / 8
    EXPECT_EQ(grey[63681], 64);  // row 199 past column 0 is never written
    EXPECT_EQ(std::count(grey.begin(), grey.end(), 64), int64_t{kPicturePixels} - 2);
}

TEST_F(BumpWaterTest, PixelBlurTreatsEveryByteAsItsOwnGreyPicture) {
    TestRandom random{99};
    std::vector<uint32_t> original(kPicturePixels);
    for (uint32_t& p : original) p = random.Next();
    std::vector<uint32_t> picture = original;
    BlurPixelBytes8(picture.data(), picture.data());
    BlurPixelBytes8(picture.data(), picture.data());

    for (uint32_t shift : {0u, 8u, 16u, 24u}) {
        std::vector<uint8_t> lane(kPicturePixels);
        for (uint32_t i = 0; i < kPicturePixels; ++i) lane[i] = uint8_t(original[i] >> shift);
        BlurGrey8(lane.data(), lane.data());
        BlurGrey8(lane.data(), lane.data());
        for (uint32_t i = 0; i < kPicturePixels; ++i)
            ASSERT_EQ(uint8_t(picture[i] >> shift), lane[i]) << "byte " << shift / 8 << " at " << i;
    }
}

// Per channel (a + b) / 2 with random slopes: the horizontal slope moves the light-map row, the
// vertical one its column, all bytes that wrap.
TEST_F(BumpWaterTest, BumpLightMatchesAChannelByChannelReference) {
    TestRandom random{5};
    std::vector<uint32_t> colour(kPicturePixels), lightMap(kTestTextureTexels);
    std::vector<uint8_t> slopes(kSlopeMapsBytes);
    for (uint32_t& p : colour) p = random.Next();
    for (uint32_t& t : lightMap) t = random.Next() & 0x00FFFFFF;
    for (uint8_t& s : slopes) s = static_cast<uint8_t>(random.Next());
    std::vector<uint32_t> destination = Picture();
    bumpState = {240, 156};
    colour[0] = 0xFFFFFFFF;  // white meeting black: 0x7F7F7F, top byte dropped
    lightMap[TexelAt(uint8_t(156 - slopes[kSlopeMapBytes]), uint8_t(240 - slopes[0]))] = 0;
    DrawBumpLight(colour.data(), slopes.data(), lightMap.data(), destination.data());
    EXPECT_EQ(destination[0], 0x7F7F7Fu);
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            const uint32_t i = y * kPictureWidth + x;
            const uint32_t v = slopes[i], h = slopes[kSlopeMapBytes + i];
            const uint32_t light = lightMap[TexelAt(uint8_t(156 + x - h), uint8_t(240 + y - v))];
            uint32_t expected = 0;
            for (uint32_t shift : {0u, 8u, 16u})
                expected |= ((((colour[i] >> shift) & 0xFF) + ((light >> shift) & 0xFF)) / 2)
                            << shift;
            ASSERT_EQ(destination[i], expected) << x << "," << y;
        }
    }
}

struct WaterFields {
    std::vector<int16_t> a = std::vector<int16_t>(kWaterFieldHeights, 0);
    std::vector<int16_t> b = std::vector<int16_t>(kWaterFieldHeights, 0);
};

TEST_F(BumpWaterTest, FlatWaterStepsToTwiceTheHeightLessAnEighth) {
    const std::vector<uint32_t> background = IndexTexture();  // any distinct pixels will do
    for (auto [height, stepped] : {std::pair<int16_t, int16_t>{100, 188},
                                   {-100, -187},
                                   {20000, 6780} /* the sum wraps in 16 bits */}) {
        WaterFields fields;
        std::fill(fields.a.begin(), fields.a.end(), height);
        SetWaterBuffers(fields.a.data(), fields.b.data());
        std::vector<uint32_t> destination = Picture(7);
        StepAndDrawWater(background.data(), destination.data());

        EXPECT_EQ(fields.b[1 * kPictureWidth + 1], stepped);
        EXPECT_EQ(fields.b[198 * kPictureWidth + 318], stepped);
        EXPECT_EQ(std::count(fields.b.begin(), fields.b.end(), stepped), 198 * 318);
        EXPECT_EQ(fields.b[0], 0);  // the border is never stepped
        EXPECT_EQ(waterState.currentField, fields.b.data());
        EXPECT_EQ(waterState.previousField, fields.a.data());
        // A flat field bends nothing; row 199 is not drawn.
        for (uint32_t i = 0; i < kPictureWidth * 199; ++i) ASSERT_EQ(destination[i], background[i]);
        EXPECT_EQ(destination[199 * kPictureWidth], 7u);
    }
}

TEST_F(BumpWaterTest, WaterSamplesAreDisplacedCrosswiseAndClampedToTheBackground) {
    const std::vector<uint32_t> background = IndexTexture();  // pixel value = its index
    WaterFields fields;
    auto at = [](uint32_t x, uint32_t y) { return y * kPictureWidth + x; };
    fields.a[at(100, 50)] = 80;    // dx = dy = 80 there: ten rows down, ten columns right
    fields.a[at(5, 3)] = -800;     // one hundred up and left: clamped to row 0, column 0
    fields.a[at(319, 150)] = 400;  // fifty down and right: clamped to column 319, not the next row
    SetWaterBuffers(fields.a.data(), fields.b.data());
    std::vector<uint32_t> destination = Picture();
    StepAndDrawWater(background.data(), destination.data());
    EXPECT_EQ(destination[at(100, 50)], at(110, 60));
    EXPECT_EQ(destination[at(99, 50)], at(99, 40));   // dx = 0 - 80
    EXPECT_EQ(destination[at(100, 49)], at(90, 49));  // dy = 0 - 80
    EXPECT_EQ(destination[at(5, 3)], at(0, 0));
    EXPECT_EQ(destination[at(319, 150)], at(319, 199));
    EXPECT_EQ(destination[at(318, 150)], at(318, 100));
}

// Heights across the whole 16-bit range push samples far outside the background; the sanitizer
// build reports any read beyond the exactly sized buffers.
TEST_F(BumpWaterTest, ExtremeWaterNeverReadsOutsideTheBackground) {
    const std::vector<uint32_t> background = IndexTexture();
    WaterFields fields;
    TestRandom random{3};
    for (int16_t& h : fields.a) h = static_cast<int16_t>(random.Next());
    for (int16_t& h : fields.b) h = static_cast<int16_t>(random.Next());
    SetWaterBuffers(fields.a.data(), fields.b.data());
    std::vector<uint32_t> destination = Picture();
    for (int frame = 0; frame < 4; ++frame) StepAndDrawWater(background.data(), destination.data());
    for (uint32_t i = 0; i < kPictureWidth * 199; ++i) ASSERT_LT(destination[i], kPicturePixels);
}

}  // namespace
}  // namespace qx::test
