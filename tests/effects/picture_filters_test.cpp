#include "effects/picture_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "base/pixel_ops.h"
#include "base/relative_luminance.h"

namespace qx {
namespace {

using Picture = std::vector<uint32_t>;
using GreyPicture = std::vector<uint8_t>;

class PictureFiltersTest : public ::testing::Test {
protected:
    void SetUp() override { fadeState = {}; }
    // Random words with runs of saturated and zero channels and whole zero words, so that every
    // clamp and the transparent copy are exercised.
    Picture RandomPicture() {
        Picture p(kPicturePixels);
        for (uint32_t& pixel : p) pixel = static_cast<uint32_t>(random());
        for (uint32_t i = 0; i < kPicturePixels; i += 7) p[i] |= 0x00F0F0F0;
        for (uint32_t i = 3; i < kPicturePixels; i += 11) p[i] &= 0xFF0F0F0F;
        for (uint32_t i = 5; i < kPicturePixels; i += 13) p[i] = 0;
        return p;
    }
    std::mt19937 random{20240501};
};

TEST_F(PictureFiltersTest, VectorRoutinesMatchPlainLoopsOnRandomPictures) {
    for (int round = 0; round < 3; ++round) {
        const Picture a = RandomPicture(), b = RandomPicture();
        Picture fast(kPicturePixels), plain(kPicturePixels);
        AddPicturesSaturated(a.data(), b.data(), fast.data());
        reference::AddPicturesSaturated(a.data(), b.data(), plain.data());
        EXPECT_EQ(fast, plain);
        AveragePictures(a.data(), b.data(), fast.data());
        reference::AveragePictures(a.data(), b.data(), plain.data());
        EXPECT_EQ(fast, plain);
        fast = plain = b;
        CopyNonZeroRows(a.data(), fast.data(), kPictureHeight);
        reference::CopyNonZeroRows(a.data(), plain.data(), kPictureHeight);
        EXPECT_EQ(fast, plain);
        for (uint8_t level : {1, 77, 128, 255}) {
            fadeState.fadeLevel = level;
            fast = plain = a;  // in place, as the scenes call them
            BrightenByFadeLevel(fast.data(), fast.data());
            reference::BrightenByFadeLevel(plain.data(), plain.data());
            EXPECT_EQ(fast, plain) << int{level};
            DarkenByFadeLevel(fast.data(), fast.data());
            reference::DarkenByFadeLevel(plain.data(), plain.data());
            EXPECT_EQ(fast, plain) << int{level};
        }

        GreyPicture grey(kGreyPictureBytes);
        for (uint8_t& level : grey) level = static_cast<uint8_t>(random());
        ExpandGreyPicture(grey.data(), fast.data());
        reference::ExpandGreyPicture(grey.data(), plain.data());
        EXPECT_EQ(fast, plain);
        GreyPicture apartFast(kGreyPictureBytes, 7), apartPlain(kGreyPictureBytes, 7);
        SmearDiagonal(grey.data(), apartFast.data());
        reference::SmearDiagonal(grey.data(), apartPlain.data());
        EXPECT_EQ(apartFast, apartPlain);
        GreyPicture inPlace = grey;
        for (int pass = 0; pass < 5; ++pass) {
            SmearDiagonal(grey.data(), grey.data());
            reference::SmearDiagonal(inPlace.data(), inPlace.data());
        }
        EXPECT_EQ(grey, inPlace);
    }
}

TEST_F(PictureFiltersTest, ChannelsClampTopBytesAreKeptAndLevelZeroRefuses) {
    Picture a(kPicturePixels, 0xAB10F080), b(kPicturePixels, 0xCD20207F), out(kPicturePixels);
    AddPicturesSaturated(a.data(), b.data(), out.data());
    EXPECT_EQ(out[0], 0xAB30FFFFu);
    AveragePictures(a.data(), b.data(), out.data());
    EXPECT_EQ(out[0], 0x0018887Fu);  // 8 + 16, 120 + 16, 64 + 63; top byte 0

    a.assign(kPicturePixels, 0x5AFFFFFF);
    fadeState.fadeLevel = 1;
    EXPECT_TRUE(BrightenByFadeLevel(a.data(), a.data()));
    EXPECT_EQ(a[0], 0x5AFFFFFFu);  // no wrap to 0
    fadeState.fadeLevel = 255;
    EXPECT_TRUE(DarkenByFadeLevel(a.data(), a.data()));
    EXPECT_EQ(a[999], 0x5A000000u);

    const Picture grey(kPicturePixels, 0x00404040);
    fadeState.fadeLevel = 0;
    EXPECT_FALSE(DarkenByFadeLevel(grey.data(), out.data()));
    EXPECT_FALSE(BrightenByFadeLevel(grey.data(), out.data()));
    EXPECT_EQ(out[0], 0x0018887Fu);
}

TEST_F(PictureFiltersTest, CopyNonZeroRowsTreatsOnlyZeroWordsAsTransparent) {
    Picture source(kPicturePixels, 0), destination(kPicturePixels, 0x00ABCDEF);
    source[1] = 0x01000000;                  // top byte only: still copied
    source[2 * kPictureWidth] = 0x00FFFFFF;  // beyond the two rows copied
    CopyNonZeroRows(source.data(), destination.data(), 2);
    EXPECT_EQ(destination[0], 0x00ABCDEFu);
    EXPECT_EQ(destination[1], 0x01000000u);
    EXPECT_EQ(destination[2 * kPictureWidth], 0x00ABCDEFu);
}

TEST_F(PictureFiltersTest, SmearDragsDetailDownAndRightInPlaceAndSparesTheEdges) {
    GreyPicture grey(kGreyPictureBytes, 0);
    const auto at = [&](uint32_t x, uint32_t y) -> uint8_t& { return grey[y * kPictureWidth + x]; };
    at(10, 10) = 200;
    SmearDiagonal(grey.data(), grey.data());
    // Row 9 reads the bright pixel below; every later row reads the already smeared row above,
    // halved with the fraction dropped.
    const uint8_t trail[] = {100, 50, 25, 12, 6, 3, 1, 0};
    for (uint32_t k = 0; k < 8; ++k) EXPECT_EQ(at(9 + k, 9 + k), trail[k]) << k;

    // Into another picture every row reads the original rows only; the edges stay unwritten.
    GreyPicture destination(kGreyPictureBytes, 99);
    grey.assign(kGreyPictureBytes, 0);
    at(10, 10) = 200;
    SmearDiagonal(grey.data(), destination.data());
    for (uint32_t y = 0; y < kPictureHeight; ++y)
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            const bool edge = x == 0 || y == 0 || x == kPictureWidth - 1 || y == kPictureHeight - 1;
            const bool lit = (x == 9 && y == 9) || (x == 11 && y == 11);
            ASSERT_EQ(destination[y * kPictureWidth + x], edge  ? 99
                                                          : lit ? 100
                                                                : 0)
                << x << "," << y;
        }
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// The gentle fades: no channel's linear light moves by more than the step, dark channels take the
// level (up to that limit) and the order of the channel values is kept; level 0 writes nothing.
TEST(GentleFadeTest, LimitsEveryChannelsChangeInLinearLight) {
    Picture ramp(kPicturePixels), out(kPicturePixels);
    for (uint32_t i = 0; i < kPicturePixels; ++i) ramp[i] = 0x5A000000u | Grey(i % 256);
    for (uint32_t level : {1u, 10u, 63u, 128u, 255u}) {
        fadeState = {};
        fadeState.fadeLevel = static_cast<uint8_t>(level);
        for (bool brighten : {true, false}) {
            ASSERT_TRUE((brighten ? BrightenGentlyByFadeLevel : DarkenGentlyByFadeLevel)(
                ramp.data(), out.data()));
            uint32_t previous = 0;
            for (uint32_t c = 0; c < 256; ++c) {
                const uint32_t before = ramp[c], after = out[c];
                EXPECT_EQ(after >> 24, 0x5Au);
                EXPECT_NEAR(RelativeLuminance(after), RelativeLuminance(before),
                            kGentleFadeStep + 1e-9);
                const uint32_t value = after & 0xFF;
                EXPECT_EQ(after & kColourMask, Grey(value));
                EXPECT_GE(value, previous) << "order kept";
                previous = value;
                if (brighten) {
                    EXPECT_LE(value, std::min(c + level, 255u));
                } else {
                    EXPECT_GE(static_cast<int>(value), static_cast<int>(c) - static_cast<int>(level));
                }
            }
            // Dark channels take a small level whole; white only a few steps of it.
            if (level <= 10) {
                EXPECT_EQ(out[brighten ? 0 : level] & 0xFF, brighten ? level : 0u);
                EXPECT_TRUE(level < 10 || (out[255] & 0xFF) > 245u);
            }
        }
    }
    fadeState.fadeLevel = 0;
    out = ramp;
    EXPECT_FALSE(BrightenGentlyByFadeLevel(ramp.data(), out.data()));
    EXPECT_FALSE(DarkenGentlyByFadeLevel(ramp.data(), out.data()));
}

}  // namespace
}  // namespace qx
