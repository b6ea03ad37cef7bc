#include "host/flash_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "base/picture.h"
#include "base/pixel_ops.h"
#include "base/relative_luminance.h"

namespace qx {
namespace {

using Picture = std::vector<uint32_t>;
constexpr uint32_t kFps = 60;

// The grey level whose relative luminance is nearest to y.
uint32_t GreyOfLuminance(double y) {
    uint32_t best = 0;
    for (uint32_t g = 0; g < 256; ++g)
        if (std::fabs(RelativeLuminance(Grey(g)) - y) < std::fabs(RelativeLuminance(Grey(best)) - y))
            best = g;
    return Grey(best);
}

// Plays `seconds` of pictures made by `frame(k)` and returns the worst window and how many
// windows failed.
struct Outcome {
    FlashWindow worst;
    uint32_t failing = 0;
};
Outcome Play(double seconds, const std::function<void(uint32_t, Picture&)>& frame,
             uint32_t fps = kFps, bool squarePixels = false) {
    FlashAnalyser analyser(kPictureWidth, kPictureHeight, fps, squarePixels);
    Picture picture(kPicturePixels);
    Outcome outcome;
    for (uint32_t k = 0; k < seconds * fps; ++k) {
        frame(k, picture);
        const FlashWindow window = analyser.AddPicture(picture.data());
        if (window.flashes > outcome.worst.flashes) outcome.worst = window;
        outcome.failing += window.Fails();
    }
    return outcome;
}

// A square wave between two colours at `hertz`, over the rectangle (or the whole picture).
std::function<void(uint32_t, Picture&)> Flashing(double hertz, uint32_t low, uint32_t high,
                                                 uint32_t left = 0, uint32_t top = 0,
                                                 uint32_t width = kPictureWidth,
                                                 uint32_t height = kPictureHeight,
                                                 uint32_t fps = kFps) {
    return [=](uint32_t k, Picture& picture) {
        std::fill(picture.begin(), picture.end(), low);
        const bool on = static_cast<uint32_t>(std::floor(k * 2.0 * hertz / fps)) % 2 == 1;
        if (!on) return;
        for (uint32_t y = top; y < top + height; ++y)
            std::fill_n(&picture[y * kPictureWidth + left], width, high);
    };
}

TEST(FlashAnalysisTest, WholePictureFlashFailsAtFourHertzAndPassesAtThree) {
    const Outcome four = Play(3, Flashing(4, 0, 0xFFFFFF));
    EXPECT_EQ(four.worst.flashes, 4u);
    EXPECT_EQ(four.worst.percent, 100u);
    EXPECT_GT(four.failing, 0u);
    const Outcome three = Play(3, Flashing(3, 0, 0xFFFFFF));
    EXPECT_EQ(three.worst.flashes, 3u);
    EXPECT_EQ(three.failing, 0u);
    // The same at 24 and 50 frames a second, and with square pixels.
    for (uint32_t fps : {24u, 50u}) {
        EXPECT_GT(Play(3, Flashing(4, 0, 0xFFFFFF, 0, 0, 320, 200, fps), fps).failing, 0u);
        EXPECT_EQ(Play(3, Flashing(3, 0, 0xFFFFFF, 0, 0, 320, 200, fps), fps).failing, 0u);
    }
    EXPECT_GT(Play(3, Flashing(4, 0, 0xFFFFFF), kFps, true).failing, 0u);
}

TEST(FlashAnalysisTest, OnlyAQuarterOfAFieldOrMoreCounts) {
    // A field is 13 x 8 blocks of 8 pixels; a quarter of it 26 blocks. 6 x 4 blocks flashing at
    // 10 Hz pass, 6 x 5 fail; so do two separate patches of 3 x 4 blocks in one field.
    EXPECT_EQ(Play(2, Flashing(10, 0, 0xFFFFFF, 80, 40, 48, 32)).failing, 0u);
    const Outcome larger = Play(2, Flashing(10, 0, 0xFFFFFF, 80, 40, 48, 40));
    EXPECT_GT(larger.failing, 0u);
    EXPECT_EQ(larger.worst.percent, 29u);  // 30 of 104 blocks
}

TEST(FlashAnalysisTest, SmallOrBrightChangesAreNoFlashes) {
    // 0.09 of relative luminance apart: none; 0.11: flashes.
    const uint32_t dark = GreyOfLuminance(0.2);
    EXPECT_EQ(Play(2, Flashing(10, dark, GreyOfLuminance(0.29))).worst.flashes, 0u);
    EXPECT_GT(Play(2, Flashing(10, dark, GreyOfLuminance(0.31))).failing, 0u);
    // Bright to brighter, the darker state above 0.8: none, however large the step.
    EXPECT_EQ(Play(2, Flashing(10, GreyOfLuminance(0.82), 0xFFFFFF)).worst.flashes, 0u);
}

TEST(FlashAnalysisTest, SaturatedRedAgainstBlackIsARedFlash) {
    // A dark saturated red: less than 0.1 of luminance from black, but a red flash.
    const uint32_t red = 0x600000;
    ASSERT_LT(RelativeLuminance(red), 0.1);
    const Outcome four = Play(3, Flashing(4, 0, red));
    EXPECT_TRUE(four.worst.red);
    EXPECT_EQ(four.worst.flashes, 4u);
    EXPECT_GT(four.failing, 0u);
    EXPECT_EQ(Play(3, Flashing(3, 0, red)).failing, 0u);
    // The same step in grey is neither kind of flash.
    EXPECT_EQ(Play(3, Flashing(4, 0, GreyOfLuminance(RelativeLuminance(red)))).worst.flashes, 0u);
}

TEST(FlashAnalysisTest, FilmMarksAndMovingContrastAreNoFlashes) {
    // A bright picture with four black scratches and four halved bands in new places every frame.
    uint32_t seed = 1;
    const auto next = [&](uint32_t limit) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % limit;
    };
    const Outcome marks = Play(3, [&](uint32_t, Picture& picture) {
        std::fill(picture.begin(), picture.end(), 0xE0E0E0u);
        for (int i = 0; i < 4; ++i) {
            const uint32_t x = next(kPictureWidth);
            for (uint32_t y = 0; y < kPictureHeight; ++y) picture[y * kPictureWidth + x] = 0;
            const uint32_t start = next(196) * kPictureWidth, length = 320 + next(640);
            for (uint32_t p = start; p < start + length; ++p)
                picture[p] = ((picture[p] & kHalvingMask) >> 1) + 0x080808;
        }
    });
    EXPECT_LE(marks.worst.flashes, 1u);
    // Black and white stripes 16 pixels wide sliding 4 pixels a frame: as many blocks brighten
    // as darken at any moment.
    const Outcome stripes = Play(3, [](uint32_t k, Picture& picture) {
        for (uint32_t y = 0; y < kPictureHeight; ++y)
            for (uint32_t x = 0; x < kPictureWidth; ++x)
                picture[y * kPictureWidth + x] = ((x + 4 * k) / 16) % 2 ? 0xFFFFFF : 0;
    });
    EXPECT_EQ(stripes.failing, 0u);
}

TEST(FlashAnalysisTest, SlowFadesAreSingleTransitions) {
    // Black to white and back over one second each, three times: one flash a second at most.
    const Outcome fades = Play(6, [](uint32_t k, Picture& picture) {
        const uint32_t phase = k % (2 * kFps);
        const uint32_t level = (phase < kFps ? phase : 2 * kFps - phase) * 255 / kFps;
        std::fill(picture.begin(), picture.end(), Grey(level));
    });
    EXPECT_LE(fades.worst.flashes, 1u);
}

}  // namespace
}  // namespace qx
