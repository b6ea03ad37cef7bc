#include "support/host_fixture.h"

namespace qx::test {
namespace {

std::vector<std::string> Journal() {
    return {startupJournal.steps, startupJournal.steps + startupJournal.count};
}

const std::vector<std::string> kShutdown = {"StopTicks", "MusicShutdown", "ReleaseDisplayContext",
                                            "CloseDisplay"};

std::vector<std::string> Then(std::vector<std::string> steps,
                              const std::vector<std::string>& more) {
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

const std::vector<std::string> kUpToDisplay = {"ReadOptions",     "LoadSoundtrack", "MusicInit",
                                               "MusicLoadMemory", "SetTitle",       "CreateDisplay"};

class StartupTest : public HostTest {
protected:
    std::string errors;
    uint32_t Run(std::vector<std::string> words) {
        EXPECT_EQ(ParseWords(std::move(words)), CommandLineResult::Run);
        launchOptions.framesPerSecond = 0;
        platform.QueueEvent(KeyUp(KeyCode::Escape), 3);
        testing::internal::CaptureStderr();
        const uint32_t code = RunProduction();
        errors = testing::internal::GetCapturedStderr();
        return code;
    }
};

TEST_F(StartupTest, WindowedRunBringsEverythingUpAndDownInOrder) {
    EXPECT_EQ(Run({"/w"}), 0u);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(Journal(),
              Then(kUpToDisplay, Then({"CreateFramebuffer", "SetSceneTable", "StartTicks",
                                       "RegisterTickSlot", "RegisterTickSlot", "LoadAssets",
                                       "PrepareEffects", "MusicPlay", "RunFrameLoop", "MusicStop"},
                                      kShutdown)));
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"CreateWindow", "ShowWindow", "CreatePresentSurface 320x200",
                                        "ReleasePresentSurface", "DestroyWindow"}));
    EXPECT_STREQ(platform.lastRequest.title, "Marrowtide 2k - Tamberlinoth");
    EXPECT_STREQ(platform.lastRequest.className, "QXClassName");
    EXPECT_FALSE(platform.lastRequest.fullScreen);
    EXPECT_EQ(platform.lastRequest.height, 224u);
    EXPECT_EQ(hostSettings.windowStyle, 0x80C80200u);
    EXPECT_EQ(hostSettings.windowClassStyle, 3u);
    EXPECT_EQ(platform.presentCount, 3u);
    EXPECT_EQ(platform.presentHeight, 200u);  // only the scenes' rows are shown
    EXPECT_EQ(tickScheduler.slots[1].callback, &FadeDownTick);
    EXPECT_EQ(tickScheduler.slots[7].callback, &AdvanceTimerCounter);
    EXPECT_EQ(tickScheduler.period, 0u);  // stopped at shutdown
}

TEST_F(StartupTest, FullScreenPicksDeepestModeAndRestoresItBeforeTheWindowGoes) {
    platform.modes = {{kModeHasPixelFormat, kPixelFormatRgb, 8, 0, 0},
                      {kModeHasPixelFormat, kPixelFormatRgb, 32, 0, 0},
                      {kModeHasPixelFormat, kPixelFormatRgb, 16, 0, 0}};
    EXPECT_EQ(Run({}), 0u);
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"CreateWindow", "OpenFullScreenDevice",
                                        "EnumerateDisplayModes 320x200", "SetDisplayMode 320x200x32",
                                        "ShowWindow", "HideCursor", "CreatePresentSurface 320x200",
                                        "ReleasePresentSurface", "RestoreDisplayMode",
                                        "DestroyWindow"}));
    EXPECT_TRUE(platform.lastRequest.fullScreen);
    EXPECT_EQ(hostSettings.windowStyle, 0x80880000u);
}

TEST_F(StartupTest, ExplicitDepthIsSetWithoutEnumeration) {
    EXPECT_EQ(Run({"/w", "/24"}), 0u);
    EXPECT_EQ(platform.calls[2], "SetDisplayMode 320x224x24");
    ResetHostState();
    platform.calls.clear();
    EXPECT_EQ(Run({"/15"}), 0u);
    EXPECT_EQ(platform.calls[2], "SetDisplayMode 320x200x15");
}

TEST_F(StartupTest, NoDisplayFailsWithCode1AndAMessage) {
    platform.failCreateWindow = true;
    EXPECT_EQ(Run({"/w"}), 1u);
    EXPECT_EQ(errors, "QX_Marrowtide: no display could be opened (error 1)\n");
    EXPECT_EQ(Journal(), Then(kUpToDisplay, kShutdown));
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"CreateWindow"}));
}

TEST_F(StartupTest, NoExclusiveDisplayFailsWithCode1AndDestroysTheWindow) {
    platform.failFullScreenDevice = true;
    EXPECT_EQ(Run({}), 1u);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"CreateWindow", "OpenFullScreenDevice",
                                                        "DestroyWindow"}));
}

TEST_F(StartupTest, RefusedModeFailsWithCode2WithoutRestore) {
    platform.failSetDisplayMode = true;
    EXPECT_EQ(Run({"/16"}), 2u);
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"CreateWindow", "OpenFullScreenDevice",
                                        "SetDisplayMode 320x200x16", "DestroyWindow"}));
    EXPECT_NE(errors.find("(error 2)"), std::string::npos);
}

TEST_F(StartupTest, NoFramebufferFailsWithCode4AfterFullScreenAndRestoresTheMode) {
    platform.failPresentSurface = true;
    EXPECT_EQ(Run({}), 4u);
    EXPECT_EQ(Journal(), Then(Then(kUpToDisplay, {"CreateFramebuffer"}), kShutdown));
    const std::vector<std::string> tail(platform.calls.end() - 2, platform.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"RestoreDisplayMode", "DestroyWindow"}));
    EXPECT_EQ(errors, "QX_Marrowtide: no framebuffer could be created (error 4)\n");
}

TEST_F(StartupTest, TimerCounterGrowsEverySecondMillisecond) {
    ASSERT_EQ(ParseWords({"/w", "--frames", "100"}), CommandLineResult::Run);
    launchOptions.framesPerSecond = 0;
    EXPECT_EQ(RunProduction(), 0u);
    EXPECT_EQ(platform.clock, 100u);
    EXPECT_EQ(hostSettings.timerCounter, 50u);
}

}  // namespace
}  // namespace qx::test
