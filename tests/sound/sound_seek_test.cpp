// The real sound module's seek, pause and position, in its three ways of playing: on the virtual
// clock (the offline run), silently in real time (no audio device: SDL is asked for a driver it
// does not have) and on a device (SDL's dummy driver, which plays nowhere at a real device's
// pace). Wherever the song is put or held, the position it reports is the one a play from its
// start has after the same time of play (QXSOUND_PositionAt): exactly on the virtual clock and
// right after a seek, within the device's buffer and the scheduler's delays in real time.
// On a song of its own: six orders at 83.8 ms a row, 32 s in all, so that its end is near.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>

#include "support/host_fixture.h"
#include "support/test_environment.h"
#include "tools/music/xm_writer.h"

namespace qx::test {
namespace {

constexpr uint32_t kOrders = 6;
constexpr uint32_t kSongMs = kOrders * 64 * 3695 * 1000 / 44100;  // 32,175 ms

// Two patterns of a quiet sine, a note every 4 rows on two channels, played in turn.
std::vector<uint8_t> MakeShortSong() {
    XmModule song = NewXmModule("seek test", "qx", 2, 5, 149);
    for (uint32_t order = 0; order < kOrders; ++order)
        song.orders.push_back(static_cast<uint8_t>(order % 2));
    for (uint32_t p = 0; p < 2; ++p) {
        XmPattern pattern(64, 2);
        for (uint32_t row = 0; row < 64; row += 4) {
            XmCell& cell = pattern.At(row, row / 4 % 2);
            cell.note = XmNote(4, (row / 4 * 7 + p * 5) % 12);
            cell.instrument = 1;
            cell.volume = XmVolume(24);
        }
        song.patterns.push_back(pattern);
    }
    XmInstrument tone;
    tone.name = "sine";
    XmSample sample;
    sample.name = "sine";
    for (uint32_t k = 0; k < 64; ++k)
        sample.frames.push_back(
            static_cast<int16_t>(std::lround(40 * std::sin(k * std::numbers::pi / 32))));
    sample.loop = XmLoop::Forward;
    sample.loopLength = 64;
    tone.samples.push_back(sample);
    song.instruments.push_back(tone);
    std::vector<uint8_t> file;
    const char* failure = "";
    EXPECT_TRUE(WriteXm(song, file, failure)) << failure;
    return file;
}

enum class Playing { OnTheVirtualClock, Silently, OnADevice };

std::string PlayingName(const testing::TestParamInfo<Playing>& info) {
    switch (info.param) {
        case Playing::OnTheVirtualClock:
            return "OnTheVirtualClock";
        case Playing::Silently:
            return "Silently";
        case Playing::OnADevice:
            return "OnADevice";
    }
    return "";
}

using RealClock = std::chrono::steady_clock;

class SoundSeekTest : public HostTest, public testing::WithParamInterface<Playing> {
protected:
    std::vector<uint8_t> song = MakeShortSong();
    bool virtualClock = GetParam() == Playing::OnTheVirtualClock;
    // What the song's time of play must be: `anchorMs` when the real clock read `anchor` (the
    // virtual one `virtualSince`), and on from there unless held; exactly known at the last seek,
    // to `seekMs`.
    RealClock::time_point anchor;
    uint32_t anchorMs = 0;
    uint32_t virtualSince = 1000;
    uint32_t seekMs = 0;
    bool held = false;
    bool capturing = false;  // standard error, from the song's start

    void SetUp() override {
        HostTest::SetUp();
        if (!virtualClock) {
#ifdef __EMSCRIPTEN__
            GTEST_SKIP() << "no audio device under Node, and the sound module linked into the "
                            "program keeps its state from one load to the next";
#endif
            SetEnvironment("SDL_AUDIODRIVER",
                           GetParam() == Playing::OnADevice ? "dummy" : "qx-no-such-driver");
        }
        platform.useSystemLibraries = true;
        SetMusicClocks(virtualClock, false);
        testing::internal::CaptureStderr();
        const bool ready = MusicInit(kMusicKindModule, nullptr) &&
                           MusicLoadMemory(song.data(), static_cast<uint32_t>(song.size()));
        const std::string printed = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(ready) << errorState.errorCause;
        EXPECT_EQ(printed, GetParam() == Playing::Silently
                               ? "QX_Marrowtide: no audio device; the music plays silently\n"
                               : "");
        // The timeline rendered to past the end now, so that asking for it takes no time later.
        MusicPositionAt(kSongMs + 60000);
        platform.clock = 1000;
        MusicPlay();
        anchor = RealClock::now();
        testing::internal::CaptureStderr();
        capturing = true;
    }
    void TearDown() override {
        // Nothing is reported: a device paused, or started again by a seek, is never taken as lost.
        if (capturing) {
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        }
        MusicShutdown();
        UnsetEnvironment("SDL_AUDIODRIVER");
        HostTest::TearDown();
    }

