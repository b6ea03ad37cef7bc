#include "support/host_fixture.h"

namespace qx::test {
namespace {

class FramebufferTest : public HostTest {};

TEST_F(FramebufferTest, SizesBeyondCapacityOrOtherDepthsGetNoFramebuffer) {
    EXPECT_EQ(CreateFramebuffer(320, 225, 32), nullptr);
    EXPECT_EQ(CreateFramebuffer(0x10000, 0x10000, 32), nullptr);  // product overflows 32 bits
    EXPECT_EQ(CreateFramebuffer(320, 200, 16), nullptr);
    platform.failPresentSurface = true;
    EXPECT_EQ(CreateFramebuffer(320, 200, 32), nullptr);
    EXPECT_TRUE(platform.calls.back().rfind("CreatePresentSurface", 0) == 0);
}

TEST_F(FramebufferTest, PresentShowsTheScenesRowsTopFirst) {
    platform.keepPresents = true;
    uint32_t* pixels = hostSettings.framebuffer = CreateFramebuffer(320, 224, 32);
    ASSERT_NE(pixels, nullptr);
    pixels[0] = 0xFF0000;
    pixels[199 * 320 + 319] = 0x0000FF;
    pixels[200 * 320] = 0x00FF00;  // a caption row: never shown
    PresentWithBlit();
    ASSERT_EQ(platform.presentHeight, 200u);
    ASSERT_EQ(platform.lastPresent.size(), 64000u);
    EXPECT_EQ(platform.lastPresent.front(), 0xFF0000u);
    EXPECT_EQ(platform.lastPresent.back(), 0x0000FFu);
}

TEST_F(FramebufferTest, ShallowDepthsAreEmulatedOnPresent) {
    platform.keepPresents = true;
    uint32_t* pixels = hostSettings.framebuffer = CreateFramebuffer(320, 200, 32);
    ASSERT_NE(pixels, nullptr);
    pixels[0] = 0xFFFFFF;
    pixels[1] = 0x070707;
    pixels[2] = 0x0C0C0C;
    fullScreenState.modeDepth = 15;
    PresentWithBlit();
    EXPECT_EQ(platform.lastPresent[0], 0xFFFFFFu);
    EXPECT_EQ(platform.lastPresent[1], 0u);
    EXPECT_EQ(platform.lastPresent[2], 0x080808u);
    EXPECT_EQ(pixels[2], 0x0C0C0Cu);  // the framebuffer itself is untouched
    fullScreenState.modeDepth = 16;
    PresentWithBlit();
    EXPECT_EQ(platform.lastPresent[2], 0x080C08u);  // green keeps six bits
    fullScreenState.modeDepth = 24;
    PresentWithBlit();
    EXPECT_EQ(platform.lastPresent[2], 0x0C0C0Cu);
}

TEST_F(FramebufferTest, ReleaseIsHarmlessWithoutSurface) {
    ReleaseDisplayContext();
    PresentWithBlit();
    EXPECT_TRUE(platform.calls.empty());
    EXPECT_EQ(platform.presentCount, 0u);
}

}  // namespace
}  // namespace qx::test
