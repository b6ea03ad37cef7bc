#include "scenes/picture_effect_scenes.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "effects/bump_water.h"
#include "effects/picture_filters.h"
#include "effects/rotozoom_plasma.h"
#include "effects/tunnel.h"
#include "scenes/scene_fixture.h"
#include "tests/support/reset_records.h"

namespace qx::test {
namespace {

using Picture = std::vector<uint32_t>;
constexpr uint32_t kWhite = 0x00FFFFFF;
// At most 4 dim bands of 959 pixels and 4 scratched columns differ from the unmarked picture.
constexpr uint32_t kFilmMarkPixels = 4 * 959 + 4 * 200;

class PictureEffectScenesTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ResetRecords(tunnelState, rotozoomState, plasmaState, bumpState);
        std::fill_n(assetBuffers.pictext, kPicturePixels, 0u);
        // No grain, and no fade step unless a test sets a level.
        std::fill(std::begin(filmGrainState.noiseTable), std::end(filmGrainState.noiseTable), 0);
    }
    uint32_t CountShownEqual(const Picture& expected) const {
        uint32_t equal = 0;
        for (uint32_t i = 0; i < kPicturePixels; ++i) equal += framebuffer[i] == expected[i];
        return equal;
    }
};

TEST_F(PictureEffectScenesTest, TunnelAveragesBothLayersAndStepsEvery18MsUntilItsLeave) {
    for (uint32_t i = 0; i < kTextureTexels; ++i) assetBuffers.texture4[i] = i & 0xFF00FF;
    EnterRow(22);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    EXPECT_EQ(SlotCallback(kSceneSlot), &TunnelCallback);
    Picture interference(kPicturePixels), tunnel(kPicturePixels), expected(kPicturePixels);
    DrawInterference(assetBuffers.texture4, interference.data());
    DrawTunnel(assetBuffers.texture4, tunnel.data());
    AveragePictures(tunnel.data(), interference.data(), expected.data());
    fadeState.fadeLevel = 0;
    ASSERT_TRUE(Pass(0x1700, 0));
    EXPECT_GE(CountShownEqual(expected), kPicturePixels - kFilmMarkPixels);
    Ticks(2);  // the first firing steps at once, then every ninth
    EXPECT_EQ(tunnelState.tunnelPhase, 1);
    EXPECT_EQ(tunnelState.interferencePhases[1].column, 113u);
    Ticks(16);
    EXPECT_EQ(tunnelState.tunnelPhase, 1);
    Ticks(2);
    EXPECT_EQ(tunnelState.tunnelPhase, 2);
    ASSERT_TRUE(Pass(0x1800, 0));
    Ticks(100);
    EXPECT_EQ(tunnelState.tunnelPhase, 2);
}

TEST_F(PictureEffectScenesTest, WaveMixesTwoPlasmaFramesInACheckerboardUnderAClimbingStrip) {
    std::fill_n(assetBuffers.texture6, kTextureTexels, 0u);
    EnterRow(24);
    EXPECT_EQ(fadeState.fadeLevel, 0);                 // no flash of its own
    std::fill_n(workPicture, kPicturePixels, kWhite);  // the last finished picture
    // Black plasma stays dark in a dim band, white stays above 0x80 (0x87 when dimmed).
    auto kept = [this](uint32_t i) { return (framebuffer[i] & 0xFF) > 0x80; };
    const uint32_t parity = plasmaState.plasmaParity;
    ASSERT_TRUE(Pass(0x1A10, 0));
    uint32_t keptPixels = 0;
    for (uint32_t i = 0; i < kPicturePixels; ++i) {
        const bool written = (i % 320 & 1) == ((parity + i / 320) & 1);
        ASSERT_FALSE(written && kept(i)) << i;
        keptPixels += kept(i);
    }
    EXPECT_GE(keptPixels, kPicturePixels / 2 - 4 * 200);
    ASSERT_TRUE(Pass(0x1A10, 0));
    for (uint32_t i = 0; i < kPicturePixels; ++i) ASSERT_FALSE(kept(i)) << i;

    // One row up and one column right every 146 ms, the first step at once: 37 in the row.
    EXPECT_EQ(SlotCallback(kSceneSlot), &WaveCallback);
    ExpectAfterTicks(
        [] { return sceneVariables.climbingStripPosition; },
        {{146, 160u * 320 - 319}, {2, 160u * 320 - 2 * 319}, {5368 - 148, 123u * 320 + 37}});
}

TEST_F(PictureEffectScenesTest, BumpLightStartsAtColumn40Row24AndMovesEvery34Ms) {
    EnterRow(26);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    ASSERT_TRUE(Pass(0x1C10, 0));
    EXPECT_EQ(bumpState.lightColumn, 40);  // table A[64] = 140, less 100
    EXPECT_EQ(bumpState.lightRow, 24);     // table B[0] = 40, plus 240, mod 256
    const SceneVariables& v = sceneVariables;
    Ticks(34);  // light steps at 2 and 36 ms, the strip creeps on the first and the fourth
    EXPECT_EQ(v.lightIndexA, 65u);
    EXPECT_EQ(v.lightIndexB, 2u);
    Ticks(2);
    EXPECT_EQ(v.lightIndexA, 66u);
    EXPECT_EQ(v.lightIndexB, 4u);
    ExpectAfterTicks([] { return sceneVariables.creepingStripPosition; },
                     {{66, 54401u}, {2, 54402u}});
    sceneVariables.lightIndexA = 192;  // table A's lowest entry, table B's highest
    sceneVariables.lightIndexB = 64;
    ASSERT_TRUE(Pass(0x1C20, 0));
    EXPECT_EQ(bumpState.lightColumn, 156);  // -100
    EXPECT_EQ(bumpState.lightRow, 64);      // 320
}