    // `ms` of time: of the virtual clock, or real time.
    void Wait(uint32_t ms) {
        if (virtualClock)
            platform.clock += ms;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    uint32_t ElapsedMs(RealClock::time_point since, RealClock::time_point until) const {
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(until - since).count());
    }
    // The time of play the song must be at, as known from the calls made and the time since.
    uint32_t Expected(RealClock::time_point now, uint32_t virtualMs) const {
        if (held) return anchorMs;
        return anchorMs + (virtualClock ? virtualMs : ElapsedMs(anchor, now));
    }
    void Seek(uint32_t ms) {
        MusicSeek(ms);
        anchor = RealClock::now();
        anchorMs = seekMs = ms;
        virtualSince = platform.clock;
    }
    void Pause(bool paused) {
        const RealClock::time_point now = RealClock::now();
        anchorMs = Expected(now, platform.clock - virtualSince);
        anchor = now;
        virtualSince = platform.clock;
        held = paused;
        MusicPause(paused);
    }
    // The position reported now against the time of play: exactly the timeline's on the virtual
    // clock; in real time no later than the time since the last call allows (a device plays at
    // most a few per cent fast) and no earlier than its buffer and the scheduler hold it back.
    void ExpectPosition(const char* when) {
        SCOPED_TRACE(when);
        const RealClock::time_point before = RealClock::now();
        const uint32_t position = MusicPosition();
        const RealClock::time_point after = RealClock::now();
        if (virtualClock) {
            const uint32_t ms = Expected(after, platform.clock - virtualSince);
            EXPECT_EQ(position, MusicPositionAt(ms)) << ms << " ms";
            return;
        }
        const uint32_t slow = GetParam() == Playing::OnADevice ? 60 : 3;
        const uint32_t earliest = Expected(before, 0), latest = Expected(after, 0);
        const uint32_t fast = (latest - seekMs) / 16 + 3;
        const uint32_t low =
            MusicPositionAt(earliest > seekMs + slow ? earliest - slow : seekMs);
        const uint32_t high = MusicPositionAt(latest + fast);
        EXPECT_GE(position, low) << "at " << earliest << " to " << latest << " ms";
        EXPECT_LE(position, high) << "at " << earliest << " to " << latest << " ms";
    }
    // A time of play some 20 ms into the row that `ms` is in, so that the row lasts 60 ms more.
    static uint32_t InARow(uint32_t ms) {
        const uint32_t position = MusicPositionAt(ms);
        while (ms > 0 && MusicPositionAt(ms - 1) == position) --ms;
        return ms + 20;
    }

};

// Forward, back, far forward (most of the song: a seek of more than 20 s jumps to its row in real
// time), back to the start: each time the song is where a play from its start is after that
// time, and plays on from there at the pace of its clock.
TEST_P(SoundSeekTest, SeekPutsTheSongWhereAPlayFromItsStartIsThen) {
    Wait(100);
    ExpectPosition("played from the start");
    // Played on after every seek on the virtual clock; in real time after a seek back and a far
    // one forward (each wait is a real one).
    for (const auto& [target, playOn] : {std::pair{2000u, virtualClock}, std::pair{700u, true},
                                         std::pair{26000u, true}, std::pair{0u, virtualClock},
                                         std::pair{9000u, virtualClock}}) {
        const uint32_t ms = target == 0 ? 0 : InARow(target);
        SCOPED_TRACE(ms);
        Seek(ms);
        EXPECT_EQ(MusicPosition(), MusicPositionAt(ms));
        if (!playOn) continue;
        Wait(150);
        ExpectPosition("150 ms on");
    }
}

class SoundSeekPastTheEndTest : public SoundSeekTest {};

// Past the end the song stays where it ended (libopenmpt reports order 0, row 0 there), as its
// timeline does; a seek back into it plays on from there.
TEST_P(SoundSeekPastTheEndTest, SeekPastTheEndLeavesTheSongAtItsEnd) {
    Wait(100);
    ASSERT_EQ(MusicPositionAt(kSongMs - 50), (kOrders - 1) << 8 | 63);
    const uint32_t end = MusicPositionAt(kSongMs + 60000);
    ASSERT_EQ(end, MusicPositionAt(kSongMs + 1000));
    Seek(kSongMs + 5000);
    EXPECT_EQ(MusicPosition(), end);
    Wait(100);
    EXPECT_EQ(MusicPosition(), end);
    const uint32_t back = InARow(4000);
    Seek(back);
    EXPECT_EQ(MusicPosition(), MusicPositionAt(back));
    Wait(150);
    ExpectPosition("played on after the end");
}

// Paused, the position stands still however long; paused or let go twice is once; let go, the
// song goes on from where it stood, not from where the time held would have taken it.
TEST_P(SoundSeekTest, PausedSongStandsStillAndGoesOnFromWhereItStood) {
    Seek(InARow(3000));
    Wait(100);
    ExpectPosition("before the pause");
    Pause(true);
    const uint32_t stood = MusicPosition();
    ExpectPosition("paused");
    Wait(virtualClock ? 60000 : 300);
    EXPECT_EQ(MusicPosition(), stood);
    MusicPause(true);
    Wait(50);
    EXPECT_EQ(MusicPosition(), stood);
    Pause(false);
    MusicPause(false);
    EXPECT_LE(MusicPosition(), stood + 1);  // at most the row under way in a device's buffer
    Wait(150);
    ExpectPosition("150 ms after the pause");
}

// A seek while paused, forward then back, stays paused there: the position is the target's for
// any time held, and the song goes on from the target once let go.
TEST_P(SoundSeekTest, SeekWhilePausedHoldsTheSongAtTheTarget) {
    Wait(60);
    Pause(true);
    Wait(60);
    for (const uint32_t target : {8000u, 1500u}) {
        const uint32_t ms = InARow(target);
        SCOPED_TRACE(ms);
        MusicSeek(ms);
        EXPECT_EQ(MusicPosition(), MusicPositionAt(ms));
        Wait(virtualClock ? 30000 : 200);
        EXPECT_EQ(MusicPosition(), MusicPositionAt(ms));
        anchorMs = seekMs = ms;
    }
    Pause(false);
    EXPECT_LE(MusicPosition(), MusicPositionAt(anchorMs) + 1);
    Wait(150);
    ExpectPosition("150 ms after the pause");
}

INSTANTIATE_TEST_SUITE_P(EveryWayOfPlaying, SoundSeekTest,
                         testing::Values(Playing::OnTheVirtualClock, Playing::Silently,
                                         Playing::OnADevice),
                         PlayingName);
INSTANTIATE_TEST_SUITE_P(EveryWayOfPlaying, SoundSeekPastTheEndTest,
                         testing::Values(Playing::OnTheVirtualClock, Playing::Silently,
                                         Playing::OnADevice),
                         PlayingName);

// The song on the virtual clock only, for what needs exact instants.
class SoundOnTheVirtualClockTest : public HostTest {
protected:
    std::vector<uint8_t> song = MakeShortSong();
    void SetUp() override {
        HostTest::SetUp();
        platform.useSystemLibraries = true;
        SetMusicClocks(true, false);
        ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr)) << errorState.errorCause;
        ASSERT_TRUE(MusicLoadMemory(song.data(), static_cast<uint32_t>(song.size())));
        platform.clock = 1000;
        MusicPlay();
    }
    void TearDown() override {
        MusicShutdown();
        HostTest::TearDown();
    }
    static int Call(MusicSlot slot) {
        return reinterpret_cast<int (*)(void*)>(musicBinding.functionTable[slot])(
            musicBinding.moduleHandle);
    }
};

