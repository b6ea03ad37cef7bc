#include <algorithm>

#include "data/object_image.h"
#include "effects/rotozoom_plasma.h"
#include "scenes/echo_scenes.h"
#include "scenes/line_scenes.h"
#include "scenes/scene_fixture.h"

namespace qx::test {
namespace {

using LineScenesTest = SceneTest;
using EchoScenesTest = SceneTest;

TEST_F(LineScenesTest, RaysStartOverTheOldTrailsWithTheFadeDownStepBackInItsSlot) {
    EnterRow(6);
    sparePicture[5000] = 0x404040;  // a wireframe trail
    EnterRow(7);
    EXPECT_EQ(SlotCallback(kFadeSlot), &FadeDownTick);
    EXPECT_EQ(SlotCallback(kSceneSlot), &FlickerStep);
    EXPECT_EQ(lineState.lineTarget, sparePicture);
    EXPECT_EQ(lineState.lineColour, 0x222222u);
    EXPECT_EQ(sparePicture[5000], 0x404040u);
    EnterRow(8);
    EXPECT_EQ(SlotCallback(kSceneSlot), nullptr);  // no flicker while the picture jitters
    fadeState.fadeLevel = 0;
    EnterRow(9);
    EXPECT_EQ(fadeState.fadeLevel, 32);  // the black dip after the restart
    EXPECT_EQ(fadeState.fadeDelay, 1);
    EXPECT_EQ(SlotCallback(kSceneSlot), &FlickerStep);
}

TEST_F(LineScenesTest, JitterShowsThePictureOnePixelLaterWithABlackFirstPixel) {
    EnterRow(7);
    EnterRow(8);
    fadeState.fadeLevel = 0;
    bool sawShift = false;
    bool sawStill = false;
    for (int frame = 0; frame < 40 && !(sawShift && sawStill); ++frame) {
        ASSERT_TRUE(Pass(0x0E10, 0));
        if (sceneVariables.jitterSource == -1) {
            sawShift = true;
            EXPECT_EQ(framebuffer[0], 0u);
            EXPECT_TRUE(
                std::equal(workPicture, workPicture + kPicturePixels - 1, framebuffer.begin() + 1));
        } else {
            ASSERT_EQ(sceneVariables.jitterSource, 0);
            sawStill = true;
            EXPECT_TRUE(std::equal(workPicture, workPicture + kPicturePixels, framebuffer.begin()));
        }
    }
    EXPECT_TRUE(sawShift);
    EXPECT_TRUE(sawStill);
}

TEST_F(LineScenesTest, LineFlashesFallBackIn442MsAndTheStripsSlideUntilRow15Leaves) {
    EnterRow(10);
    EXPECT_EQ(SlotCallback(kSceneSlot), &StringWebCallback);
    EXPECT_EQ(lineState.lineTarget, workPicture);
    EXPECT_EQ(Objects().web->positionZ, 6000);
    Ticks(146 * 10 + 2);  // the first slide on the first firing, then one every 146 ms
    EXPECT_EQ(sceneVariables.upperStripPosition, 7040u + 2 * 11);
    EXPECT_EQ(sceneVariables.lowerStripPosition, 54400u - 2 * 11);
    EnterRow(12);
    EXPECT_EQ(lineState.lineColour, 0xFFFFFFu);
    Ticks(438);
    EXPECT_GT(lineState.lineColour, 0x222222u);
    ExpectAfterTicks([] { return lineState.lineColour; }, {{6, 0x222222u}, {100, 0x222222u}});
    EnterRow(13);
    Ticks(200);
    EnterRow(14);  // a second flash before the first is over starts again from white
    EXPECT_EQ(lineState.lineColour, 0xFFFFFFu);
    EnterRow(16);  // row 15's leave stopped the callback: colour and strips stay put
    const uint32_t colour = lineState.lineColour;
    const uint32_t upper = sceneVariables.upperStripPosition;
    EXPECT_EQ(SlotCallback(kFadeSlot), &FadeUpTick);
    EXPECT_EQ(fadeState.fadeLevel, 0);
    Ticks(1000);
    EXPECT_EQ(lineState.lineColour, colour);
    EXPECT_EQ(sceneVariables.upperStripPosition, upper);
    EXPECT_NEAR(fadeState.fadeLevel, 1000 / 14, 1);
    ASSERT_TRUE(Pass(0x1100, 0));  // row 16's leave puts the fade-down step back
    EXPECT_EQ(SlotCallback(kFadeSlot), &FadeDownTick);
}

TEST_F(LineScenesTest, WebOverPictureKeepsTheRestingLineColour) {
    FillGrey(assetBuffers.back4, 40);
    EnterRow(19);
    EXPECT_EQ(fadeState.fadeLevel, 128);
    EXPECT_EQ(fadeState.fadeDelay, 1);
    EXPECT_EQ(SlotCallback(kSceneSlot), nullptr);
    for (int frame = 0; frame < 3; ++frame) ASSERT_TRUE(Pass(0x1320, 700));
    EXPECT_EQ(lineState.lineColour, 0x222222u);
    EXPECT_EQ(fadeState.fadeLevel, 0);
    // The lines are added over the picture: somewhere they lift it above picture + grain.
    const auto lifted = std::count_if(framebuffer.begin(), framebuffer.begin() + kPicturePixels,
                                      [](uint32_t p) { return (p & 0xFF) > 40 + 63; });
    EXPECT_GT(lifted, 100);
}

TEST_F(LineScenesTest, WebTrailsSeedTheTrailBufferWithTheLastPictureAndDrawFacesIntoIt) {
    EnterRow(24);
    std::fill_n(workPicture, kPicturePixels, 0x808080u);
    EnterRow(25);
    EXPECT_EQ(sparePicture[0], 0x808080u);
    EXPECT_EQ(rasteriserState.renderTarget, sparePicture);
    EXPECT_EQ(lineState.lineTarget, sparePicture);
    EXPECT_EQ(Objects().web->positionZ, 15000);
    EXPECT_EQ(SlotCallback(kSceneSlot), &FlickerStep);
    fadeState.fadeLevel = 0;
    UnregisterTickSlot(kSceneSlot);
    ASSERT_TRUE(Pass(0x1B20, 0));
    // A corner no line or face reaches has lost 0x20 of the seed.
    EXPECT_EQ(sparePicture[0], 0x606060u);
}

TEST(GreyConversionTest, WeighsGreenTwiceAndRoundsDown) {
    std::vector<uint32_t> picture(kPicturePixels, 0);
    picture[0] = 0x00FF0000;
    picture[1] = 0x0000FF00;
    picture[2] = 0x00FFFFFF;
    picture[3] = 0xAB010203;  // (3 + 4 + 1) / 4 = 2, top byte dropped
    ConvertToGrey(picture.data());
    EXPECT_EQ(picture[0], 0x003F3F3Fu);
    EXPECT_EQ(picture[1], 0x007F7F7Fu);
    EXPECT_EQ(picture[2], 0x00FFFFFFu);
    EXPECT_EQ(picture[3], 0x00020202u);
}

TEST_F(EchoScenesTest, FilmRollStepsByWholeBandsAndShowsTheRolledSparePicture) {
    sceneVariables.greyEchoCounter = 3;  // counters are never reset by the scenes
    EnterRow(17);
    EXPECT_EQ(sceneVariables.greyEchoCounter, 3u);
    EXPECT_EQ(objectState.objectList.count, 4);
    EnterRow(18);
    EXPECT_EQ(objectState.objectList.count, 4);  // the grey echo's objects run on
    EXPECT_EQ(SlotCallback(kSceneSlot), &RollCallback);
    uint32_t steps = 0;
    uint32_t previous = scrollState.scrollRow;
    for (int ms = 0; ms < 66 * 12; ++ms) {
        Ticks(1);
        ASSERT_EQ(scrollState.scrollRow % 23, 0);
        ASSERT_LT(scrollState.scrollRow, 230u);
        steps += scrollState.scrollRow != previous;
        previous = scrollState.scrollRow;
    }
    EXPECT_EQ(steps, 12u);  // one every 66 ms
    while (scrollState.scrollRow != 207) AdvanceScroll();
    fadeState.fadeLevel = 0;
    UnregisterTickSlot(kSceneSlot);
    ASSERT_TRUE(Pass(0x1220, 0));
    EXPECT_TRUE(std::equal(sparePicture, sparePicture + kPicturePixels, framebuffer.begin()));
    // Output rows 0..22 show source rows 207..229, the last 30 of which are the black rows
    // below the work picture: grain, bands and scratches only.
    for (uint32_t i = 0; i < 23 * 320; ++i) ASSERT_LE(framebuffer[i] & 0xFF, 63u) << i;
    EXPECT_TRUE(std::all_of(workPicture + kPicturePixels, workPicture + kWorkPicturePixels,
                            [](uint32_t p) { return p == 0; }));
}

TEST_F(EchoScenesTest, MorphListsEveryMeshAtSetUpThenOneMeshAFrameInTableOrder) {
    sceneVariables.morphEchoCounter = 5;
    EnterRow(20);
    EXPECT_EQ(objectState.objectList.count, 42);
    EXPECT_EQ(objectState.objectList.objects[41], Objects().morphMeshTable[38]);
    EXPECT_EQ(sceneVariables.morphEchoCounter, 5u);
    EXPECT_EQ(fadeState.fadeLevel, 255);
    ASSERT_TRUE(Pass(0x1420, 0));
    EXPECT_EQ(sceneVariables.morphIndex, 1u);  // the first frame shows mesh 1
    EXPECT_EQ(objectState.objectList.count, 4);
    EXPECT_EQ(objectState.objectList.objects[1], Objects().redFlareRing);
    EXPECT_EQ(objectState.objectList.objects[3], Objects().morphMeshTable[1]);
    sceneVariables.morphIndex = 38;
    ASSERT_TRUE(Pass(0x1420, 0));
    EXPECT_EQ(objectState.objectList.objects[3], Objects().morphMeshTable[0]);
    EnterRow(21);  // the half flash leaves the morph where it was
    EXPECT_EQ(fadeState.fadeLevel, 128);
    EXPECT_EQ(fadeState.fadeDelay, 0);
    EXPECT_EQ(sceneVariables.morphIndex, 0u);
    ASSERT_TRUE(Pass(0x1500, 0));
    EXPECT_EQ(objectState.objectList.objects[3], Objects().morphMeshTable[1]);
}

}  // namespace
}  // namespace qx::test
