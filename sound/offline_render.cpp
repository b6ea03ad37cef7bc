// Rendering without output: the silent and virtual modes, which render the playing song on
// demand up to the time of play (real or virtual), the sample sink that records those frames,
// the mixing of frames nobody hears, the frames a seek skips, and the change from the virtual
// clock to the real one. Main thread only.
#include <algorithm>
#include <iterator>

#include "sound/sound_state.h"

namespace qxsound {

namespace {

// The sink's frames past the song's end, so that it still gets one frame per frame of time.
void SinkSilence(uint64_t frames) {
    std::fill(std::begin(state.scratch), std::end(state.scratch), int16_t{0});
    while (frames > 0) {
        const uint64_t count = std::min<uint64_t>(kScratchFrames, frames);
        state.sampleSink(state.scratch, static_cast<uint32_t>(count), state.sampleSinkContext);
        frames -= count;
    }
}

// Up to `frames` (at most kScratchFrames) of the playing song into the scratch buffer; returns
// how many, fewer once the song has ended.
size_t RenderIntoScratch(uint64_t frames) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kScratchFrames, frames));
    const size_t got =
        openmpt_module_read_interleaved_stereo(state.song, kSampleRate, want, state.scratch);
    state.songFrames += got;
    return got;
}

// Silent and virtual modes: render without output up to the target frame count.
void RenderUpTo(uint64_t targetFrames) {
    MixFor(state.sampleSink != nullptr);
    while (state.framesRendered < targetFrames) {
        const size_t got = RenderIntoScratch(targetFrames - state.framesRendered);
        if (got == 0) {  // the song has ended; its position stays where it ended
            if (state.sampleSink != nullptr) SinkSilence(targetFrames - state.framesRendered);
            state.framesRendered = targetFrames;
            return;
        }
        if (state.sampleSink != nullptr)
            state.sampleSink(state.scratch, static_cast<uint32_t>(got), state.sampleSinkContext);
        state.framesRendered += got;
    }
}

}  // namespace

// The song's interpolation for frames that are heard (device mode, or recorded by a sink) or not.
void MixFor(bool heard) {
    if (state.song == nullptr || state.mixingUnheard == !heard) return;
    openmpt_module_set_render_param(state.song, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH,
                                    heard ? kHeardInterpolation : kUnheardInterpolation);
    state.mixingUnheard = !heard;
}

// Silent and virtual modes, with a song: while it plays and is not paused, renders it up to the
// time of play now, by the virtual clock or else real time since play started.
void RenderUpToNow() {
    if (!state.playing || state.paused) return;
    uint64_t elapsedMs;
    if (state.virtualClock != nullptr) {
        elapsedMs = static_cast<uint32_t>(state.virtualClock() - state.virtualPlayStart);
    } else {
        elapsedMs = static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - state.playStart)
                .count());
    }
    RenderUpTo(FramesAt(elapsedMs));
}

// Renders the playing song on by `frames` without output, mixed as the virtual clock mixes the
// frames it renders (heard when a sink records them), so that the frames after it are those of a
// play that rendered them all.
void SkipFrames(uint64_t frames) {
    MixFor(state.sampleSink != nullptr);
    while (frames > 0) {
        const size_t got = RenderIntoScratch(frames);
        if (got == 0) return;  // the song has ended
        frames -= got;
    }
}

// Ends the virtual clock, called while it still reads the time of the change: the song keeps the
// position rendered up to then and plays on from there on the audio device, or silently in real
// time without one. Until the device's first chunk is heard, that position is the one reported.
void UseRealClock() {
    if (state.virtualClock == nullptr) return;
    if (state.initialised && state.song != nullptr) CurrentPosition();
    state.virtualClock = nullptr;
    if (!state.initialised) return;
    const Clock::time_point now = Clock::now();
    if (!OpenDevice()) {
        CloseDevice();
        ReportSilenceOnce();
        // Real time since play started is the time already rendered.
        state.playStart =
            now - std::chrono::microseconds(state.framesRendered * 1000000 / kSampleRate);
        return;
    }
    // The device starts now: the time the pre-roll took is no silence of it.
    state.lastCallbackTenths.store(TenthsSinceEpoch(now), std::memory_order_relaxed);
    if (state.song == nullptr) return;
    MixFor(true);
    // The device is still paused: its thread does not publish yet.
    Publish(SongSnapshot(state.song, TenthsSinceEpoch(now)));
    if (state.playing) SDL_PauseAudioDevice(state.device, 0);
}

}  // namespace qxsound
