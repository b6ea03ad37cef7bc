// The real sound module, loaded from beside the test program, playing the placeholder soundtrack
// on the virtual clock of the offline run.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/host_fixture.h"

namespace qx::test {
namespace {

class SoundModuleTest : public HostTest {
protected:
    std::vector<uint8_t> song = MakePlaceholderSoundtrack();
    void SetUp() override {
        HostTest::SetUp();
        platform.useSystemLibraries = true;
        launchOptions.headless = true;
        ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr)) << errorState.errorCause;
    }
    void TearDown() override {
        MusicShutdown();
        HostTest::TearDown();
    }
};

TEST_F(SoundModuleTest, PositionFollowsTheVirtualClockExactly) {
    ASSERT_TRUE(MusicLoadMemory(song.data(), static_cast<uint32_t>(song.size())));
    platform.clock = 1000;
    MusicPlay();
    EXPECT_EQ(MusicPosition(), 0u);
    // Speed 5 at 149 BPM: 739 frames a tick at 44,100 Hz, 3695 frames (83.8 ms) a row.
    platform.clock = 1000 + 83;
    EXPECT_EQ(MusicPosition(), 0u);
    platform.clock = 1000 + 84;
    EXPECT_EQ(MusicPosition(), 1u);
    platform.clock = 1000 + 5362;  // 64 rows: the second order begins at 5362.4 ms
    EXPECT_EQ(MusicPosition(), 0x3Fu);
    platform.clock = 1000 + 5363;
    EXPECT_EQ(MusicPosition(), 0x100u);
    MusicStop();
    platform.clock = 1000 + 60000;
    EXPECT_EQ(MusicPosition(), 0x100u);  // stopped: the position stays
}

// The module as a run on the window has it, on SDL's dummy audio driver: a device whose callback
// runs in real time and is never heard (where even that cannot be opened, the module plays
// silently in real time, and the same holds).
class SoundOnTheWindowTest : public HostTest {
protected:
    std::vector<uint8_t> song = MakePlaceholderSoundtrack();
    // startPosition as the command line gives it: not 0, the song first plays on the virtual clock.
    void Open(uint32_t startPosition) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        platform.useSystemLibraries = true;
        launchOptions.startPosition = startPosition;
        ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr)) << errorState.errorCause;
        ASSERT_TRUE(MusicLoadMemory(song.data(), static_cast<uint32_t>(song.size())));
    }
    void TearDown() override {
        MusicShutdown();
        unsetenv("SDL_AUDIODRIVER");
        HostTest::TearDown();
    }
    // Waits, in real time, for the song to reach `position`; false after 5 s.
    static bool PlaysTo(uint32_t position) {
        for (int waited = 0; waited < 5000 && MusicPosition() < position; waited += 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return MusicPosition() >= position;
    }
};

TEST_F(SoundOnTheWindowTest, RealClockPlaysOnFromThePositionTheVirtualOneReached) {
    Open(0x100);
    platform.clock = 1000;
    MusicPlay();
    platform.clock = 1000 + 5363;
    ASSERT_EQ(MusicPosition(), 0x100u);
    MusicUseRealClock();
    const uint32_t after = MusicPosition();
    EXPECT_GE(after, 0x100u);
    EXPECT_LT(after, 0x200u);
    platform.clock += 60000;  // the virtual clock no longer counts
    EXPECT_LT(MusicPosition(), 0x200u);
    EXPECT_TRUE(PlaysTo(0x102));
}

TEST_F(SoundOnTheWindowTest, PlayingAgainReportsNoneOfTheLastPlaysPositions) {
    Open(0);
    MusicPlay();
    ASSERT_TRUE(PlaysTo(2));
    MusicStop();
    MusicPlay();
    EXPECT_EQ(MusicPosition(), 0u);  // row 0 lasts 84 ms: nothing later can be heard yet
}

TEST_F(SoundModuleTest, DamagedSongIsRefused) {
    std::vector<uint8_t> junk(1000, 0x55);
    EXPECT_FALSE(MusicLoadMemory(junk.data(), static_cast<uint32_t>(junk.size())));
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_EQ(MusicPosition(), 0u);
}

}  // namespace
}  // namespace qx::test
