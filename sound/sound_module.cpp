// The sound module: a shared library, loaded by the music binding at run time, that plays one
// tracker module (XM) from memory and reports which order and row are being heard.
//
// Three ways to play, chosen at FSOUND_Init:
//   device   libopenmpt renders on SDL's audio thread; after each 64-frame chunk the thread
//            publishes the (order, row) that chunk starts with, stamped with the time it will be
//            heard (now + one device buffer). The main thread only reads those snapshots.
//            When the device goes away while the song plays (SDL reports it stopped, as after
//            SDL_AUDIODEVICEREMOVED, or its callback has not rendered for a second), the main
//            thread takes the song back and plays on silently from the frames rendered so far.
//   silent   no audio device could be opened: the song is rendered on demand, without output,
//            up to the real time elapsed since play started, so timing is kept.
//   virtual  the program supplied a clock (the offline run): as silent, but up to the clock's
//            time, so exactly floor(t * 44100 / 1000) frames have been rendered at time t ms.
//            A sample sink, when the program gave one, receives every one of those frames in
//            order (silence once the song has ended), for recording the run.
// Frames nobody hears (silent and virtual modes without a sink) are mixed without interpolation,
// three times as fast: the mixer's interpolation changes sample values, never the timing of rows.
// A run that starts the show part-way through plays virtual up to the start, then changes to
// device (or silent) mode with the song where the virtual clock has brought it.
//
// For a program that plays its show ahead of the music or jumps about in it, the module also
// answers where the song is after any time of play (a timeline kept by a private instance of the
// song, rendered forward once, unheard) and puts the playing song at any time of play (Seek),
// with exactly the state a play from its start reaches there.
//
// Exported names are the plain names of the classic sound library's entry points; only the
// calls and results the program relies on are implemented. MPEG streams are not supported.
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#define QX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t kSampleRate = 44100;      // frames per second, stereo 16-bit
constexpr uint16_t kDeviceFrames = 512;     // device buffer: 11.6 ms
constexpr size_t kChunkFrames = 64;         // position resolution: 1.45 ms
constexpr size_t kSnapshotCapacity = 2048;  // about 3 s of chunk snapshots
constexpr size_t kScratchFrames = 4096;     // render scratch for silent playing
// A device whose callback has not run for this long while the song plays is taken as gone.
// Device buffers last 11.6 ms; a full second of silence is no hiccup.
constexpr uint64_t kStallTimeoutTenths = 10000;  // 0.1 ms units
// Interpolation filter lengths: libopenmpt's own choice, and none (zero-order hold).
constexpr int32_t kHeardInterpolation = 0;
constexpr int32_t kUnheardInterpolation = 1;
// A time of play in ms is floor(ms * kSampleRate / 1000) frames.
constexpr uint64_t FramesAt(uint64_t milliseconds) { return milliseconds * kSampleRate / 1000; }

using Clock = std::chrono::steady_clock;
using VirtualClock = uint32_t (*)();
// Interleaved stereo 16-bit frames as rendered, `frames` of them, and the sink's own context.
using SampleSink = void (*)(const int16_t* samples, uint32_t frames, void* context);

// A snapshot packs (heard time in 0.1 ms since the module's epoch) << 32 | order << 16 | row.
uint64_t Pack(uint64_t tenthsOfMs, uint32_t order, uint32_t row) {
    return (tenthsOfMs << 32) | ((order & 0xFFFF) << 16) | (row & 0xFFFF);
}

// Fault injection for tests, read at FSOUND_Init from QXSOUND_SIMULATE_DEVICE_LOSS:
// "removed:MS" makes an opened device count as stopped by SDL from MS ms after play starts,
// "stalled:MS" stops its callback from rendering from then on.
enum class SimulatedLoss : uint8_t { None, Removed, Stalled };

// Where the song is after every whole millisecond of play from its start: a private instance
// rendered forward one millisecond at a time, its (order, row) noted whenever it changes.
struct Timeline {
    openmpt_module* song = nullptr;
    uint32_t renderedMs = 0;  // the instance has played this long
    bool ended = false;       // the song ended before renderedMs + 1
    // (ms << 32) | (order << 16) | row: from that ms on, until the next entry. Ascending.
    std::vector<uint64_t> changes;
};

