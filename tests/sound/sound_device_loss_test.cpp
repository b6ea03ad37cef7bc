// The real sound module playing on a device (SDL's dummy audio driver: one that plays nowhere, at
// the pace of a real one) that goes away mid-song through the module's fault injection: unplugged
// (SDL reports it stopped) or with its callback no longer called. Either way the music position
// keeps increasing through the loss and one line says so.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/host_fixture.h"
#include "support/test_environment.h"

namespace qx::test {
namespace {

constexpr char kLossLine[] =
    "QX_Marrowtide: the audio device was lost; the music plays on silently\n";
constexpr uint32_t kRowsPlayed = 12;  // 1 s of song; the simulated loss comes at 0.3 s

class SoundDeviceLossTest : public HostTest {
protected:
    std::vector<uint8_t> song = MakePlaceholderSoundtrack();
    std::string printed;  // standard error while playing

    void SetUp() override {
        HostTest::SetUp();
        platform.useSystemLibraries = true;  // and not headless: the module opens a device
        SetEnvironment("SDL_AUDIODRIVER", "dummy");
    }
    void TearDown() override {
        MusicShutdown();
        UnsetEnvironment("SDL_AUDIODRIVER");
        UnsetEnvironment("QXSOUND_SIMULATE_DEVICE_LOSS");
        HostTest::TearDown();
    }

    // Plays until the position reaches kRowsPlayed (or a generous deadline passes), reading it
    // every 2 ms as the frame loop would; returns every position read.
    std::vector<uint32_t> PlayThroughLoss(const char* loss) {
        SetEnvironment("QXSOUND_SIMULATE_DEVICE_LOSS", loss);
        std::vector<uint32_t> positions;
        testing::internal::CaptureStderr();
        if (MusicInit(kMusicKindModule, nullptr) &&
            MusicLoadMemory(song.data(), static_cast<uint32_t>(song.size()))) {
            MusicPlay();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while ((positions.empty() || positions.back() < kRowsPlayed) &&
                   std::chrono::steady_clock::now() < deadline) {
                positions.push_back(MusicPosition());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(errorState.errorCode, 0u) << errorState.errorCause;
        return positions;
    }
};

TEST_F(SoundDeviceLossTest, UnpluggedDeviceLeavesTheMusicPlayingSilentlyOnward) {
    const std::vector<uint32_t> positions = PlayThroughLoss("removed:300");
    ASSERT_FALSE(positions.empty());
    EXPECT_GE(positions.back(), kRowsPlayed);
    EXPECT_TRUE(std::ranges::is_sorted(positions));
    EXPECT_EQ(printed, kLossLine);  // and not "no audio device": the dummy device did open
}

TEST_F(SoundDeviceLossTest, DeviceWhoseCallbackStopsIsGivenUpAndTheMusicPlaysOn) {
    const std::vector<uint32_t> positions = PlayThroughLoss("stalled:300");
    ASSERT_FALSE(positions.empty());
    EXPECT_GE(positions.back(), kRowsPlayed);
    EXPECT_TRUE(std::ranges::is_sorted(positions));
    EXPECT_EQ(printed, kLossLine);
}

TEST_F(SoundDeviceLossTest, WorkingDevicePlaysWithoutAWord) {
    const std::vector<uint32_t> positions = PlayThroughLoss("");
    ASSERT_FALSE(positions.empty());
    EXPECT_GE(positions.back(), kRowsPlayed);
    EXPECT_TRUE(std::ranges::is_sorted(positions));
    EXPECT_EQ(printed, "");
}

}  // namespace
}  // namespace qx::test
