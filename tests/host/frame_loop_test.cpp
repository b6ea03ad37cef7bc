#include <algorithm>

#include "support/host_fixture.h"

namespace qx::test {
namespace {

int frames, enters, leaves, ticks;
bool Enter() { return ++enters, true; }
bool Leave() { return ++leaves, true; }
bool Frame() { return ++frames, true; }
void Tick() { ++ticks; }

// A table that never ends by itself.
constexpr SceneTableRow kEndless[] = {{0xFFFFFFFE, Enter, Frame, Leave},
                                      {kEndRowPosition, nullptr, nullptr, nullptr}};
// A table whose only row is already over: the first pass leaves it and reaches the end row.
constexpr SceneTableRow kOver[] = {{0, Enter, Frame, Leave},
                                   {kEndRowPosition, nullptr, nullptr, nullptr}};

std::vector<uint32_t> presentTimes;
void RecordPresentTime(VirtualPlatform& p, const uint32_t*, uint32_t, uint32_t, uint32_t, void*) {
    presentTimes.push_back(p.clock);
}

class FrameLoopTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        frames = enters = leaves = ticks = 0;
        presentTimes.clear();
        platform.clock = 5000;
        launchOptions.framesPerSecond = 0;
        ASSERT_TRUE(CreateDisplay(320, 224, kDepthWindow));
        hostSettings.framebuffer = CreateFramebuffer(320, 224, 32);
        ASSERT_NE(hostSettings.framebuffer, nullptr);
        SetSceneTable(kEndless);
        ASSERT_TRUE(StartTicks(1));
        RegisterTickSlot(2, 0, Tick);
        platform.presentHook = RecordPresentTime;
    }
};

TEST_F(FrameLoopTest, FrameRateArithmetic) {
    loopState.rateWindowStart = 100;
    for (int i = 0; i < 59; ++i) UpdateFrameRate(100 + 999);
    EXPECT_EQ(FrameRate(), 0u);  // stays 0 through the first second
    UpdateFrameRate(1100);       // 60 frames in exactly 1000 ms: no update yet
    EXPECT_EQ(FrameRate(), 0u);
    for (int i = 0; i < 9; ++i) UpdateFrameRate(1100);
    UpdateFrameRate(1103);  // 70 frames in 1003 ms
    EXPECT_EQ(FrameRate(), 69u);
    EXPECT_EQ(loopState.rateWindowStart, 1103u);
    EXPECT_EQ(loopState.frameAccumulator, 0u);
}

TEST_F(FrameLoopTest, EscapeEndsTheRunOnReleaseOnly) {
    platform.QueueEvent(KeyDown(KeyCode::Escape), 5003);
    platform.QueueEvent(KeyUp(KeyCode::Other), 5003);
    platform.QueueEvent(Button(InputEvent::Kind::ButtonUp, MouseButton::Left), 5003);
    platform.QueueEvent(KeyUp(KeyCode::Escape), 5006);
    RunFrameLoop();
    EXPECT_EQ(platform.clock, 5006u);  // unpaced: one 1 ms sleep per pass
    EXPECT_EQ(frames, 5);              // pass 1 entered, passes 2 to 6 drew
    EXPECT_EQ(enters, 1);
}

TEST_F(FrameLoopTest, RightReleaseAndCloseRequestEndTheRun) {
    platform.QueueEvent(Button(InputEvent::Kind::ButtonDown, MouseButton::Right), 5001);
    platform.QueueEvent(Button(InputEvent::Kind::ButtonUp, MouseButton::Right), 5002);
    RunFrameLoop();
    EXPECT_EQ(platform.clock, 5002u);

    platform.QueueEvent(CloseRequest(), 5004);
    RunFrameLoop();
    EXPECT_EQ(platform.clock, 5004u);
}

TEST_F(FrameLoopTest, PassThatFindsTheEndStillPresentsTicksAndPumps) {
    SetSceneTable(kOver);
    platform.QueueEvent(KeyDown(KeyCode::Other), 0);
    RunFrameLoop();
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(enters + frames, 0);
    EXPECT_EQ(platform.presentCount, 1u);
    EXPECT_EQ(ticks, 1);  // the 1 ms of the pass's sleep
    EXPECT_EQ(platform.PendingEvents(), 0u);
}

TEST_F(FrameLoopTest, StartOfLoopDropsTheStartUpBacklogOfTicks) {
    tickScheduler.lastTickTime = 0;  // as if start-up had taken 5 s
    launchOptions.frameLimit = 1;
    RunFrameLoop();
    EXPECT_EQ(ticks, 1);
}

TEST_F(FrameLoopTest, PacingHoldsFramesToTheirDueTimesWithoutDrift) {
    launchOptions.framesPerSecond = 60;
    launchOptions.frameLimit = 7;
    RunFrameLoop();
    EXPECT_EQ(presentTimes, (std::vector<uint32_t>{5000, 5016, 5033, 5050, 5066, 5083, 5100}));
}

void StallOnSecondPresent(VirtualPlatform& p, const uint32_t*, uint32_t, uint32_t, uint32_t,
                          void*) {
    presentTimes.push_back(p.clock);
    if (presentTimes.size() == 2) p.clock += 2000;
}

TEST_F(FrameLoopTest, PacingStartsAfreshAfterAStallInsteadOfRushingFrames) {
    launchOptions.framesPerSecond = 100;
    launchOptions.frameLimit = 6;
    platform.presentHook = StallOnSecondPresent;
    RunFrameLoop();
    EXPECT_EQ(presentTimes, (std::vector<uint32_t>{5000, 5010, 7010, 7020, 7030, 7040}));
}

