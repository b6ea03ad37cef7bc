#include "support/host_fixture.h"

namespace qx::test {
namespace {

ModeDescription Rgb(uint32_t bits) { return {kModeHasPixelFormat, kPixelFormatRgb, bits, 0, 0}; }

class FullScreenTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        platform.windowExists = true;
    }
};

TEST_F(FullScreenTest, DeepestRgbModeIsChosen) {
    platform.modes = {Rgb(8), Rgb(16), Rgb(32), Rgb(24)};
    EXPECT_TRUE(SetUpFullScreen(320, 200, 0));
    EXPECT_EQ(platform.calls.back(), "SetDisplayMode 320x200x32");
    EXPECT_TRUE(fullScreenState.modeChanged);
    EXPECT_EQ(fullScreenState.modeDepth, 32u);
}

TEST_F(FullScreenTest, OnlyPaletteModesOrNoModesFailWithCode2) {
    platform.modes = {Rgb(8), Rgb(4)};
    EXPECT_FALSE(SetUpFullScreen(320, 200, 0));
    EXPECT_EQ(errorState.errorCode, 2u);
    EXPECT_FALSE(fullScreenState.modeChanged);

    platform.modes.clear();
    errorState = {};
    EXPECT_FALSE(SetUpFullScreen(320, 200, 0));
    EXPECT_EQ(errorState.errorCode, 2u);
    EXPECT_EQ(fullScreenState.bestDepth, 0u);
    for (const std::string& call : platform.calls)
        EXPECT_NE(call.rfind("SetDisplayMode", 0), 0u) << "no mode may be set";
}

TEST_F(FullScreenTest, FlaglessAndNonRgbModesNeverCount) {
    platform.modes = {{0, kPixelFormatRgb, 32, 0, 0}, {kModeHasPixelFormat, 0, 32, 0, 0}, Rgb(16)};
    EXPECT_TRUE(SetUpFullScreen(320, 200, 0));
    EXPECT_EQ(fullScreenState.bestDepth, 16u);
}

TEST_F(FullScreenTest, FailedEnumerationFailsWithCode2) {
    platform.failEnumerate = true;
    EXPECT_FALSE(SetUpFullScreen(320, 200, 0));
    EXPECT_EQ(errorState.errorCode, 2u);
}

TEST_F(FullScreenTest, RestoreOnlyAfterAModeWasSet) {
    RestoreDisplayMode();
    EXPECT_TRUE(platform.calls.empty());
    EXPECT_TRUE(SetUpFullScreen(320, 200, 16));
    RestoreDisplayMode();
    RestoreDisplayMode();
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"OpenFullScreenDevice", "SetDisplayMode 320x200x16",
                                        "RestoreDisplayMode"}));
}

}  // namespace
}  // namespace qx::test
