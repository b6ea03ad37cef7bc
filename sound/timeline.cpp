// Where the song is after any time of play, for a program that plays its show ahead of the music
// or jumps about in it: a timeline kept by a private instance of the song, rendered forward once,
// unheard (QXSOUND_PositionAt), or handed over by another instance of the module that has
// rendered it already (QXSOUND_TimelineChanges, QXSOUND_AddTimeline); where each order starts
// (QXSOUND_OrderLayout); and putting the playing song at any time of play (QXSOUND_Seek): with
// exactly the state a play from its start reaches there, or, for a far seek while the song is
// heard in real time, at the start of the row by libopenmpt's synced seek and exactly rendered on
// from there. Main thread only.
#include <algorithm>
#include <cmath>
#include <utility>

#include "sound/sound_state.h"

namespace qxsound {

namespace {

// A time of play, in ms, from which a seek jumps to its row instead of rendering the whole way
// (device and silent modes only: the offline run renders every seek exactly, for its frames must
// be the same in every run). Rendering that much takes about 5 ms here, a jump to a row (a fresh
// instance of the song and libopenmpt's seek) about 7.
inline constexpr uint64_t kRenderedSeekLimit = 3000;

// Renders `frames` of a song without output into the scratch buffer; false once it has ended.
bool RenderUnheard(openmpt_module* song, uint64_t frames) {
    while (frames > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kScratchFrames, frames));
        const size_t got =
            openmpt_module_read_interleaved_stereo(song, kSampleRate, want, state.scratch);
        if (got < want) return false;
        frames -= got;
    }
    return true;
}

// Plays the timeline's instance on to `milliseconds` (or the song's end), a millisecond a read,
// so that the position after every whole millisecond is known. False without a song.
bool ExtendTimeline(uint32_t milliseconds) {
    Timeline& timeline = state.timeline;
    if (timeline.song == nullptr) {
        timeline.song = FreshSong();
        if (timeline.song == nullptr) return false;
        openmpt_module_set_render_param(
            timeline.song, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, kUnheardInterpolation);
        if (timeline.changes.empty()) timeline.changes.push_back(SongSnapshot(timeline.song, 0));
    }
    if (timeline.renderedMs >= milliseconds || timeline.ended) return true;
    // Changes handed over: the instance catches up with them first, unrecorded.
    if (timeline.songMs < timeline.renderedMs) {
        if (!RenderUnheard(timeline.song,
                           FramesAt(timeline.renderedMs) - FramesAt(timeline.songMs))) {
            timeline.ended = true;
            return true;
        }
        timeline.songMs = timeline.renderedMs;
    }
    while (timeline.renderedMs < milliseconds) {
        const size_t want =
            static_cast<size_t>(FramesAt(timeline.renderedMs + 1) - FramesAt(timeline.renderedMs));
        const size_t got =
            openmpt_module_read_interleaved_stereo(timeline.song, kSampleRate, want, state.scratch);
        if (got < want) {  // the song has ended; its position stays where it ended
            timeline.ended = true;
            break;
        }
        ++timeline.renderedMs;
        const uint64_t position = SongSnapshot(timeline.song, 0);
        if (position != (timeline.changes.back() & 0xFFFFFFFFu))
            timeline.changes.push_back(uint64_t{timeline.renderedMs} << 32 | position);
    }
    timeline.songMs = timeline.renderedMs;
    return true;
}

// The timeline's change in force after `milliseconds`: (ms << 32) | (order << 16) | row.
uint64_t ChangeAt(uint32_t milliseconds) {
    const std::vector<uint64_t>& changes = state.timeline.changes;
    const uint64_t key = uint64_t{milliseconds} << 32 | 0xFFFFFFFFu;
    return *(std::upper_bound(changes.begin(), changes.end(), key) - 1);
}

// A fresh instance of the song at the start of the row that is playing after `milliseconds`, its
// voices where libopenmpt's synced seek puts them, and the frames of play it stands for (the
// row's first whole millisecond); null when the timeline or the song cannot be had.
openmpt_module* SongAtRow(uint32_t milliseconds, uint64_t& frames) {
    if (!ExtendTimeline(milliseconds)) return nullptr;
    uint64_t change = ChangeAt(milliseconds);
    // Past the song's end the timeline's last change is where libopenmpt reports an ended song
    // (order 0, row 0): the jump goes to the last row played, and rendering on ends the song.
    const std::vector<uint64_t>& changes = state.timeline.changes;
    if (state.timeline.ended && changes.size() > 1 && change == changes.back())
        change = changes[changes.size() - 2];
    openmpt_module* song = FreshSong();
    if (song == nullptr) return nullptr;
    openmpt_module_ctl_set_boolean(song, "seek.sync_samples", 1);
    openmpt_module_set_position_order_row(song, static_cast<int32_t>((change >> 16) & 0xFFFF),
                                          static_cast<int32_t>(change & 0xFFFF));
    frames = FramesAt(change >> 32);
    return song;
}

}  // namespace

// With the song it was built for (a new song forgets it).
void ForgetTimeline() {
    if (state.timeline.song != nullptr) openmpt_module_destroy(state.timeline.song);
    state.timeline = {};
}

// Where the song is after `milliseconds` of play from its start, whatever the playing song is
// doing: (order << 16) | row, as the virtual clock would find it then. The song's end position
// past its end; 0 without a song.
uint32_t PositionAt(uint32_t milliseconds) {
    if (!ExtendTimeline(milliseconds)) return 0;
    return static_cast<uint32_t>(ChangeAt(milliseconds) & 0xFFFFFFFFu);
}

