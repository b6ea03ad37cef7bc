// The module's life and its song: FSOUND_Init and FSOUND_Close, loading the song (its bytes kept
// for fresh instances), playing, pausing and stopping it, and the (order, row) the program asks
// for. Main thread only; what the audio thread also reads changes under the device lock.
#include <cstdio>
#include <utility>

#include "sound/sound_state.h"

namespace qxsound {

SoundModuleState state;

namespace {

openmpt_module* CreateSong(const void* data, size_t size) {
    openmpt_module* song = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent,
                                                              nullptr, openmpt_error_func_ignore,
                                                              nullptr, nullptr, nullptr, nullptr);
    if (song == nullptr) return nullptr;
    openmpt_module_set_repeat_count(song, 0);  // play once
    // No dither: its noise is seeded at random for every module, and the offline run must render
    // the same samples every time.
    openmpt_module_ctl_set_integer(song, "dither", 0);
    return song;
}

void ReplaceSong(openmpt_module* song, std::vector<uint8_t> bytes) {
    if (state.device != 0) SDL_LockAudioDevice(state.device);
    openmpt_module* old = state.song;
    state.song = song;
    state.songHandle = song;
    state.playing = false;
    state.mixingUnheard = false;  // a new song mixes at libopenmpt's default
    if (state.device != 0) SDL_UnlockAudioDevice(state.device);
    if (old != nullptr) openmpt_module_destroy(old);
    state.songBytes = std::move(bytes);
    ForgetTimeline();
}

}  // namespace

openmpt_module* FreshSong() {
    return state.songBytes.empty() ? nullptr
                                   : CreateSong(state.songBytes.data(), state.songBytes.size());
}

int Init(int mixRate, int maxSoftwareChannels) {
    if (mixRate <= 0 || maxSoftwareChannels <= 0) return 0;
    if (state.initialised) return 1;
    state.epoch = Clock::now();
    state.snapshotCount.store(0);
    state.lastCallbackTenths.store(0);
    state.reportedLoss = false;
    ReadSimulatedLoss();
    if (state.virtualClock == nullptr && !OpenDevice()) {
        CloseDevice();
        ReportSilenceOnce();
    }
    state.initialised = true;
    return 1;
}

void Close() {
    if (state.device != 0) SDL_PauseAudioDevice(state.device, 1);
    ReplaceSong(nullptr, {});
    CloseDevice();
    state.sampleSink = nullptr;
    state.sampleSinkContext = nullptr;
    state.paused = false;
    // As a fresh load of the module: linked into the program (the browser build) it is not
    // unloaded, and a next FSOUND_Init must not find the last run's clock or reports.
    state.virtualClock = nullptr;
    state.reportedSilence = false;
    state.initialised = false;
}

void* LoadSongMemory(void* data, int length) {
    if (!state.initialised || data == nullptr || length <= 0) return nullptr;
    const auto* bytes = static_cast<const uint8_t*>(data);
    openmpt_module* song = CreateSong(data, static_cast<size_t>(length));
    if (song == nullptr) return nullptr;
    ReplaceSong(song, std::vector<uint8_t>(bytes, bytes + length));
    return song;
}

void* LoadSong(const char* name) {
    if (!state.initialised || name == nullptr) return nullptr;
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) return nullptr;
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || bytes.empty()) return nullptr;
    openmpt_module* song = CreateSong(bytes.data(), bytes.size());
    if (song == nullptr) return nullptr;
    ReplaceSong(song, std::move(bytes));
    return song;
}

int PlaySong(void* song) {
    if (song == nullptr || song != state.songHandle) return 0;
    if (state.device != 0) SDL_LockAudioDevice(state.device);
    openmpt_module_set_position_order_row(state.song, 0, 0);
    state.snapshotCount.store(0);  // a replay must not report the last play's positions
    state.playing = true;
    state.framesRendered = 0;
    state.songFrames = 0;
    state.playStart = Clock::now();
    if (state.virtualClock != nullptr) state.virtualPlayStart = state.virtualClock();
    if (state.device != 0) {
        SDL_UnlockAudioDevice(state.device);
        SDL_PauseAudioDevice(state.device, 0);
    }
    return 1;
}

int StopSong(void* song) {
    if (song == nullptr || song != state.songHandle) return 0;
    if (state.device != 0) {
        SDL_LockAudioDevice(state.device);
        state.playing = false;
        SDL_UnlockAudioDevice(state.device);
    } else {
        CurrentPosition();  // keep the position reached up to now
        state.playing = false;
    }
    return 1;
}

// Holds the song where it is heard now (1) or lets it go on from there (0). With a device, the
// device is paused and its silence is no loss; silently, the clock that the song is rendered by
// stops; on the virtual clock, the song skips the virtual time held.
void Pause(int paused) {
    if (!state.initialised || (paused != 0) == state.paused) return;
    if (state.virtualClock != nullptr) {
        if (paused != 0) {
            CurrentPosition();  // rendered up to now
            state.pausedAtVirtual = state.virtualClock();
        } else {
            state.virtualPlayStart += state.virtualClock() - state.pausedAtVirtual;
        }
        state.paused = paused != 0;
        return;
    }
    const Clock::time_point now = Clock::now();
    if (paused != 0) {
        CurrentPosition();  // silently: rendered up to now
        if (state.device != 0) SDL_PauseAudioDevice(state.device, 1);
        state.pausedAt = now;
        state.paused = true;
        return;
    }
    // The silent clock and the loss checks skip the time held.
    state.playStart += now - state.pausedAt;
    state.paused = false;
    if (state.device != 0) {
        state.lastCallbackTenths.store(TenthsSinceEpoch(now), std::memory_order_relaxed);
        if (state.playing) SDL_PauseAudioDevice(state.device, 0);
    }
}

int GetOrder(void* song) {
    if (song == nullptr || song != state.songHandle) return 0;  // no song: the start of nothing
    const uint64_t s = CurrentPosition();
    state.rowLatched = true;
    state.latchedRow = static_cast<int32_t>(s & 0xFFFF);
    return static_cast<int>((s >> 16) & 0xFFFF);
}

int GetRow(void* song) {
    if (song == nullptr || song != state.songHandle) return 0;  // no song: the start of nothing
    if (state.rowLatched) {
        state.rowLatched = false;
        return state.latchedRow;
    }
    return static_cast<int>(CurrentPosition() & 0xFFFF);
}

}  // namespace qxsound
