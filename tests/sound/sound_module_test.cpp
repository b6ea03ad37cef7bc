// The real sound module, loaded from beside the test program, playing the placeholder soundtrack
// on the virtual clock of the offline run.
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

TEST_F(SoundModuleTest, DamagedSongIsRefused) {
    std::vector<uint8_t> junk(1000, 0x55);
    EXPECT_FALSE(MusicLoadMemory(junk.data(), static_cast<uint32_t>(junk.size())));
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_EQ(MusicPosition(), 0u);
}

}  // namespace
}  // namespace qx::test
