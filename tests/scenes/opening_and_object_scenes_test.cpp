#include <algorithm>
#include <numeric>

#include "scenes/echo_scenes.h"
#include "scenes/line_scenes.h"
#include "scenes/object_scenes.h"
#include "scenes/opening_scenes.h"
#include "scenes/picture_effect_scenes.h"
#include "scenes/scene_fixture.h"

namespace qx::test {
namespace {

uint64_t MeanLevel(const uint32_t* picture) {
    uint64_t sum = 0;
    for (uint32_t i = 0; i < kPicturePixels; ++i) sum += picture[i] & 0xFF;
    return sum / kPicturePixels;
}

using OpeningScenesTest = SceneTest;
using ObjectScenesTest = SceneTest;
using SceneTableTest = SceneTest;

TEST_F(OpeningScenesTest, TitleSharpensOnTheFocusCountdownBeforeItsRowEnds) {
    EnterRow(0);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    EXPECT_EQ(fadeState.fadeDelay, 62);
    EXPECT_EQ(sceneVariables.focusPasses, 92u);
    // The callback fires every 2 ms; the countdown starts at 768, so the first step falls on
    // firing 769 (1,538 ms), then one every 129 firings (258 ms). At 25,016 ms it is sharp, well
    // before the row ends at order 5 (about 26.8 s).
    ExpectAfterTicks(
        [] { return sceneVariables.focusPasses; },
        {{1537, 92u}, {1, 91u}, {257, 91u}, {1, 90u}, {90 * 258 - 1, 1u}, {1, 0u}, {5000, 0u}});
    // The fade-in from black: one level every 126 ms.
    EXPECT_NEAR(fadeState.fadeLevel, 255 - (1538 + 91 * 258 + 5000) / 126, 1);
}

TEST_F(OpeningScenesTest, TitleFrameSmearsACopyAndKeepsTheBorderSharp) {
    for (uint32_t i = 0; i < kGreyPictureBytes; ++i)
        assetBuffers.title8[i] = static_cast<uint8_t>((i / 320 + i) % 3 == 0 ? 200 : 0);
    const std::vector<uint8_t> title(assetBuffers.title8, assetBuffers.title8 + kGreyPictureBytes);
    EnterRow(0);
    fadeState.fadeLevel = 0;
    sceneVariables.focusPasses = 0;
    const FilmGrainState grain = filmGrainState;
    const RandomState random = randomState;
    ASSERT_TRUE(Pass(0x0100, 0));
    const std::vector<uint32_t> sharp(framebuffer.begin(), framebuffer.begin() + kPicturePixels);
    filmGrainState = grain;
    randomState = random;
    sceneVariables.focusPasses = 92;
    ASSERT_TRUE(Pass(0x0100, 0));
    EXPECT_EQ(std::vector<uint8_t>(assetBuffers.title8, assetBuffers.title8 + kGreyPictureBytes),
              title);
    // Same grain both times: the outermost rows and columns match, the inside does not.
    for (uint32_t x = 0; x < 320; ++x) {
        EXPECT_EQ(framebuffer[x], sharp[x]);
        EXPECT_EQ(framebuffer[199 * 320 + x], sharp[199 * 320 + x]);
    }
    for (uint32_t y = 0; y < 200; ++y) EXPECT_EQ(framebuffer[y * 320], sharp[y * 320]);
    EXPECT_FALSE(
        std::equal(sharp.begin() + 321, sharp.begin() + 640 - 1, framebuffer.begin() + 321));
    // Without the smear, every pixel is the title level plus grain of at most 63.
    for (uint32_t i = 0; i < kPicturePixels; ++i) {
        ASSERT_GE(sharp[i] & 0xFF, title[i]);
        ASSERT_LE(sharp[i] & 0xFF, title[i] + 63u);
    }
}

TEST_F(OpeningScenesTest, LineColourClimbsToAtMost0x202020ThenFallsToZeroNotBelow) {
    EnterRow(1);
    EXPECT_EQ(lineState.lineColour, 0u);
    EXPECT_EQ(lineState.lineTarget, sparePicture);
    auto lineColour = [] { return lineState.lineColour; };
    // The first firing steps at once.
    ExpectAfterTicks(lineColour, {{2, 0x010101u}, {1026, 0x020202u}, {60000, 0x202020u}});
    EnterRow(2);  // row 1's leave stopped the fade-in; row 2 freezes the colour
    lineState.lineColour = 0x030303;
    Ticks(5000);
    EXPECT_EQ(lineState.lineColour, 0x030303u);
    lineState.lineColour = 0x050505;
    sceneVariables.lineColourCountdown = 0;
    EnterRow(3);  // one level down at once, then one every 257 firings (514 ms)
    ExpectAfterTicks(lineColour, {{2, 0x040404u}, {512, 0x040404u}, {2, 0x030303u}, {60000, 0u}});
}

TEST_F(OpeningScenesTest, FadingTitleDarkensTheLoadedPictureByOneLevelPerFrame) {
    for (uint32_t i = 0; i < kGreyPictureBytes; ++i)
        assetBuffers.title8[i] = static_cast<uint8_t>(i % 4);
    EnterRow(1);
    ASSERT_TRUE(Pass(0x0600));  // the plain wireframe frame leaves the title alone
    EXPECT_EQ(assetBuffers.title8[3], 3);
    EnterRow(2);
    for (int frame = 1; frame <= 4; ++frame) {
        ASSERT_TRUE(Pass(0x0900));
        EXPECT_EQ(assetBuffers.title8[3], std::max(0, 3 - frame));
        EXPECT_EQ(assetBuffers.title8[1], 0);  // stops at 0
    }
    EXPECT_TRUE(std::all_of(assetBuffers.title8, assetBuffers.title8 + kGreyPictureBytes,
                            [](uint8_t level) { return level == 0; }));
}

TEST_F(ObjectScenesTest, GlassFlickerWaitsForTheFlashThenTheRowFadesToWhite) {
    EnterRow(5);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    EXPECT_EQ(SlotCallback(kSceneSlot), &FlickerStep);
    // The flash falls one level every 4 ms; no pulse starts while it decays. The first pulse
    // may start in the very tick in which the fade step reaches 0 (the fade slot runs first).
    int previous = fadeState.fadeLevel;
    int elapsed = 0;
    while (fadeState.fadeLevel <= previous && fadeState.fadeLevel != 0 && elapsed < 2000) {
        previous = fadeState.fadeLevel;
        Ticks(1);
        ++elapsed;
    }
    EXPECT_LE(previous, 1);
    EXPECT_NEAR(elapsed, 1020, 4);
    EnterRow(6);
    EXPECT_EQ(SlotCallback(kSceneSlot), nullptr);
    EXPECT_EQ(SlotCallback(kFadeSlot), &FadeUpTick);
    fadeState.fadeLevel = 0;  // a last pulse may have started just before the row change
    Ticks(2530);              // one level every 10 ms: white after about 2.55 s
    EXPECT_GE(fadeState.fadeLevel, 250);
    EXPECT_LT(fadeState.fadeLevel, 255);
    Ticks(30);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    ASSERT_TRUE(Pass(0x0D00, 0));  // row 6's leave empties the fade slot
    EXPECT_EQ(SlotCallback(kFadeSlot), nullptr);
}

TEST_F(ObjectScenesTest, ChromeTurnsFromWhiteToBlackFlickerWithoutAnEnterAction) {
    FillGrey(assetBuffers.back2, 128);
    EnterRow(33);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    EXPECT_EQ(SlotCallback(kSceneSlot), &FlickerStep);
    UnregisterTickSlot(kFadeSlot);  // hold the level still
    fadeState.fadeLevel = 100;
    ASSERT_TRUE(Pass(0x1E08, 0));
    EXPECT_GT(MeanLevel(framebuffer.data()), 200u);
    const std::vector<uint32_t> shown(framebuffer.begin(), framebuffer.begin() + kPicturePixels);
    const uint32_t slotCountdown = tickScheduler.slots[kSceneSlot].countdown;
    // The row change holds the last picture for two passes (row 33's leave, row 34's enter),
    // and row 34's "nothing" keeps the fade, the callback and the pictures as they were.
    ASSERT_TRUE(Pass(0x1E10, 0));
    ASSERT_TRUE(Pass(0x1E10, 0));
    EXPECT_EQ(CurrentRow(), 34u);
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), framebuffer.begin()));
    EXPECT_EQ(fadeState.fadeLevel, 100);
    EXPECT_EQ(SlotCallback(kSceneSlot), &FlickerStep);
    EXPECT_EQ(tickScheduler.slots[kSceneSlot].countdown, slotCountdown);
    ASSERT_TRUE(Pass(0x1F00, 0));
    EXPECT_LT(MeanLevel(framebuffer.data()), 100u);
    ASSERT_TRUE(Pass(0x2000, 0));  // row 34's leave stops the flicker
    EXPECT_EQ(SlotCallback(kSceneSlot), nullptr);
}

TEST_F(SceneTableTest, RowsWhoseEndHasPassedAreLeftOnePerPassWithoutTheirEnter) {
    EnterRow(4);
    fadeState.fadeLevel = 0;
    // One slow frame: the music is already past rows 4, 5 and 6.
    ASSERT_TRUE(Pass(0x0D00, 0));
    ASSERT_TRUE(Pass(0x0D00, 0));
    EXPECT_EQ(CurrentRow(), 6u);
    EXPECT_EQ(fadeState.fadeLevel, 0);  // the glass set-up's flash never ran
    EXPECT_EQ(SlotCallback(kSceneSlot), nullptr);
    ASSERT_TRUE(Pass(0x0D00, 0));  // row 6's leave empties the fade slot all the same
    EXPECT_EQ(SlotCallback(kFadeSlot), nullptr);
    ASSERT_TRUE(Pass(0x0D00, 0));
    EXPECT_EQ(CurrentRow(), 7u);
    EXPECT_EQ(sequencerState.lastEnteredRow, sequencerState.currentRow);
}

}  // namespace
}  // namespace qx::test
