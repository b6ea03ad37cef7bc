#include "effects/precalculation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "archive/asset_catalogue.h"
#include "base/host_settings.h"
#include "effects/bump_water.h"
#include "effects/face_list.h"
#include "effects/film_grain.h"
#include "effects/lines.h"
#include "effects/object_test_image.h"
#include "effects/transform.h"
#include "effects/tunnel.h"

namespace qx {
namespace {

class PrecalculationTest : public test::ObjectTest {
protected:
    void TearDown() override {
        std::fill(std::begin(assetBuffers.picbump8), std::end(assetBuffers.picbump8), 0);
        std::fill(std::begin(assetBuffers.picbump), std::end(assetBuffers.picbump), 0);
        lineState = {};
        filmGrainState = {};
        randomState = {};
        waterState = {};
        test::RestoreObjectImage();
        ObjectTest::TearDown();
    }
};

TEST_F(PrecalculationTest, BuildsEveryTableTheEffectsRead) {
    for (uint32_t i = 0; i < kGreyPictureBytes; ++i) {
        assetBuffers.picbump8[i] = static_cast<uint8_t>(i * 7 % 251);
        assetBuffers.picbump[i] = i * 0x010305;
    }
    std::vector<uint8_t> heights(assetBuffers.picbump8, assetBuffers.picbump8 + kGreyPictureBytes);
    std::vector<uint32_t> colours(assetBuffers.picbump, assetBuffers.picbump + kPicturePixels);
    for (int pass = 0; pass < 2; ++pass) {
        BlurGrey8(heights.data(), heights.data());
        BlurPixelBytes8(colours.data(), colours.data());
    }
    std::vector<uint8_t> slopes(kSlopeMapsBytes);
    DeriveVertical(heights.data(), slopes.data(), kPictureWidth, kPictureHeight);
    DeriveHorizontal(heights.data(), slopes.data() + kSlopeMapBytes, kPictureWidth, kPictureHeight);
    sortBuckets[200].count = 5;
    transformState.projectionMatrix = {};
    waterState.currentField = waterFieldB;
    ObjectRecord& camera = *CameraObject();
    camera.baseMatrix = {};

    PrepareEffects();

    EXPECT_EQ(lineState.rowOffsetTable[199], 63680);
    EXPECT_EQ(lineState.rowOffsetTable[1023], 327360);
    EXPECT_EQ(filmGrainState.noiseTable[0], 12);  // the generator's first number from state 0
    EXPECT_NEAR(transformState.projectionMatrix[14], 20.29, 0.01);
    EXPECT_EQ(objectState.objectList.count, 1);
    EXPECT_EQ(camera.baseMatrix, kIdentityMatrix);
    EXPECT_EQ(camera.visible, 1);
    EXPECT_TRUE(std::all_of(std::begin(sortBuckets), std::end(sortBuckets),
                            [](const SortBucket& b) { return b.count == 0; }));
    EXPECT_EQ(distanceTable[0], 12);  // 4000 / (245 sqrt 2), rounded
    EXPECT_TRUE(std::equal(heights.begin(), heights.end(), assetBuffers.picbump8));
    EXPECT_TRUE(std::equal(colours.begin(), colours.end(), assetBuffers.picbump));
    EXPECT_TRUE(std::equal(slopes.begin(), slopes.end(), slopeMaps));
    EXPECT_EQ(lightSineTableA[64], 140);  // the light's starting entries
    EXPECT_EQ(lightSineTableB[0], 40);
    EXPECT_EQ(*std::max_element(std::begin(lightSineTableB), std::end(lightSineTableB)), 80);
    EXPECT_EQ(waterState.currentField, waterFieldA);
    EXPECT_EQ(waterState.previousField, waterFieldB);
}

}  // namespace
}  // namespace qx
