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
    void SetUp() override {
        HostTest::SetUp();
        platform.executableImage = PlaceholderProgramImage();
    }
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
    EXPECT_EQ(std::string(assetBuffers.module, assetBuffers.module + 17), "Extended Module: ");
    EXPECT_EQ(assetBuffers.title8[kGreyPictureSize - 1], 255);  // the last asset loaded
    EXPECT_EQ(archiveState.fileHandle, kNoFile);
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

TEST_F(StartupTest, MissingArchiveStopsWithCode9BeforeTheSoundModule) {
    platform.executableImage.assign(5000, 0);  // a program without an archive
    EXPECT_EQ(Run({"/w"}), 9u);
    EXPECT_EQ(errors,
              "QX_Marrowtide: no usable archive in the program file: the archive has no entries "
              "(error 9)\n");
    EXPECT_EQ(Journal(), Then({"ReadOptions", "LoadSoundtrack"}, kShutdown));
    EXPECT_TRUE(platform.calls.empty());
}

TEST_F(StartupTest, DamagedAssetStopsWithCode9AfterTheDisplayAndTakesItDown) {
    // The last stored byte of the archive's entries belongs to entry 22: without it that
    // entry's bit stream ends early.
    std::vector<uint8_t>& image = platform.executableImage;
    ASSERT_TRUE(OpenArchive());
    const size_t sizeField = image.size() - archiveState.archiveSize +
                             archiveState.directoryOffset + 21 * kDirectoryRecordSize +
                             kRecordSizeField;
    const uint32_t shortened = archiveState.directory[21].storedSize - 1;
    CloseArchive();
    for (int k = 0; k < 4; ++k) image[sizeField + k] = static_cast<uint8_t>(shortened >> (8 * k));
    EXPECT_EQ(Run({"/w"}), 9u);
    EXPECT_EQ(errors,
              "QX_Marrowtide: archive entry 22 (texture4.~) does not load: the block's bytes end "
              "before its output is complete (error 9)\n");
    EXPECT_EQ(Journal(),
              Then(kUpToDisplay, Then({"CreateFramebuffer", "SetSceneTable", "StartTicks",
                                       "RegisterTickSlot", "RegisterTickSlot", "LoadAssets"},
                                      kShutdown)));
    EXPECT_EQ(platform.calls.back(), "DestroyWindow");
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
