#include "support/host_fixture.h"

namespace qx::test {
namespace {

class MusicBindingTest : public HostTest {
protected:
    std::string errors;
    bool Init(uint32_t kind = kMusicKindModule) {
        testing::internal::CaptureStderr();
        const bool ok = MusicInit(kind, nullptr);
        errors = testing::internal::GetCapturedStderr();
        return ok;
    }
};

TEST_F(MusicBindingTest, NormalRunCallsTheModuleInTheRelyOnOrder) {
    ASSERT_TRUE(Init());
    EXPECT_EQ(platform.lastLibraryName, kSoundModuleFile);
    const uint8_t song[4] = {};
    ASSERT_TRUE(MusicLoadMemory(song, 1130844));
    MusicPlay();
    MusicStop();
    MusicShutdown();
    EXPECT_EQ(fakeSound.calls,
              (std::vector<std::string>{"Init 44100 32 0", "SetHWND null", "LoadSongMemory 1130844",
                                        "PlaySong song", "StopSong song", "StopSong song",
                                        "StreamClose null", "Close"}));
    EXPECT_EQ(platform.openLibraries, 0);
    EXPECT_EQ(fakeSound.clock, nullptr);  // live runs use the module's own clock
}

TEST_F(MusicBindingTest, MissingModuleFailsWithCode6AndCallsNothingLater) {
    platform.libraryPresent = false;
    EXPECT_FALSE(Init());
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_EQ(std::string(errorState.errorCause),
              std::string("the sound module could not be loaded: ") + kSoundModuleFile);
    EXPECT_EQ(MusicPosition(), 0u);
    MusicShutdown();
    EXPECT_TRUE(fakeSound.calls.empty());
}

TEST_F(MusicBindingTest, MissingExportLeavesLaterSlotsEmptyAndShutdownSkipsThem) {
    InstallFakeSoundModule(platform, "FMUSIC_GetRow");
    EXPECT_FALSE(Init());
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_STREQ(errorState.errorCause, "the sound module lacks FMUSIC_GetRow");
    EXPECT_EQ(MusicPosition(), 0u);
    MusicShutdown();  // StopSong and Close are bound; StreamClose (slot 14) is not
    EXPECT_EQ(fakeSound.calls, (std::vector<std::string>{"StopSong null", "Close"}));
    EXPECT_EQ(platform.openLibraries, 0);
}

TEST_F(MusicBindingTest, InitMustReturnExactlyOne) {
    InstallFakeSoundModule(platform);
    fakeSound.initResult = 2;
    EXPECT_FALSE(Init());
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_EQ(fakeSound.calls, (std::vector<std::string>{"Init 44100 32 0"}));
}

TEST_F(MusicBindingTest, SongLoadFailures) {
    ASSERT_TRUE(Init());
    fakeSound.loadFails = true;
    EXPECT_FALSE(MusicLoadMemory(nullptr, 10));
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_FALSE(MusicLoadFile("song.xm"));
    EXPECT_EQ(errorState.errorCode, 8u);

    MusicShutdown();
    InstallFakeSoundModule(platform);
    ASSERT_TRUE(Init(kMusicKindStream));
    errorState = {};
    EXPECT_FALSE(MusicLoadMemory(nullptr, 10));  // streams cannot load from memory
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_FALSE(MusicLoadFile("song.mp3"));
    EXPECT_EQ(errorState.errorCode, 8u);
    EXPECT_EQ(fakeSound.calls,
              (std::vector<std::string>{"Init 44100 32 0", "SetHWND null", "StreamOpen"}));
}

TEST_F(MusicBindingTest, PositionPacksOrderLowByteAboveRow) {
    ASSERT_TRUE(Init(0));  // any tag but MPEG is module mode
    fakeSound.order = 5;
    fakeSound.row = 0;
    EXPECT_EQ(MusicPosition(), 0x500u);
    fakeSound.order = 13;
    fakeSound.row = 63;
    EXPECT_EQ(MusicPosition(), 0xD3Fu);
    fakeSound.order = 256 + 12;
    fakeSound.row = 32;
    EXPECT_EQ(MusicPosition(), 0xC20u);
}

TEST_F(MusicBindingTest, OfflineRunHandsTheModuleTheVirtualClock) {
    SetMusicClocks(true, false);
    ASSERT_TRUE(Init());
    ASSERT_NE(fakeSound.clock, nullptr);
    platform.clock = 1234;
    EXPECT_EQ(fakeSound.clock(), 1234u);
    EXPECT_EQ(fakeSound.sink, nullptr);  // no sample sink was asked for
}

void CountFrames(const int16_t*, uint32_t frames, void* context) {
    *static_cast<uint32_t*>(context) += frames;
}

TEST_F(MusicBindingTest, OfflineRunHandsTheModuleTheSampleSinkWhenOneIsSet) {
    uint32_t frames = 0;
    SetMusicClocks(true, false);
    SetMusicSampleSink(CountFrames, &frames);
    ASSERT_TRUE(Init());
    ASSERT_EQ(fakeSound.sink, CountFrames);
    fakeSound.sink(nullptr, 735, fakeSound.sinkContext);
    EXPECT_EQ(frames, 735u);
}

TEST_F(MusicBindingTest, SampleSinkNeedsTheModulesExportOnlyWhenSet) {
    SetMusicClocks(true, false);
    InstallFakeSoundModule(platform, kSampleSinkName);
    ASSERT_TRUE(Init());
    MusicShutdown();
    SetMusicClocks(true, false);
    SetMusicSampleSink(CountFrames, nullptr);
    EXPECT_FALSE(Init());
    EXPECT_EQ(errorState.errorCode, 6u);
    EXPECT_NE(std::string(errorState.errorCause).find(kSampleSinkName), std::string::npos);
}

}  // namespace
}  // namespace qx::test
