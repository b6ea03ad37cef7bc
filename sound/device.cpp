// The audio device: opening and closing it, its callback on SDL's audio thread, which renders
// the song and publishes the (order, row) of each chunk with the time it will be heard, and the
// position heard now, read from those snapshots (or rendered up to now without a device).
#include <algorithm>
#include <cstdio>

#include "sound/sound_state.h"

namespace qxsound {

namespace {

void FillFromSong(int16_t* out, size_t frames) {
    size_t done = 0;
    if (state.song != nullptr && state.playing) {
        while (done < frames) {
            const size_t want = std::min(kChunkFrames, frames - done);
            const size_t got = openmpt_module_read_interleaved_stereo(state.song, kSampleRate, want,
                                                                      out + done * 2);
            done += got;
            state.songFrames += got;
            if (got < want) break;  // the song has ended
        }
    }
    std::fill(out + done * 2, out + frames * 2, int16_t{0});
}

// SDL audio thread, under the device lock: render chunk by chunk, publishing each chunk's start
// position with the time it will leave the speakers. Silence without touching the song once the
// main thread has taken it back, or while not playing.
void AudioCallback(void*, Uint8* stream, int length) {
    auto* out = reinterpret_cast<int16_t*>(stream);
    const size_t frames = static_cast<size_t>(length) / 4;
    const Clock::time_point now = Clock::now();
    if (state.songTakenBack || state.song == nullptr || !state.playing ||
        SimulatedLossDue(SimulatedLoss::Stalled, now)) {
        std::fill(out, out + frames * 2, int16_t{0});
        return;
    }
    state.lastCallbackTenths.store(TenthsSinceEpoch(now), std::memory_order_relaxed);
    const double heardAt = static_cast<double>(TenthsSinceEpoch(now)) + state.deviceLatencyTenths;
    for (size_t done = 0; done < frames; done += kChunkFrames) {
        const size_t chunk = std::min(kChunkFrames, frames - done);
        const double offset = static_cast<double>(done) * 10000.0 / kSampleRate;
        Publish(SongSnapshot(state.song, static_cast<uint64_t>(heardAt + offset)));
        FillFromSong(out + done * 2, chunk);
    }
}

}  // namespace

// Audio thread (or the main thread while the device is paused): a ring of the last
// kSnapshotCapacity snapshots, its count released after the snapshot is in place.
void Publish(uint64_t snapshot) {
    const uint64_t n = state.snapshotCount.load(std::memory_order_relaxed);
    state.snapshots[n % kSnapshotCapacity].store(snapshot, std::memory_order_relaxed);
    state.snapshotCount.store(n + 1, std::memory_order_release);
}

uint64_t CurrentPosition() {
    if (state.song == nullptr) return 0;
    if (state.device != 0 && !state.paused && DeviceLost()) TakeSongBack();
    if (state.device != 0) {
        const uint64_t count = state.snapshotCount.load(std::memory_order_acquire);
        if (count == 0) return 0;
        const uint64_t now = TenthsSinceEpoch(state.paused ? state.pausedAt : Clock::now());
        const uint64_t oldest = count > kSnapshotCapacity ? count - kSnapshotCapacity : 0;
        for (uint64_t i = count; i > oldest; --i) {
            const uint64_t s =
                state.snapshots[(i - 1) % kSnapshotCapacity].load(std::memory_order_relaxed);
            if ((s >> 32) <= now) return s;
        }
        return 0;  // nothing is audible yet: the song's first row is still ahead
    }
    RenderUpToNow();
    return SongSnapshot(state.song, 0);
}

void ReportSilenceOnce() {
    if (state.reportedSilence) return;
    state.reportedSilence = true;
    std::fputs("QX_Marrowtide: no audio device; the music plays silently\n", stderr);
}

// The device opens paused; false when SDL's audio or the device cannot be had (CloseDevice then
// undoes what was done).
bool OpenDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    state.audioSubsystem = true;
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = AudioCallback;
    SDL_AudioSpec have{};
    state.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (state.device == 0) return false;
    // What is written now is heard once the buffer ahead of it has played.
    state.deviceLatencyTenths = static_cast<double>(have.samples) * 10000.0 / have.freq;
    return true;
}

void CloseDevice() {
    for (SDL_AudioDeviceID* device : {&state.device, &state.lostDevice}) {
        if (*device != 0) SDL_CloseAudioDevice(*device);
        *device = 0;
    }
    state.songTakenBack = false;
    if (state.audioSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        state.audioSubsystem = false;
    }
}

}  // namespace qxsound