// Copies the timeline's changes from index `first` on, at most `capacity`, and says up to which
// ms they are known; returns how many were copied.
uint32_t TimelineChanges(uint64_t* changes, uint32_t first, uint32_t capacity, uint32_t* knownMs) {
    const Timeline& timeline = state.timeline;
    if (knownMs != nullptr) *knownMs = timeline.ended ? UINT32_MAX : timeline.renderedMs;
    if (changes == nullptr || first >= timeline.changes.size()) return 0;
    const auto count =
        static_cast<uint32_t>(std::min<size_t>(capacity, timeline.changes.size() - first));
    std::copy_n(timeline.changes.begin() + first, count, changes);
    return count;
}

// Takes changes another instance of the module rendered for the same song, known up to `knownMs`
// (UINT32_MAX: the whole song): those past what this timeline knows are added, in order; nothing
// that contradicts it is taken.
void AddTimeline(const uint64_t* changes, uint32_t count, uint32_t knownMs) {
    Timeline& timeline = state.timeline;
    if (state.songBytes.empty() || changes == nullptr || count == 0 || timeline.ended) return;
    if (timeline.changes.empty()) {
        if ((changes[0] >> 32) != 0) return;
        timeline.changes.push_back(changes[0]);
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t change = changes[i];
        if ((change >> 32) <= timeline.renderedMs) continue;
        if (change <= timeline.changes.back()) return;  // out of order: not this song's
        timeline.changes.push_back(change);
    }
    if (knownMs == UINT32_MAX) {
        timeline.ended = true;
        timeline.renderedMs = std::max(timeline.renderedMs,
                                       static_cast<uint32_t>(timeline.changes.back() >> 32));
    } else {
        timeline.renderedMs = std::max(timeline.renderedMs, knownMs);
    }
}

// Where each order starts, in ms of play, and its rows, by libopenmpt's own reckoning of the
// song's tempo, for at most `capacity` orders; returns how many the song has (0 without a song).
uint32_t OrderLayout(uint32_t* startMs, uint32_t* rows, uint32_t capacity) {
    if (state.songBytes.empty()) return 0;
    openmpt_module* song = FreshSong();
    if (song == nullptr) return 0;
    const auto orders = static_cast<uint32_t>(std::max(openmpt_module_get_num_orders(song), 0));
    for (uint32_t order = 0; order < orders && order < capacity; ++order) {
        const int32_t pattern = openmpt_module_get_order_pattern(song, static_cast<int32_t>(order));
        const double seconds =
            openmpt_module_set_position_order_row(song, static_cast<int32_t>(order), 0);
        if (startMs != nullptr) startMs[order] = static_cast<uint32_t>(std::lround(seconds * 1000));
        if (rows != nullptr)
            rows[order] = static_cast<uint32_t>(
                std::max(openmpt_module_get_pattern_num_rows(song, pattern), 0));
    }
    openmpt_module_destroy(song);
    return orders;
}

// Puts the playing song where a play from its start is after `milliseconds`, heard from now on:
// exactly that state, rendered on without output from where it is when that lies ahead, else
// from a fresh instance of the song. A paused song stays paused there, held from now on; the
// sample sink gets none of the frames skipped. Nothing without a playing song.
void Seek(uint32_t milliseconds) {
    if (!state.initialised || state.song == nullptr || !state.playing) return;
    if (state.device != 0 && !state.paused && DeviceLost()) TakeSongBack();
    const bool device = state.device != 0;
    if (device) SDL_PauseAudioDevice(state.device, 1);
    const uint64_t target = FramesAt(milliseconds);
    const uint64_t toRender = target < state.songFrames ? target : target - state.songFrames;
    if (state.virtualClock == nullptr && toRender > FramesAt(kRenderedSeekLimit)) {
        uint64_t rowFrames = 0;
        openmpt_module* atRow = SongAtRow(milliseconds, rowFrames);
        if (atRow != nullptr) {
            if (device) SDL_LockAudioDevice(state.device);
            std::swap(state.song, atRow);
            state.mixingUnheard = false;
            state.songFrames = rowFrames;
            if (device) SDL_UnlockAudioDevice(state.device);
            openmpt_module_destroy(atRow);
        }
    }
    if (target < state.songFrames) {
        openmpt_module* fresh = FreshSong();
        if (fresh == nullptr) {  // the song plays on where it was
            if (device && !state.paused) SDL_PauseAudioDevice(state.device, 0);
            return;
        }
        if (device) SDL_LockAudioDevice(state.device);
        std::swap(state.song, fresh);
        state.mixingUnheard = false;
        state.songFrames = 0;
        if (device) SDL_UnlockAudioDevice(state.device);
        openmpt_module_destroy(fresh);
    }
    SkipFrames(target - state.songFrames);
    const Clock::time_point now = Clock::now();
    state.pausedAt = now;
    if (state.virtualClock != nullptr) {
        state.pausedAtVirtual = state.virtualClock();
        state.virtualPlayStart = state.pausedAtVirtual - milliseconds;
        state.framesRendered = target;
    } else if (!device) {
        state.playStart = now - std::chrono::microseconds(target * 1000000 / kSampleRate);
        state.framesRendered = target;
    } else {
        // Heard from now: positions published before the seek belong to the song as it was.
        MixFor(true);
        state.snapshotCount.store(0);
        Publish(SongSnapshot(state.song, 0));
        state.lastCallbackTenths.store(TenthsSinceEpoch(now), std::memory_order_relaxed);
        if (!state.paused) SDL_PauseAudioDevice(state.device, 0);
    }
}

}  // namespace qxsound
