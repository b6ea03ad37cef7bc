// The reset of the production state to program start, on the placeholder archive: what the show
// writes in place comes back as start-up left it. (The looped show checks the rest frame by frame.)
#include "data/object_image.h"
#include "effects/rasterisers.h"
#include "scenes/opening_scenes.h"
#include "scenes/work_pictures.h"
#include "support/host_fixture.h"

namespace qx::test {
namespace {

class ProductionStateTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        platform.executableImage = PlaceholderProgramImage();
        ASSERT_TRUE(StartTicks(1));
    }
    static std::vector<uint8_t> ObjectBytes() {
        return {objectImage, objectImage + objectImageBytes};
    }
    static std::vector<uint8_t> Grey(const uint8_t (&picture)[kGreyPictureBytes]) {
        return {std::begin(picture), std::end(picture)};
    }
};

TEST_F(ProductionStateTest, TitleObjectImageAndSmoothedBumpMapComeBackAsAtStart) {
    ASSERT_TRUE(ResetProductionState());
    const std::vector<uint8_t> objects = ObjectBytes(), title = Grey(assetBuffers.title8),
                               bump = Grey(assetBuffers.picbump8);
    // The wireframe over the darkening title: objects animated, title8 darker.
    rasteriserState.renderTarget = workPicture;
    SetUpWireframe();
    for (int frame = 0; frame < 3; ++frame) DrawWireframeFrameWithFadingTitle();
    ASSERT_NE(Grey(assetBuffers.title8), title);
    ASSERT_NE(ObjectBytes(), objects);

    ASSERT_TRUE(ResetProductionState());
    EXPECT_EQ(Grey(assetBuffers.title8), title);
    EXPECT_TRUE(ObjectBytes() == objects) << "the object image";
    EXPECT_EQ(Grey(assetBuffers.picbump8), bump);  // reloaded before it is smoothed again
    EXPECT_EQ(tickScheduler.slots[kSceneSlot].active, 0u);
}

TEST_F(ProductionStateTest, ResetFailsWithCode9WhenTheArchiveNoLongerLoads) {
    platform.failReadsFromOffset = 0;
    EXPECT_FALSE(ResetProductionState());
    EXPECT_EQ(errorState.errorCode, kErrorArchive);
}

}  // namespace
}  // namespace qx::test