struct SoundModuleState {
    bool initialised = false;
    VirtualClock virtualClock = nullptr;
    SampleSink sampleSink = nullptr;  // silent and virtual modes; until FSOUND_Close
    void* sampleSinkContext = nullptr;
    SDL_AudioDeviceID device = 0;  // 0: silent or virtual
    bool audioSubsystem = false;
    bool reportedSilence = false;
    openmpt_module* song = nullptr;
    // What the program holds for the song: its first instance's address, kept when a seek puts a
    // fresh instance in its place.
    void* songHandle = nullptr;
    std::vector<uint8_t> songBytes;  // the loaded file, for fresh instances of the song
    uint64_t songFrames = 0;         // frames the song has rendered since it was played
    Timeline timeline;
    bool playing = false;
    bool mixingUnheard = false;  // the song's interpolation is kUnheardInterpolation
    Clock::time_point epoch{};
    double deviceLatencyTenths = 0;  // 0.1 ms units from callback to the sound being heard

    // Device mode: snapshots written by the audio thread, read by the main thread.
    std::atomic<uint64_t> snapshots[kSnapshotCapacity]{};
    std::atomic<uint64_t> snapshotCount{0};
    std::atomic<uint64_t> lastCallbackTenths{0};  // when the callback last rendered the song
    bool songTakenBack = false;        // the callback leaves the song alone; under the device lock
    SDL_AudioDeviceID lostDevice = 0;  // given up after a loss, closed with the module
    bool reportedLoss = false;
    SimulatedLoss simulatedLoss = SimulatedLoss::None;
    Clock::duration simulatedLossAfter{};

    // Silent and virtual modes (main thread only).
    uint64_t framesRendered = 0;
    Clock::time_point playStart{};
    uint32_t virtualPlayStart = 0;
    int16_t scratch[kScratchFrames * 2]{};

    // QXSOUND_Pause: the song held where it was heard at pausedAt (the virtual clock's
    // pausedAtVirtual in the offline run).
    bool paused = false;
    Clock::time_point pausedAt{};
    uint32_t pausedAtVirtual = 0;

    // GetOrder latches the snapshot it used so that the following GetRow belongs to it.
    bool rowLatched = false;
    int32_t latchedRow = 0;
};
SoundModuleState state;

uint64_t TenthsSinceEpoch(Clock::time_point t) {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(t - state.epoch).count() / 100);
}

void Publish(uint64_t snapshot) {
    const uint64_t n = state.snapshotCount.load(std::memory_order_relaxed);
    state.snapshots[n % kSnapshotCapacity].store(snapshot, std::memory_order_relaxed);
    state.snapshotCount.store(n + 1, std::memory_order_release);
}

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

// Whether the simulated loss of that kind is due. Either thread, under the device lock or on the
// main thread (playStart is written only there, under the lock).
bool SimulatedLossDue(SimulatedLoss kind, Clock::time_point now) {
    return state.simulatedLoss == kind && now - state.playStart >= state.simulatedLossAfter;
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
        Publish(Pack(static_cast<uint64_t>(heardAt + offset),
                     static_cast<uint32_t>(openmpt_module_get_current_order(state.song)),
                     static_cast<uint32_t>(openmpt_module_get_current_row(state.song))));
        FillFromSong(out + done * 2, chunk);
    }
}

// The sink's frames past the song's end, so that it still gets one frame per frame of time.
void SinkSilence(uint64_t frames) {
    std::fill(std::begin(state.scratch), std::end(state.scratch), int16_t{0});
    while (frames > 0) {
        const uint64_t count = std::min<uint64_t>(kScratchFrames, frames);
        state.sampleSink(state.scratch, static_cast<uint32_t>(count), state.sampleSinkContext);
        frames -= count;
    }
}

// The song's interpolation for frames that are heard (device mode, or recorded by a sink) or not.
void MixFor(bool heard) {
    if (state.song == nullptr || state.mixingUnheard == !heard) return;
    openmpt_module_set_render_param(state.song, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH,
                                    heard ? kHeardInterpolation : kUnheardInterpolation);
    state.mixingUnheard = !heard;
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

// Main thread, device mode, while the song plays: SDL reports the device stopped (it does so when
// the device is removed), or its callback has not rendered for kStallTimeoutTenths.
bool DeviceLost() {
    const Clock::time_point now = Clock::now();
    if (SDL_GetAudioDeviceStatus(state.device) == SDL_AUDIO_STOPPED ||
        SimulatedLossDue(SimulatedLoss::Removed, now))
        return true;
    const uint64_t rendered = std::max(state.lastCallbackTenths.load(std::memory_order_relaxed),
                                       TenthsSinceEpoch(state.playStart));
    return TenthsSinceEpoch(now) > rendered + kStallTimeoutTenths;
}

// The device is gone: from now on the song is rendered in silent mode, from the place the device
// had rendered it to and in real time from this moment, so the position neither goes back nor
// stops. The device stays open, paused and with its callback idle, until FSOUND_Close.
void TakeSongBack() {
    SDL_LockAudioDevice(state.device);
    state.songTakenBack = true;
    SDL_UnlockAudioDevice(state.device);
    SDL_PauseAudioDevice(state.device, 1);
    state.lostDevice = state.device;
    state.device = 0;
    state.framesRendered = 0;  // silent mode counts from here; the song keeps its own position
    state.playStart = Clock::now();
    if (state.reportedLoss) return;
    state.reportedLoss = true;
    std::fputs("QX_Marrowtide: the audio device was lost; the music plays on silently\n", stderr);
}

// The (order, row) being heard now, packed as a snapshot.
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
    if (state.playing && !state.paused) {
        uint64_t elapsedMs;
        if (state.virtualClock != nullptr) {
            elapsedMs = static_cast<uint32_t>(state.virtualClock() - state.virtualPlayStart);
        } else {
            elapsedMs = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  Clock::now() - state.playStart)
                                                  .count());
        }
        RenderUpTo(FramesAt(elapsedMs));
    }
    return Pack(0, static_cast<uint32_t>(openmpt_module_get_current_order(state.song)),
                static_cast<uint32_t>(openmpt_module_get_current_row(state.song)));
}

