#include "host/show_jumps.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/byte_stream.h"
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

inline constexpr uint32_t kEntryMagic = 0x45535851;  // "QXSE"

OfflinePlatform shadowPlatform;  // the shadow show's clock
OfflinePlatform replayPlatform;  // a jump's clock, from the restored snapshot to the position

// Every row's start and every kIndexRowStep music rows of the orders before the last row's
// start, ascending, once each.
std::vector<uint32_t> Thresholds() {
    std::vector<uint32_t> thresholds{0};
    for (uint32_t row = 1; row < kSceneRowCount; ++row) thresholds.push_back(RowStartPosition(row));
    const uint32_t lastOrder = RowStartPosition(kSceneRowCount - 1) >> 8;
    for (uint32_t order = 0; order <= lastOrder; ++order)
        for (uint32_t row = 0; row < kRowsPerOrder; row += kIndexRowStep)
            if (order > 0 || row > 0) thresholds.push_back(order << 8 | row);
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
    // The index from outside: nothing to play here.
    if (!jumps.started || jumps.shadowEnded || jumps.fromOutside) return;
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
    // The song starts with the show, as in the offline run, on the clock at which pacing began
    // (so that the state at program start is the same on every platform, clock for clock).
    const uint32_t now = loopState.paceStart;
    SetSongStartClock(now);
    jumps.shadow.Take(now, {});
    jumps.start = jumps.shadow;
    jumps.started = true;
}

void StopShowJumps() { showJumpsState = {}; }

bool BuildSeekIndex(uint32_t until) {
    if (showJumpsState.fromOutside) return !showJumpsState.shadowEnded;
    Platform& watched = ThePlatform();
    uint32_t passes = 0;
    PlayShadow([&] {
        const auto left = static_cast<int32_t>(until - watched.Milliseconds());
        return ++passes < kShadowPassesPerTurn && left > 0;
    });
    return showJumpsState.started && !showJumpsState.shadowEnded;
}

namespace {

// How many entries a jump to `position` needs: up to the last threshold at or before it.
size_t EntriesWanted(uint32_t position) {
    const ShowJumpsState& jumps = showJumpsState;
    const auto last = std::upper_bound(jumps.thresholds.begin(), jumps.thresholds.end(), position);
    return static_cast<size_t>(last - jumps.thresholds.begin());
}

}  // namespace

bool JumpReady(uint32_t position) {
    const ShowJumpsState& jumps = showJumpsState;
    return !jumps.started || !jumps.fromOutside || jumps.shadowEnded ||
           jumps.entries.size() >= EntriesWanted(position);
}