TEST_F(PictureEffectScenesTest, BumpBorderStaysBlackUnderFullLightAndTheStripWrapsOverIt) {
    std::fill_n(assetBuffers.picbump, kPicturePixels, kWhite);
    std::fill_n(assetBuffers.flarebmp, kTextureTexels, kWhite);
    std::fill_n(assetBuffers.pictext + 95 * 320, 20, 0x00345678u);
    EnterRow(26);
    fadeState.fadeLevel = 0;
    sceneVariables.creepingStripPosition = 170 * 320 + 310;  // ten columns from the right edge
    const FilmGrainState grain = filmGrainState;
    const RandomState random = randomState;
    ASSERT_TRUE(Pass(0x1C10, 0));
    Picture expected(kPicturePixels, kWhite);
    std::fill_n(expected.begin(), 2 * 320, 0u);
    std::fill_n(expected.begin() + 199 * 320, 320, 0u);
    for (uint32_t y = 0; y < 200; ++y) expected[y * 320] = expected[y * 320 + 319] = 0;
    std::fill_n(expected.begin() + 170 * 320 + 310, 20, 0x00345678u);
    filmGrainState = grain;  // the same film marks
    randomState = random;
    ApplyFilmFinish(expected.data(), {.grain = true, .dimBands = true, .scratches = true});
    EXPECT_EQ(CountShownEqual(expected), kPicturePixels);
}

TEST_F(PictureEffectScenesTest, RowsFlashAndHoldTheirCallbacksAsTabled) {
    EnterRow(26);
    for (uint32_t row = 27; row <= 32; ++row) {
        fadeState.fadeLevel = 0;
        EnterRow(row);
        EXPECT_EQ(fadeState.fadeLevel, 128) << "row " << row;
        EXPECT_EQ(SlotCallback(kSceneSlot), &BumpCallback) << "row " << row;
    }
    ASSERT_TRUE(Pass(0x1E00, 0));
    EXPECT_EQ(SlotCallback(kSceneSlot), nullptr);
    EnterRow(35);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    EXPECT_EQ(SlotCallback(kSceneSlot), &RotozoomCallback);
    Ticks(86);
    EXPECT_EQ(rotozoomState.rotozoomAngle, 5);
    Ticks(2);
    EXPECT_EQ(rotozoomState.rotozoomZoom, 508);
    EnterRow(36);  // nothing on entry; 125 steps over both rows (10.74 s)
    EXPECT_EQ(SlotCallback(kSceneSlot), &RotozoomCallback);
    Ticks(10740 - 88);
    EXPECT_EQ(rotozoomState.rotozoomAngle, 1 + 125 * 4);
    EXPECT_EQ(rotozoomState.rotozoomZoom, 512 - 125 * 2);
    EnterRow(37);
    EXPECT_EQ(SlotCallback(kSceneSlot), nullptr);
    EXPECT_EQ(SlotCallback(kFadeSlot), &FadeDownTick);
}

TEST_F(PictureEffectScenesTest, WaterSeedsFieldAWith64000DrawsBelow200) {
    EnterRow(36);
    ASSERT_TRUE(Pass(0x2200, 0));  // row 36's leave
    const uint32_t seed = randomState.state;
    ASSERT_TRUE(Pass(0x2200, 0));  // row 37's enter
    ASSERT_EQ(waterState.currentField, waterFieldA);
    const uint32_t after = randomState.state;
    randomState.state = seed;
    for (const int16_t height : waterFieldA)
        ASSERT_EQ(height, static_cast<int16_t>(NextRandom(200)));
    EXPECT_EQ(randomState.state, after);  // not one draw more
}

TEST_F(PictureEffectScenesTest, Row38FadesTheWaterToBlackIn2550MsAndItsLeaveEndsTheShow) {
    for (uint32_t i = 0; i < kPicturePixels; ++i) assetBuffers.piclogo[i] = i % 251 * 0x010101;
    EnterRow(38);
    EXPECT_EQ(SlotCallback(kFadeSlot), &FadeUpTick);
    EXPECT_EQ(fadeState.fadeLevel, 0);
    EXPECT_EQ(fadeState.fadeDelay, 4);
    Ticks(2530);
    EXPECT_GE(fadeState.fadeLevel, 250);
    EXPECT_LT(fadeState.fadeLevel, 255);
    Ticks(30);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    ASSERT_TRUE(Pass(0x2440, 0));
    EXPECT_EQ(CountShownEqual(Picture(kPicturePixels, 0u)), kPicturePixels);
    EXPECT_FALSE(Pass(0x2500, 0));
    EXPECT_EQ(SlotCallback(kFadeSlot), nullptr);
}

}  // namespace
}  // namespace qx::test