void ReportSilenceOnce() {
    if (state.reportedSilence) return;
    state.reportedSilence = true;
    std::fputs("QX_Marrowtide: no audio device; the music plays silently\n", stderr);
}

void ReadSimulatedLoss() {
    state.simulatedLoss = SimulatedLoss::None;
    const char* value = std::getenv("QXSOUND_SIMULATE_DEVICE_LOSS");
    if (value == nullptr) return;
    SimulatedLoss kind = SimulatedLoss::None;
    if (std::strncmp(value, "removed:", 8) == 0) kind = SimulatedLoss::Removed;
    if (std::strncmp(value, "stalled:", 8) == 0) kind = SimulatedLoss::Stalled;
    char* end = nullptr;
    const unsigned long milliseconds = std::strtoul(value + 8, &end, 10);
    if (kind == SimulatedLoss::None || end == value + 8 || *end != '\0') return;
    state.simulatedLoss = kind;
    state.simulatedLossAfter = std::chrono::milliseconds(milliseconds);
}

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

// A fresh instance of the loaded song, as FMUSIC_LoadSong* made it; null without one.
openmpt_module* FreshSong() {
    return state.songBytes.empty() ? nullptr
                                   : CreateSong(state.songBytes.data(), state.songBytes.size());
}

void ForgetTimeline() {
    if (state.timeline.song != nullptr) openmpt_module_destroy(state.timeline.song);
    state.timeline = {};
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

uint32_t PackedPosition(openmpt_module* song) {
    return (static_cast<uint32_t>(openmpt_module_get_current_order(song)) & 0xFFFF) << 16 |
           (static_cast<uint32_t>(openmpt_module_get_current_row(song)) & 0xFFFF);
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
        timeline.changes.push_back(PackedPosition(timeline.song));
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
        const uint64_t position = PackedPosition(timeline.song);
        if (position != (timeline.changes.back() & 0xFFFFFFFFu))
            timeline.changes.push_back(uint64_t{timeline.renderedMs} << 32 | position);
    }
    return true;
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

}  // namespace

// The offline run's clock; must be given before FSOUND_Init. With it no device is opened.
QX_EXPORT void QXSOUND_UseVirtualClock(uint32_t (*milliseconds)()) {
    state.virtualClock = milliseconds;
}

// A recorder of the rendered frames (silent and virtual modes), or null for none. It is called
// on the thread that asks for the position, and forgotten at FSOUND_Close.
QX_EXPORT void QXSOUND_UseSampleSink(SampleSink sink, void* context) {
    state.sampleSink = sink;
    state.sampleSinkContext = context;
}

// Ends the virtual clock, called while it still reads the time of the change: the song keeps the
// position rendered up to then and plays on from there on the audio device, or silently in real
// time without one. Until the device's first chunk is heard, that position is the one reported.
QX_EXPORT void QXSOUND_UseRealClock() {
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
    Publish(Pack(TenthsSinceEpoch(now),
                 static_cast<uint32_t>(openmpt_module_get_current_order(state.song)),
                 static_cast<uint32_t>(openmpt_module_get_current_row(state.song))));
    if (state.playing) SDL_PauseAudioDevice(state.device, 0);
}

