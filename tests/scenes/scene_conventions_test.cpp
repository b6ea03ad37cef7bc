#include "scenes/scene_conventions.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "archive/asset_catalogue.h"
#include "effects/fades.h"
#include "effects/film_grain.h"
#include "effects/random.h"
#include "scenes/object_scenes.h"
#include "scenes/work_pictures.h"

namespace qx::test {
namespace {

TEST(SceneConventionsTest, CountdownStepsOnTheFirstFiringFromZeroThenEveryReloadPlusOne) {
    uint32_t countdown = 0;
    std::vector<int> steps;
    for (int firing = 1; firing <= 10; ++firing)
        if (CountdownElapsed(countdown, 3)) steps.push_back(firing);
    EXPECT_EQ(steps, (std::vector<int>{1, 5, 9}));
}

TEST(SceneConventionsTest, FlickerStartsPulsesOnlyAtLevelZero) {
    fadeState = {};
    randomState.state = 12345;
    fadeState.fadeLevel = 1;
    fadeState.fadeDelay = 0;
    const uint32_t randomBefore = randomState.state;
    FlickerStep();
    EXPECT_EQ(fadeState.fadeLevel, 1);  // a decaying flash is left alone,
    EXPECT_EQ(fadeState.fadeDelay, 0);
    EXPECT_EQ(randomState.state, randomBefore);  // and draws no random number
    bool sawNonZero = false;
    for (int i = 0; i < 200; ++i) {
        fadeState.fadeLevel = 0;
        FlickerStep();
        EXPECT_LT(fadeState.fadeLevel, 64);
        EXPECT_EQ(fadeState.fadeDelay, 1);
        sawNonZero |= fadeState.fadeLevel != 0;
    }
    EXPECT_TRUE(sawNonZero);
}

// Reduced flashing takes a flicker pulse gently and a flash in full; the plain show takes both in
// full. The fade state, and so every random draw, is the same either way.
TEST(SceneConventionsTest, ReducedFlashingSoftensFlickerPulsesOnly) {
    const auto fadedGrey = [](bool reduced, bool pulse) {
        sceneSettings.reduceFlashing = reduced;
        fadeState = {};
        randomState = {};
        while (fadeState.fadeLevel < 40) {  // a pulse large enough to see the difference
            fadeState.fadeLevel = 0;
            FlickerStep();
        }
        if (!pulse) SetFlash(fadeState.fadeLevel, fadeState.fadeDelay);
        EXPECT_EQ(fadeState.flickerPulse, pulse);
        std::vector<uint32_t> picture(kPicturePixels, 0x808080);
        ApplyFadeStep(picture.data(), FadeStep::White);
        sceneSettings = {};
        return picture[0] & 0xFF;
    };
    const uint32_t full = fadedGrey(false, true);
    EXPECT_GT(full, 0x80u + 40);
    EXPECT_EQ(fadedGrey(true, false), full);
    const uint32_t gentle = fadedGrey(true, true);
    EXPECT_GT(gentle, 0x80u);
    EXPECT_LT(gentle, full);
}

TEST(SceneConventionsTest, TrailDecaySubtractsTheWholeWordAndStopsAtZero) {
    std::vector<uint32_t> picture(kPicturePixels, 0);
    picture[0] = 0x040404;
    picture[1] = 0x050505;
    picture[2] = 0x060606;
    picture[3] = 0x000004;  // below k as a number although its blue is not
    DecayTrails(picture.data(), 0x050505);
    EXPECT_EQ(picture[0], 0u);
    EXPECT_EQ(picture[1], 0u);
    EXPECT_EQ(picture[2], 0x010101u);
    EXPECT_EQ(picture[3], 0u);
    picture[0] = 0x0F0F0F;
    picture[1] = 0x101010;
    picture[2] = 0x111111;
    picture[kPicturePixels - 1] = 0xFFFFFF;
    DecayTrails(picture.data(), 0x101010);
    EXPECT_EQ(picture[0], 0u);
    EXPECT_EQ(picture[1], 0u);
    EXPECT_EQ(picture[2], 0x010101u);
    EXPECT_EQ(picture[kPicturePixels - 1], 0xEFEFEFu);
}

TEST(SceneConventionsTest, TextStripRunsOnInMemoryOrderAndNeverPassesThePicture) {
    std::fill_n(assetBuffers.pictext, kPicturePixels, 0x00C0C0C0u);
    std::fill_n(workPicture, kWorkPicturePixels, 0u);
    // The twins strip: 17 rows from the middle of row 180 to the middle of row 197.
    const uint32_t start = 180 * 320 + 150;
    DrawTextStrip(137, 17, start);
    EXPECT_EQ(workPicture[start - 1], 0u);
    EXPECT_EQ(workPicture[start], 0xC0C0C0u);
    EXPECT_EQ(workPicture[181 * 320 + 149], 0xC0C0C0u);  // wrapped to the next row's left edge
    EXPECT_EQ(workPicture[197 * 320 + 149], 0xC0C0C0u);
    EXPECT_EQ(workPicture[197 * 320 + 150], 0u);
    EXPECT_TRUE(std::all_of(workPicture + 198 * 320, workPicture + kWorkPicturePixels,
                            [](uint32_t p) { return p == 0; }));
    // Black in the strip is transparent.
    assetBuffers.pictext[0] = 0;
    workPicture[7040] = 0x123456;
    DrawTextStrip(0, 1, 7040);
    EXPECT_EQ(workPicture[7040], 0x123456u);
    // A strip that would run past the last pixel loses its last rows; the black rows below the
    // work picture stay black.
    std::fill_n(workPicture, kWorkPicturePixels, 0u);
    DrawTextStrip(0, 25, 63900);
    DrawTextStrip(190, 25, 0);
    EXPECT_TRUE(std::all_of(workPicture + 63900, workPicture + kWorkPicturePixels,
                            [](uint32_t p) { return p == 0; }));
    EXPECT_EQ(workPicture[9 * 320 + 319], 0xC0C0C0u);  // rows 190..199 of pictext only
    EXPECT_EQ(workPicture[10 * 320], 0u);
}

TEST(SceneConventionsTest, EchoIsFirstCopiedOnFramePeriodPlusOne) {
    uint32_t counter = 0;
    std::fill_n(sparePicture, kPicturePixels, 7u);
    for (uint32_t frame = 1; frame <= 9; ++frame) {
        std::fill_n(workPicture, kPicturePixels, frame);
        StepEcho(counter, 8);
        EXPECT_EQ(sparePicture[100], frame < 9 ? 7u : 9u) << "frame " << frame;
    }
    EXPECT_EQ(counter, 1u);
}

TEST(SceneConventionsTest, FadeStepAtLevelZeroLeavesThePictureAndFinishesInOrder) {
    std::vector<uint32_t> picture(kPicturePixels, 0x404040);
    fadeState = {};
    ApplyFadeStep(picture.data(), FadeStep::White);
    ApplyFadeStep(picture.data(), FadeStep::Black);
    EXPECT_EQ(picture[0], 0x404040u);
    fadeState.fadeLevel = 0x10;
    ApplyFadeStep(picture.data(), FadeStep::Black);
    EXPECT_EQ(picture[0], 0x303030u);
    ApplyFadeStep(picture.data(), FadeStep::White);
    EXPECT_EQ(picture[0], 0x404040u);

    // Grain, bands and scratches draw their random numbers in that order: two finishes from the
    // same generator state and noise give the same picture only when they run the same steps.
    FillNoiseTable();
    const FilmGrainState start = filmGrainState;
    const RandomState startRandom = randomState;
    std::vector<uint32_t> a(kPicturePixels, 0x808080), b(kPicturePixels, 0x808080);
    ApplyFilmFinish(a.data(), {.grain = true, .dimBands = true, .scratches = true});
    filmGrainState = start;
    randomState = startRandom;
    AddFilmGrain(b.data());
    DrawDimBands(b.data());
    DrawScratches(b.data());
    EXPECT_EQ(a, b);
}

TEST(SceneConventionsTest, FlareSizeFollowsDepthModulo256) {
    EXPECT_EQ(FlareSize(768), 0u);
    EXPECT_EQ(FlareSize(775), 0u);
    EXPECT_EQ(FlareSize(776), 1u);
    EXPECT_EQ(FlareSize(767), 255u);
    EXPECT_EQ(FlareSize(768 + 2048), 0u);
    EXPECT_EQ(FlareSize(2815), 255u);
    EXPECT_EQ(FlareSize(1000), 29u);
}

}  // namespace
}  // namespace qx::test
