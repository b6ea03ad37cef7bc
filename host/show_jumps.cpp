#include "host/show_jumps.h"

#include <algorithm>

#include "effects/drawing_switch.h"
#include "host/frame_loop.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "platform/offline_platform.h"
#include "platform/platform.h"
#include "scenes/scene_table.h"

namespace qx {

ShowJumpsState showJumpsState;

namespace {

OfflinePlatform shadowPlatform;  // the shadow show's clock
OfflinePlatform replayPlatform;  // a jump's clock, from the restored snapshot to the position

// Every row's start and every order's start before the last row's, ascending, once each.
std::vector<uint32_t> Thresholds() {
    std::vector<uint32_t> thresholds{0};
    for (uint32_t row = 1; row < kSceneRowCount; ++row) thresholds.push_back(RowStartPosition(row));
    const uint32_t lastOrder = RowStartPosition(kSceneRowCount - 1) >> 8;
    for (uint32_t order = 1; order <= lastOrder; ++order) thresholds.push_back(order << 8);
    std::sort(thresholds.begin(), thresholds.end());
    thresholds.erase(std::unique(thresholds.begin(), thresholds.end()), thresholds.end());
    return thresholds;
}

// While it lives, the show played is another one than the watched: its platform (a virtual
// clock) and the music positions of the song's timeline. The watched show's platform comes back
// with it.
class PlayingAside {
public:
    explicit PlayingAside(Platform& platform) : watched_(ThePlatform()) {
        UsePlatform(&platform);
        musicBinding.followTimeline = true;
    }
    ~PlayingAside() {
        musicBinding.followTimeline = false;
        drawingSwitch.off = false;
        UsePlatform(&watched_);
    }
    PlayingAside(const PlayingAside&) = delete;
    PlayingAside& operator=(const PlayingAside&) = delete;

private:
    Platform& watched_;
};

// One pass of the shadow show: each threshold its music position reaches gets its entry, taken
// as the pass is due and before it runs.
void PlayShadowPass() {
    ShowJumpsState& jumps = showJumpsState;
    SleepForPass();
    const uint32_t position = MusicPosition();
    while (jumps.entries.size() < jumps.thresholds.size() &&
           position >= jumps.thresholds[jumps.entries.size()]) {
        const ShowSnapshot beside =
            jumps.entries.empty() ? ShowSnapshot{} : jumps.entries.back().snapshot;
        SeekIndexEntry& entry = jumps.entries.emplace_back();
        entry.from = jumps.thresholds[jumps.entries.size() - 1];
        entry.reached = position;
        entry.snapshot.Take(ThePlatform().Milliseconds(), beside);
    }
    if (!PlayUnseenPass()) jumps.shadowEnded = true;
}

// Plays the shadow show while `more` says so, its state swapped in for the watched show's.
template <typename More>
void PlayShadow(More more) {
    ShowJumpsState& jumps = showJumpsState;
    if (!jumps.started || jumps.shadowEnded) return;
    const uint32_t watchedClock = ThePlatform().Milliseconds();
    jumps.live.Take(watchedClock, jumps.live);
    {
        PlayingAside aside(shadowPlatform);
        jumps.shadow.Restore(shadowPlatform.Milliseconds());
        do PlayShadowPass();
        while (!jumps.shadowEnded && more());
        jumps.shadow.Take(shadowPlatform.Milliseconds(), jumps.shadow);
    }
    jumps.live.Restore(watchedClock);
}

}  // namespace

void StartShowJumps() {
    StopShowJumps();
    ShowJumpsState& jumps = showJumpsState;
    jumps.thresholds = Thresholds();
    shadowPlatform = OfflinePlatform{};
    // The song starts with the show, as in the offline run.
    const uint32_t now = ThePlatform().Milliseconds();
    SetSongStartClock(now);
    jumps.shadow.Take(now, {});
    jumps.started = true;
}

void StopShowJumps() { showJumpsState = {}; }

bool BuildSeekIndex(uint32_t until) {
    Platform& watched = ThePlatform();
    uint32_t passes = 0;
    PlayShadow([&] {
        const auto left = static_cast<int32_t>(until - watched.Milliseconds());
        return ++passes < kShadowPassesPerTurn && left > 0;
    });
    return showJumpsState.started && !showJumpsState.shadowEnded;
}

JumpResult JumpTo(uint32_t position) {
    ShowJumpsState& jumps = showJumpsState;
    if (!jumps.started) StartShowJumps();
    // The entry to start from is the one of the last threshold at or before the position.
    const auto last = std::upper_bound(jumps.thresholds.begin(), jumps.thresholds.end(), position);
    const size_t wanted = static_cast<size_t>(last - jumps.thresholds.begin());
    PlayShadow([&] { return jumps.entries.size() < wanted; });
    if (jumps.entries.empty()) return JumpResult::PastTheEnd;
    const SeekIndexEntry& entry = jumps.entries[std::min(wanted, jumps.entries.size()) - 1];
    const uint32_t watchedClock = ThePlatform().Milliseconds();
    bool landed;
    uint32_t played, replayClock;
    {
        PlayingAside aside(replayPlatform);
        entry.snapshot.Restore(replayPlatform.Milliseconds());
        landed = position <= entry.reached || (PlayUnseenPass() && PlayUpTo(position));
        replayClock = replayPlatform.Milliseconds();
        played = MusicPlayedMilliseconds();
    }
    MoveShowTimes(watchedClock - replayClock);
    MusicSeek(played);
    return landed ? JumpResult::Landed : JumpResult::PastTheEnd;
}

bool ShowPassesAt(uint32_t position, uint64_t& passes) {
    for (const SeekIndexEntry& entry : showJumpsState.entries)
        if (entry.from == position) {
            passes = entry.snapshot.ShowPasses();
            return true;
        }
    return false;
}

size_t SeekIndexBytes() { return ShowSnapshot::PageBytesInUse(); }

}  // namespace qx