// GetOrder latches the row of the position it read for the GetRow that follows, so that the pair
// belongs to one instant even when the song moves on between the calls (as a device's does);
// GetRow without a GetOrder before it reads the position anew. Row 63 of order 0 is heard until
// 5362.4 ms of play.
TEST_F(SoundOnTheVirtualClockTest, GetRowAfterGetOrderBelongsToTheSamePosition) {
    platform.clock = 1000 + 5362;
    EXPECT_EQ(Call(kSlotGetOrder), 0);
    platform.clock = 1000 + 5363;
    EXPECT_EQ(Call(kSlotGetRow), 63);  // the row GetOrder read
    EXPECT_EQ(Call(kSlotGetRow), 0);   // now
    EXPECT_EQ(Call(kSlotGetOrder), 1);
    EXPECT_EQ(Call(kSlotGetRow), 0);
    platform.clock = 1000 + 5363 + 84;
    EXPECT_EQ(Call(kSlotGetRow), 1);
}

// The timeline and the playing song agree on every millisecond of the first two orders (170 row
// changes, an order's among them), and after a pause and a seek back they still do.
TEST_F(SoundOnTheVirtualClockTest, TimelineIsThePlayingSongsPositionAtEveryMillisecond) {
    // From `from` to `until` ms of play, the song having played `from` ms at the clock now.
    const auto agreeFor = [&](uint32_t from, uint32_t until) {
        const uint32_t start = platform.clock - from;
        for (uint32_t ms = from; ms < until; ++ms) {
            platform.clock = start + ms;
            ASSERT_EQ(MusicPosition(), MusicPositionAt(ms)) << ms << " ms";
        }
    };
    agreeFor(0, 11000);
    EXPECT_EQ(MusicPositionAt(5362), 0x3Fu);
    EXPECT_EQ(MusicPositionAt(5363), 0x100u);
    MusicPause(true);
    platform.clock += 2000;
    MusicPause(false);
    MusicSeek(5000);
    agreeFor(5000, 6000);
}

// Stopped, the song is not put anywhere by a seek, held or let go by a pause; played again it
// starts from the start.
TEST_F(SoundOnTheVirtualClockTest, StoppedSongIgnoresSeekAndPause) {
    platform.clock = 1000 + 3000;
    MusicStop();
    const uint32_t stopped = MusicPosition();
    EXPECT_EQ(stopped, MusicPositionAt(3000));
    MusicSeek(10000);
    MusicPause(true);
    MusicPause(false);
    platform.clock += 5000;
    EXPECT_EQ(MusicPosition(), stopped);
    MusicPlay();
    platform.clock += 100;
    EXPECT_EQ(MusicPosition(), MusicPositionAt(100));
}

}  // namespace
}  // namespace qx::test
