// Start-up and shutdown seen from outside: the platform calls in order, with the sound module's
// calls and the presents on the same timeline, the exit code and message, which buffers were
// loaded and which tick slots were registered.
#include <algorithm>

#include "host/startup_times.h"
#include "support/host_fixture.h"

namespace qx::test {
namespace {

using Calls = std::vector<std::string>;

void NotePresent(VirtualPlatform& platform, const uint32_t*, uint32_t, uint32_t, uint32_t, void*) {
    platform.calls.push_back("Present");
}

Calls Then(Calls calls, const Calls& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

const std::string kLoadSong = "sound: LoadSongMemory " + std::to_string(sizeof assetBuffers.module);
// The sound module brought up, before any display.
const Calls kMusicUp = {std::string("OpenLibrary ") + kSoundModuleFile, "sound: Init 44100 32 0",
                        "sound: SetHWND null", kLoadSong};
// The sound module taken down, before the display: the song stopped, the module closed.
const Calls kMusicDown = {"sound: StopSong song", "sound: StreamClose null", "sound: Close",
                          "CloseLibrary"};

class StartupTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        platform.executableImage = PlaceholderProgramImage();
        platform.presentHook = NotePresent;
        fakeSound.timeline = &platform.calls;
        // Marks that only loading overwrites: the song's first byte, the last asset's last byte.
        assetBuffers.module[0] = 0;
        assetBuffers.title8[sizeof assetBuffers.title8 - 1] = 0;
    }
    void TearDown() override {
        fakeSound.timeline = nullptr;
        HostTest::TearDown();
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
    // The calls that concern the display only.
    Calls DisplayCalls() const {
        Calls display;
        std::copy_if(platform.calls.begin(), platform.calls.end(), std::back_inserter(display),
                     [](const std::string& call) {
                         return call.rfind("sound: ", 0) != 0 && call != "Present" &&
                                call.find("Library") == std::string::npos;
                     });
        return display;
    }
    bool SongLoaded() const { return assetBuffers.module[0] == 'E'; }
    bool AssetsLoaded() const { return assetBuffers.title8[sizeof assetBuffers.title8 - 1] == 255; }
    bool TicksRegistered() const {
        return tickScheduler.slots[kFadeSlot].callback == &FadeDownTick &&
               tickScheduler.slots[kTimerSlot].callback == &AdvanceTimerCounter;
    }
    bool SongPlayed() const {
        return std::find(fakeSound.calls.begin(), fakeSound.calls.end(), "PlaySong song") !=
               fakeSound.calls.end();
    }
    // Everything that start-up opened is closed again.
    void ExpectAllClosed() const {
        EXPECT_EQ(platform.openLibraries, 0);
        EXPECT_EQ(musicBinding.libraryHandle, nullptr);
        EXPECT_EQ(archiveState.fileHandle, kNoFile);
        EXPECT_FALSE(platform.windowExists);
        EXPECT_FALSE(platform.surfaceExists);
        EXPECT_EQ(tickScheduler.period, 0u);
    }
};

TEST_F(StartupTest, WindowedRunBringsEverythingUpAndDownInOrder) {
    EXPECT_EQ(Run({"/w"}), 0u);
    EXPECT_EQ(errors, "");
    // The song plays from before the first frame until after the last; it is stopped again on
    // shutdown, and the module goes before the window.
    EXPECT_EQ(platform.calls,
              Then(kMusicUp, Then({"CreateWindow", "ShowWindow", "CreatePresentSurface 320x200",
                                   "sound: PlaySong song", "Present", "Present", "Present",
                                   "sound: StopSong song"},
                                  Then(kMusicDown, {"ReleasePresentSurface", "DestroyWindow"}))));
    EXPECT_STREQ(platform.lastRequest.title, "Marrowtide 2k - Tamberlinoth");
    EXPECT_STREQ(platform.lastRequest.className, "QXClassName");
    EXPECT_FALSE(platform.lastRequest.fullScreen);
    EXPECT_EQ(platform.lastRequest.height, 224u);
    EXPECT_EQ(hostSettings.windowStyle, 0x80C80200u);
    EXPECT_EQ(hostSettings.windowClassStyle, 3u);
    EXPECT_EQ(platform.presentHeight, 200u);  // only the scenes' rows are shown
    EXPECT_TRUE(TicksRegistered());
    EXPECT_EQ(std::string(assetBuffers.module, assetBuffers.module + 17), "Extended Module: ");
    EXPECT_TRUE(AssetsLoaded());
    ExpectAllClosed();
}

TEST_F(StartupTest, FullScreenPicksDeepestModeAndRestoresItBeforeTheWindowGoes) {
    platform.modes = {{kModeHasPixelFormat, kPixelFormatRgb, 8, 0, 0},
                      {kModeHasPixelFormat, kPixelFormatRgb, 32, 0, 0},
                      {kModeHasPixelFormat, kPixelFormatRgb, 16, 0, 0}};
    EXPECT_EQ(Run({}), 0u);
    EXPECT_EQ(DisplayCalls(),
              (Calls{"CreateWindow", "OpenFullScreenDevice", "EnumerateDisplayModes 320x200",
                     "SetDisplayMode 320x200x32", "ShowWindow", "HideCursor",
                     "CreatePresentSurface 320x200", "ReleasePresentSurface", "RestoreDisplayMode",
                     "DestroyWindow"}));
    EXPECT_TRUE(platform.lastRequest.fullScreen);
    EXPECT_EQ(hostSettings.windowStyle, 0x80880000u);
}

TEST_F(StartupTest, ExplicitDepthIsSetWithoutEnumeration) {
    EXPECT_EQ(Run({"/w", "/24"}), 0u);
    EXPECT_EQ(DisplayCalls()[2], "SetDisplayMode 320x224x24");
    ResetHostState();
    platform.calls.clear();
    EXPECT_EQ(Run({"/15"}), 0u);
    EXPECT_EQ(DisplayCalls()[2], "SetDisplayMode 320x200x15");
}

TEST_F(StartupTest, NoDisplayFailsWithCode1BeforeTheTicksAndTakesTheMusicDown) {
    platform.failCreateWindow = true;
    EXPECT_EQ(Run({"/w"}), 1u);
    EXPECT_EQ(errors, "QX_Marrowtide: no display could be opened (error 1)\n");
    EXPECT_EQ(platform.calls, Then(kMusicUp, Then({"CreateWindow"}, kMusicDown)));
    EXPECT_TRUE(SongLoaded());
    EXPECT_FALSE(TicksRegistered());
    EXPECT_FALSE(AssetsLoaded());
    ExpectAllClosed();
}

TEST_F(StartupTest, NoExclusiveDisplayFailsWithCode1AndDestroysTheWindow) {
    platform.failFullScreenDevice = true;
    EXPECT_EQ(Run({}), 1u);
    EXPECT_EQ(DisplayCalls(), (Calls{"CreateWindow", "OpenFullScreenDevice", "DestroyWindow"}));
}

TEST_F(StartupTest, RefusedModeFailsWithCode2WithoutRestore) {
    platform.failSetDisplayMode = true;
    EXPECT_EQ(Run({"/16"}), 2u);
    EXPECT_EQ(DisplayCalls(), (Calls{"CreateWindow", "OpenFullScreenDevice",
                                     "SetDisplayMode 320x200x16", "DestroyWindow"}));
    EXPECT_NE(errors.find("(error 2)"), std::string::npos);
}

TEST_F(StartupTest, NoFramebufferFailsWithCode4AfterFullScreenAndRestoresTheMode) {
    platform.failPresentSurface = true;
    EXPECT_EQ(Run({}), 4u);
    EXPECT_EQ(errors, "QX_Marrowtide: no framebuffer could be created (error 4)\n");
    const Calls display = DisplayCalls();
    EXPECT_EQ(Calls(display.end() - 3, display.end()),
              (Calls{"CreatePresentSurface 320x200", "RestoreDisplayMode", "DestroyWindow"}));
    EXPECT_FALSE(TicksRegistered());
    EXPECT_FALSE(AssetsLoaded());
    EXPECT_FALSE(SongPlayed());
    ExpectAllClosed();
}

TEST_F(StartupTest, MissingArchiveStopsWithCode9BeforeTheSoundModule) {
    platform.executableImage.assign(5000, 0);  // a program without an archive
    EXPECT_EQ(Run({"/w"}), 9u);
    EXPECT_EQ(errors,
              "QX_Marrowtide: no usable archive in the program file: the archive has no entries "
              "(error 9)\n");
    EXPECT_TRUE(platform.calls.empty());  // no library was opened, no window made
    EXPECT_TRUE(fakeSound.calls.empty());
    EXPECT_FALSE(SongLoaded());
    ExpectAllClosed();
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
    EXPECT_TRUE(TicksRegistered());  // registered before the assets load
    EXPECT_FALSE(SongPlayed());
    EXPECT_EQ(Calls(platform.calls.end() - 6, platform.calls.end()),
              Then(kMusicDown, {"ReleasePresentSurface", "DestroyWindow"}));
    ExpectAllClosed();
}

TEST_F(StartupTest, TimerCounterGrowsEverySecondMillisecond) {
    ASSERT_EQ(ParseWords({"/w", "--frames", "100"}), CommandLineResult::Run);
    launchOptions.framesPerSecond = 0;
    EXPECT_EQ(RunProduction(), 0u);
    EXPECT_EQ(platform.clock, 100u);
    EXPECT_EQ(hostSettings.timerCounter, 50u);
}

// --startup-times ends the show after its first frame (--frames is overridden) and has every step
// timed in order; a start-up that fails times none after it. The printed lines are checked on
// the program itself (program_startup_times_list_every_step_to_the_first_frame).
TEST_F(StartupTest, StartupTimesCoverEveryStepUpToTheFirstFrame) {
    NoteMainEntered();
    EXPECT_EQ(Run({"/w", "--frames", "5", "--startup-times"}), 0u);
    EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "Present"), 1);
    const StartupTimes& t = startupTimes;
    ASSERT_EQ(t.stepsEnded, kStartupStepCount);
    EXPECT_LE(t.mainEntered, t.stepEnds[0]);
    for (uint32_t step = 1; step < kStartupStepCount; ++step)
        EXPECT_LE(t.stepEnds[step - 1], t.stepEnds[step]) << step;

    NoteMainEntered();
    platform.executableImage.assign(5000, 0);  // no archive
    EXPECT_EQ(Run({"/w", "--startup-times"}), 9u);
    EXPECT_EQ(startupTimes.stepsEnded, 1u);  // the options only
}

}  // namespace
}  // namespace qx::test