void HideOnSecondShowOnFourthPresent(VirtualPlatform& p, const uint32_t*, uint32_t, uint32_t,
                                     uint32_t, void*) {
    presentTimes.push_back(p.clock);
    if (presentTimes.size() == 2) p.windowVisible = false;
    if (presentTimes.size() == 4) p.windowVisible = true;
}

TEST_F(FrameLoopTest, UnpacedPassesSleepLongerWhileTheWindowCannotBeSeen) {
    launchOptions.frameLimit = 6;
    platform.presentHook = HideOnSecondShowOnFourthPresent;
    RunFrameLoop();
    EXPECT_EQ(presentTimes, (std::vector<uint32_t>{5001, 5002, 5012, 5022, 5023, 5024}));
    EXPECT_EQ(frames, 5);  // every pass still runs the scene, hidden or not
}

TEST_F(FrameLoopTest, PacingIsKeptWhileTheWindowCannotBeSeen) {
    launchOptions.framesPerSecond = 60;
    launchOptions.frameLimit = 7;
    platform.presentHook = HideOnSecondShowOnFourthPresent;
    RunFrameLoop();
    EXPECT_EQ(presentTimes, (std::vector<uint32_t>{5000, 5016, 5033, 5050, 5066, 5083, 5100}));
}

void HoldAfterSecondPresent(VirtualPlatform& p, const uint32_t*, uint32_t, uint32_t, uint32_t,
                            void*) {
    presentTimes.push_back(p.clock);
    if (presentTimes.size() == 2) p.showHeldUntil = p.clock + 1000;
}

// A held show (a browser tab in the background) runs no scene and no tick and presents nothing;
// afterwards it goes on as if the time held had not passed: every later frame exactly that much
// later, no rush of frames, no burst of ticks.
TEST_F(FrameLoopTest, HeldShowGoesOnAsIfTheTimeHeldHadNotPassed) {
    launchOptions.framesPerSecond = 60;
    launchOptions.frameLimit = 6;
    RunFrameLoop();
    const std::vector<uint32_t> unheld = presentTimes;
    const int unheldFrames = frames, unheldTicks = ticks;

    frames = enters = leaves = ticks = 0;
    presentTimes.clear();
    platform.clock = 5000;
    sequencerState = {};
    SetSceneTable(kEndless);
    ASSERT_TRUE(StartTicks(1));
    RegisterTickSlot(2, 0, Tick);
    platform.presentHook = HoldAfterSecondPresent;  // held for 1,000 ms after the second present
    RunFrameLoop();
    std::vector<uint32_t> expected = unheld;
    for (size_t i = 2; i < expected.size(); ++i) expected[i] += 1000;
    EXPECT_EQ(presentTimes, expected);
    EXPECT_EQ(frames, unheldFrames);
    EXPECT_EQ(ticks, unheldTicks);
}

// What a present saw: the clock, the position the pass read and the routines and ticks so far.
struct PassSeen {
    uint32_t clock, position;
    int frames, enters, ticks;
    bool operator==(const PassSeen&) const = default;
};
std::vector<PassSeen> passesSeen;
void NotePass(VirtualPlatform& p, const uint32_t*, uint32_t, uint32_t, uint32_t, void*) {
    passesSeen.push_back({p.clock, sequencerState.lastPassPosition, frames, enters, ticks});
}

class StartPositionTest : public FrameLoopTest, public ::testing::WithParamInterface<uint32_t> {
protected:
    // A run of `shown` frames from `start` on the endless table, the song one row every 3 ms.
    std::vector<PassSeen> Run(uint32_t start, uint32_t shown) {
        frames = enters = leaves = ticks = 0;
        passesSeen.clear();
        platform.clock = 5000;
        sequencerState = {};
        SetSceneTable(kEndless);
        launchOptions.startPosition = start;
        launchOptions.frameLimit = shown;
        MusicPlay();
        RunFrameLoop();
        return passesSeen;
    }
    void SetUp() override {
        FrameLoopTest::SetUp();
        platform.presentHook = NotePass;
        launchOptions.headless = true;
        launchOptions.framesPerSecond = GetParam();
        static const uint8_t song[1] = {};
        SetMusicClocks(true, false);
        ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr));
        ASSERT_TRUE(MusicLoadMemory(song, 1));
        fakeSound.msPerRow = 3;
    }
    void TearDown() override {
        MusicShutdown();
        FrameLoopTest::TearDown();
    }
};

TEST_P(StartPositionTest, OfflineShowsTheFullRunsPassesFromTheFirstAtTheStart) {
    const std::vector<PassSeen> full = Run(0, 400);
    const auto first = std::find_if(full.begin(), full.end(),
                                    [](const PassSeen& p) { return p.position >= 0x110; });
    ASSERT_NE(first, full.end());
    ASSERT_GT(first - full.begin(), 10);
    const std::vector<PassSeen> started = Run(0x110, 20);
    EXPECT_EQ(started, std::vector<PassSeen>(first, first + 20));
    EXPECT_EQ(loopState.passCount, 20u);  // only the passes shown count
}

INSTANTIATE_TEST_SUITE_P(PacedAndUnpaced, StartPositionTest, ::testing::Values(60u, 0u));

TEST_F(FrameLoopTest, FullScreenToggleKeys) {
    WindowProcedure(KeyDown(KeyCode::F11));
    EXPECT_TRUE(platform.fullScreen);
    EXPECT_FALSE(platform.cursorVisible);
    WindowProcedure(KeyDown(KeyCode::Enter));  // Enter alone does nothing
    EXPECT_TRUE(platform.fullScreen);
    WindowProcedure(KeyDown(KeyCode::Enter, true));
    EXPECT_FALSE(platform.fullScreen);
    EXPECT_TRUE(platform.cursorVisible);
    EXPECT_EQ(loopState.quitFlag, 0u);
}

}  // namespace
}  // namespace qx::test
