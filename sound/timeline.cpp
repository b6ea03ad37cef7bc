// Where the song is after any time of play, for a program that plays its show ahead of the music
// or jumps about in it: a timeline kept by a private instance of the song, rendered forward once,
// unheard (QXSOUND_PositionAt); and putting the playing song at any time of play, with exactly
// the state a play from its start reaches there (QXSOUND_Seek). Main thread only.
#include <algorithm>
#include <utility>

#include "sound/sound_state.h"

namespace qxsound {

namespace {

// Plays the timeline's instance on to `milliseconds` (or the song's end), a millisecond a read,
// so that the position after every whole millisecond is known. False without a song.
bool ExtendTimeline(uint32_t milliseconds) {
    Timeline& timeline = state.timeline;
    if (timeline.song == nullptr) {
        timeline.song = FreshSong();
        if (timeline.song == nullptr) return false;
        openmpt_module_set_render_param(
            timeline.song, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, kUnheardInterpolation);
        timeline.changes.push_back(SongSnapshot(timeline.song, 0));
    }
    while (timeline.renderedMs < milliseconds && !timeline.ended) {
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
    return true;
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
    const std::vector<uint64_t>& changes = state.timeline.changes;
    const uint64_t key = uint64_t{milliseconds} << 32 | 0xFFFFFFFFu;
    const auto after = std::upper_bound(changes.begin(), changes.end(), key);
    return static_cast<uint32_t>(*(after - 1) & 0xFFFFFFFFu);
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
