// The real sound module, loaded from beside the test program, playing the placeholder soundtrack
// on the virtual clock of the offline run.
#include <libopenmpt/libopenmpt.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/host_fixture.h"
#include "support/test_environment.h"

namespace qx::test {
namespace {

class SoundModuleTest : public HostTest {
protected:
    std::vector<uint8_t> song = MakePlaceholderSoundtrack();
    void SetUp() override {
        HostTest::SetUp();
        platform.useSystemLibraries = true;
        SetMusicClocks(true, false);
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
    void SetUp() override {
        HostTest::SetUp();
#ifdef __EMSCRIPTEN__
        GTEST_SKIP() << "no audio device under Node, and the sound module linked into the "
                        "program keeps its state from one load to the next";
#endif
    }
    // startPosition as the command line gives it: not 0, the song first plays on the virtual clock.
    void Open(uint32_t startPosition) {
        SetEnvironment("SDL_AUDIODRIVER", "dummy");
        platform.useSystemLibraries = true;
        SetMusicClocks(false, startPosition != 0);
        ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr)) << errorState.errorCause;
        ASSERT_TRUE(MusicLoadMemory(song.data(), static_cast<uint32_t>(song.size())));
    }
    void TearDown() override {
        MusicShutdown();
        UnsetEnvironment("SDL_AUDIODRIVER");
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
    // A pre-roll that took longer in real time than a device may be silent is no device loss.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    testing::internal::CaptureStderr();
    MusicUseRealClock();
    const uint32_t after = MusicPosition();
    EXPECT_GE(after, 0x100u);
    EXPECT_LT(after, 0x200u);
    platform.clock += 60000;  // the virtual clock no longer counts
    EXPECT_LT(MusicPosition(), 0x200u);
    EXPECT_TRUE(PlaysTo(0x102));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(SoundOnTheWindowTest, PlayingAgainReportsNoneOfTheLastPlaysPositions) {
    Open(0);
    MusicPlay();
    ASSERT_TRUE(PlaysTo(2));
    MusicStop();
    MusicPlay();
    EXPECT_EQ(MusicPosition(), 0u);  // row 0 lasts 84 ms: nothing later can be heard yet
}

// Held longer than a silent device may be before it counts as lost: the position stays, nothing
// is reported lost, and the song goes on from where it was.
TEST_F(SoundOnTheWindowTest, HeldSongStaysWhereItWasAndItsDeviceIsNotLost) {
    Open(0);
    MusicPlay();
    ASSERT_TRUE(PlaysTo(2));
    testing::internal::CaptureStderr();
    MusicPause(true);
    const uint32_t held = MusicPosition();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(MusicPosition(), held);
    MusicPause(false);
    EXPECT_LE(MusicPosition(), held + 1);  // at most the row under way in the device's buffer
    EXPECT_TRUE(PlaysTo(held + 2));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(SoundModuleTest, DamagedSongIsRefused) {
    std::vector<uint8_t> junk(1000, 0x55);
    EXPECT_FALSE(MusicLoadMemory(junk.data(), static_cast<uint32_t>(junk.size())));
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_EQ(MusicPosition(), 0u);
}

void KeepSamples(const int16_t* samples, uint32_t frames, void* context) {
    auto& kept = *static_cast<std::vector<int16_t>*>(context);
    kept.insert(kept.end(), samples, samples + size_t{frames} * 2);
}

// The whole song in one straight render without dither, as the module plays it.
std::vector<int16_t> RenderWholeSong(const std::vector<uint8_t>& song) {
    openmpt_module* module = openmpt_module_create_from_memory2(
        song.data(), song.size(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    std::vector<int16_t> samples;
    if (module == nullptr) return samples;
    openmpt_module_set_repeat_count(module, 0);
    openmpt_module_ctl_set_integer(module, "dither", 0);
    int16_t block[8192];
    size_t got;
    while ((got = openmpt_module_read_interleaved_stereo(module, 44100, 4096, block)) > 0)
        samples.insert(samples.end(), block, block + got * 2);
    openmpt_module_destroy(module);
    return samples;
}

// Renders cut at other places differ by rounding only.
bool SameSound(std::vector<int16_t>::const_iterator a, std::vector<int16_t>::const_iterator end,
               std::vector<int16_t>::const_iterator b) {
    return std::equal(a, end, b, [](int16_t x, int16_t y) { return std::abs(x - y) <= 1; });
}

// The sink of a capture: every frame rendered up to each virtual time, the song's own samples
// however the renders were cut, then silence once the song is over.
TEST_F(SoundModuleTest, SampleSinkGetsEveryFrameRenderedByTheVirtualClock) {
    MusicShutdown();
    std::vector<int16_t> kept;
    SetMusicSampleSink(KeepSamples, &kept);
    SetMusicClocks(true, false);
    ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr)) << errorState.errorCause;
    ASSERT_TRUE(MusicLoadMemory(song.data(), static_cast<uint32_t>(song.size())));
    platform.clock = 700;
    MusicPlay();
    for (const uint32_t t : {0u, 1u, 16u, 33u, 50u, 1000u, 1666u, 9999u}) {
        platform.clock = 700 + t;
        MusicPosition();
        EXPECT_EQ(kept.size(), size_t{t} * 44100 / 1000 * 2) << t << " ms";
    }
    const std::vector<int16_t> whole = RenderWholeSong(song);
    ASSERT_GT(whole.size(), kept.size()) << "the song should outlast 10 s";
    EXPECT_TRUE(SameSound(kept.begin(), kept.end(), whole.begin()));

    // In 64 bits, where size_t has 32 (the browser build): the song's frames times 1000 need more.
    const uint32_t songMs = static_cast<uint32_t>(uint64_t{whole.size()} / 2 * 1000 / 44100);
    platform.clock = 700 + songMs + 500;
    MusicStop();  // renders up to now, as the end of a capture does
    const size_t expected = static_cast<size_t>(uint64_t{songMs + 500} * 44100 / 1000 * 2);
    ASSERT_EQ(kept.size(), expected);
    EXPECT_TRUE(SameSound(whole.begin(), whole.end(), kept.begin()));
    EXPECT_TRUE(std::all_of(kept.begin() + static_cast<ptrdiff_t>(whole.size()), kept.end(),
                            [](int16_t s) { return s == 0; }));
}

}  // namespace
}  // namespace qx::test