JumpResult JumpTo(uint32_t position) {
    ShowJumpsState& jumps = showJumpsState;
    if (!jumps.started) StartShowJumps();
    if (!JumpReady(position)) return JumpResult::NotReady;
    // The entry to start from is the one of the last threshold at or before the position.
    const size_t wanted = EntriesWanted(position);
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

void TakeSeekIndexFromOutside(bool outside) {
    ShowJumpsState& jumps = showJumpsState;
    if (jumps.fromOutside == outside) return;
    jumps.fromOutside = outside;
    jumps.offered.clear();
    // Built here again: the shadow show goes on from the last entry (taken as its pass was due,
    // before it ran, as the shadow show is between its turns).
    if (!outside && !jumps.entries.empty()) {
        jumps.shadow = jumps.entries.back().snapshot;
        jumps.shadowEnded = false;
    }
}

void OfferSeekIndexEntry(const uint8_t* bytes, size_t size) {
    if (showJumpsState.fromOutside && bytes != nullptr)
        showJumpsState.offered.emplace_back(bytes, bytes + size);
}

namespace {

// Whether `entry`, the first from outside, is this show's state at program start: restored on
// the clock of our own, it must leave every byte as that.
bool SameStart(const ShowSnapshot& entry) {
    ShowJumpsState& jumps = showJumpsState;
    const uint32_t clock = ThePlatform().Milliseconds();
    jumps.live.Take(clock, jumps.live);
    entry.Restore(jumps.start.Clock());
    ShowSnapshot check;
    check.Take(jumps.start.Clock(), jumps.start);
    jumps.live.Restore(clock);
    return check.SameAs(jumps.start);
}

// One entry from outside; the cause of its refusal in `refused`.
bool ImportEntry(const std::vector<uint8_t>& bytes, const char*& refused) {
    ShowJumpsState& jumps = showJumpsState;
    const uint8_t* at = bytes.data();
    const uint8_t* end = at + bytes.size();
    uint32_t magic = 0, from = 0, reached = 0, changeCount = 0, knownMs = 0;
    refused = "damaged";
    if (!TakeValue(at, end, magic) || magic != kEntryMagic || !TakeValue(at, end, from) ||
        !TakeValue(at, end, reached) || !TakeValue(at, end, changeCount) ||
        !TakeValue(at, end, knownMs) ||
        static_cast<size_t>(end - at) / sizeof(uint64_t) < changeCount)
        return false;
    std::vector<uint64_t> changes(changeCount);
    if (changeCount > 0) std::memcpy(changes.data(), at, changeCount * sizeof(uint64_t));
    at += changeCount * sizeof(uint64_t);
    refused = "out of order";
    const size_t index = jumps.entries.size();
    if (index >= jumps.thresholds.size() || from != jumps.thresholds[index] || reached < from)
        return false;
    SeekIndexEntry entry;
    refused = "of another program";
    if (!entry.snapshot.Read(at, end, index == 0 ? ShowSnapshot{} : jumps.entries.back().snapshot))
        return false;
    refused = "of another show";
    if (index == 0 && !SameStart(entry.snapshot)) return false;
    entry.from = from;
    entry.reached = reached;
    jumps.entries.push_back(std::move(entry));
    MusicAddTimeline(changes.data(), changeCount, knownMs);
    if (jumps.entries.size() == jumps.thresholds.size()) jumps.shadowEnded = true;
    return true;
}

}  // namespace

bool ImportSeekIndexEntries() {
    ShowJumpsState& jumps = showJumpsState;
    if (!jumps.fromOutside || jumps.offered.empty()) return false;
    if (!jumps.started) StartShowJumps();
    std::vector<std::vector<uint8_t>> offered;
    offered.swap(jumps.offered);
    bool added = false;
    for (const std::vector<uint8_t>& bytes : offered) {
        const char* refused = "";
        if (!ImportEntry(bytes, refused)) {
            std::fprintf(stderr,
                         "QX_Marrowtide: a seek index entry from outside was %s; the index is "
                         "built here\n",
                         refused);
            TakeSeekIndexFromOutside(false);
            return added;
        }
        added = true;
    }
    return added;
}

void PublishWholeSeekIndex() {
    ShowJumpsState& jumps = showJumpsState;
    if (!jumps.started) StartShowJumps();
    Platform& publisher = ThePlatform();  // the watched show's, not the shadow show's
    size_t written = 0;
    size_t bytesWritten = 0;
    uint32_t timelineSent = 0;  // the song's timeline changes handed over so far
    std::vector<uint64_t> changes;
    const auto publish = [&] {
        for (; written < jumps.entries.size(); ++written) {
            SeekIndexEntry& entry = jumps.entries[written];
            uint32_t knownMs = 0;
            changes.resize(4096);
            const uint32_t count =
                MusicTimelineChanges(changes.data(), timelineSent,
                                     static_cast<uint32_t>(changes.size()), knownMs);
            // Known up to the last change handed over when not all of them fitted.
            if (count == changes.size()) knownMs = static_cast<uint32_t>(changes.back() >> 32);
            timelineSent += count;
            std::vector<uint8_t> bytes;
            AppendValue(bytes, kEntryMagic);
            AppendValue(bytes, entry.from);
            AppendValue(bytes, entry.reached);
            AppendValue(bytes, count);
            AppendValue(bytes, knownMs);
            const auto* changeBytes = reinterpret_cast<const uint8_t*>(changes.data());
            bytes.insert(bytes.end(), changeBytes, changeBytes + count * sizeof(uint64_t));
            entry.snapshot.Write(written == 0 ? ShowSnapshot{} : jumps.entries[written - 1].snapshot,
                                 bytes);
            publisher.PublishSeekIndexEntry(bytes.data(), bytes.size());
            bytesWritten += bytes.size();
            std::printf("%02X:%02X reached at %02X:%02X, pass %" PRIu64 ", %zu bytes\n",
                        (entry.from >> 8) & 0xFF, entry.from & 0xFF, (entry.reached >> 8) & 0xFF,
                        entry.reached & 0xFF, entry.snapshot.ShowPasses(), bytes.size());
            // Its pages live on in the next entry where they are the same.
            if (written > 0) jumps.entries[written - 1].snapshot = ShowSnapshot{};
        }
    };
    // Ctrl+C or SIGTERM ends it between two passes.
    PlayShadow([&] {
        publish();
        return loopState.quitFlag == 0;
    });
    publish();
    std::printf("%zu entries, %.1f MB\n", written, static_cast<double>(bytesWritten) / 1e6);
}

}  // namespace qx