// Holds the song where it is heard now (1) or lets it go on from there (0). With a device, the
// device is paused and its silence is no loss; silently, the clock that the song is rendered by
// stops; on the virtual clock, the song skips the virtual time held.
QX_EXPORT void QXSOUND_Pause(int paused) {
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

// Where the song is after `milliseconds` of play from its start, whatever the playing song is
// doing: (order << 16) | row, as the virtual clock would find it then. The song's end position
// past its end; 0 without a song.
QX_EXPORT uint32_t QXSOUND_PositionAt(uint32_t milliseconds) {
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
QX_EXPORT void QXSOUND_Seek(uint32_t milliseconds) {
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
        Publish(Pack(0, openmpt_module_get_current_order(state.song),
                     openmpt_module_get_current_row(state.song)));
        state.lastCallbackTenths.store(TenthsSinceEpoch(now), std::memory_order_relaxed);
        if (!state.paused) SDL_PauseAudioDevice(state.device, 0);
    }
}

QX_EXPORT int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags) {
    (void)flags;
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

QX_EXPORT void FSOUND_Close() {
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

QX_EXPORT void* FMUSIC_LoadSongMemory(void* data, int length) {
    if (!state.initialised || data == nullptr || length <= 0) return nullptr;
    const auto* bytes = static_cast<const uint8_t*>(data);
    openmpt_module* song = CreateSong(data, static_cast<size_t>(length));
    if (song == nullptr) return nullptr;
    ReplaceSong(song, std::vector<uint8_t>(bytes, bytes + length));
    return song;
}

QX_EXPORT void* FMUSIC_LoadSong(const char* name) {
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

QX_EXPORT int FMUSIC_PlaySong(void* song) {
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

QX_EXPORT int FMUSIC_StopSong(void* song) {
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

QX_EXPORT int FMUSIC_GetOrder(void* song) {
    if (song == nullptr || song != state.songHandle) return 0;  // no song: the start of nothing
    const uint64_t s = CurrentPosition();
    state.rowLatched = true;
    state.latchedRow = static_cast<int32_t>(s & 0xFFFF);
    return static_cast<int>((s >> 16) & 0xFFFF);
}

QX_EXPORT int FMUSIC_GetRow(void* song) {
    if (song == nullptr || song != state.songHandle) return 0;  // no song: the start of nothing
    if (state.rowLatched) {
        state.rowLatched = false;
        return state.latchedRow;
    }
    return static_cast<int>(CurrentPosition() & 0xFFFF);
}

QX_EXPORT int FSOUND_SetHWND(void*) { return 1; }
QX_EXPORT int FSOUND_SetPriority(int, int) { return 1; }
QX_EXPORT void* FSOUND_Stream_OpenMpeg(const char*, unsigned int) { return nullptr; }
QX_EXPORT int FSOUND_Stream_Play(int, void*) { return -1; }
QX_EXPORT int FSOUND_Stream_GetPosition(void*) { return 0; }
QX_EXPORT int FSOUND_Stream_Stop(void*) { return 0; }
QX_EXPORT int FSOUND_Stream_Close(void*) { return 0; }

#ifdef QX_SOUND_LINKED_IN
// Built into the program (the browser build, which has no shared libraries): the entry points
// by name, for the platform's stand-in of the symbol lookup.
struct QxSoundEntry {
    const char* name;
    void* address;
};
#define QX_ENTRY(name) \
    { #name, reinterpret_cast < void*>(&name) }
extern "C" const QxSoundEntry qxSoundEntries[] = {
    QX_ENTRY(QXSOUND_UseVirtualClock),
    QX_ENTRY(QXSOUND_UseSampleSink),
    QX_ENTRY(QXSOUND_UseRealClock),
    QX_ENTRY(QXSOUND_Pause),
    QX_ENTRY(QXSOUND_PositionAt),
    QX_ENTRY(QXSOUND_Seek),
    QX_ENTRY(FSOUND_Init),
    QX_ENTRY(FSOUND_Close),
    QX_ENTRY(FMUSIC_LoadSongMemory),
    QX_ENTRY(FMUSIC_LoadSong),
    QX_ENTRY(FMUSIC_PlaySong),
    QX_ENTRY(FMUSIC_StopSong),
    QX_ENTRY(FMUSIC_GetOrder),
    QX_ENTRY(FMUSIC_GetRow),
    QX_ENTRY(FSOUND_SetHWND),
    QX_ENTRY(FSOUND_SetPriority),
    QX_ENTRY(FSOUND_Stream_OpenMpeg),
    QX_ENTRY(FSOUND_Stream_Play),
    QX_ENTRY(FSOUND_Stream_GetPosition),
    QX_ENTRY(FSOUND_Stream_Stop),
    QX_ENTRY(FSOUND_Stream_Close),
    {nullptr, nullptr},
};
#undef QX_ENTRY
#endif
