// The sound module's state record and what its files call in one another (private to sound/).
//
// The module is a shared library, loaded by the music binding at run time, that plays one tracker
// module (XM) from memory and reports which order and row are being heard. Three ways to play,
// chosen at FSOUND_Init:
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
// exports.cpp         the exported entry points, by name, and the browser build's table of them
// song.cpp            FSOUND_Init and _Close, loading, playing, pausing and stopping the song, and
//                     the (order, row) the program asks for
// device.cpp          the audio device, its thread and the positions it publishes; the position
//                     heard now in every mode
// device_loss.cpp     noticing that the device has gone, taking the song back; simulated losses
// offline_render.cpp  silent and virtual rendering, the sample sink, the change to the real clock
// timeline.cpp        where the song is after any time of play, and Seek
//
// All state lives in the one record below (defined in song.cpp); the main thread owns it, except
// for what the audio thread touches under the device lock or through the atomics.
#pragma once

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qxsound {

inline constexpr int32_t kSampleRate = 44100;      // frames per second, stereo 16-bit
inline constexpr uint16_t kDeviceFrames = 512;     // device buffer: 11.6 ms
inline constexpr size_t kChunkFrames = 64;         // position resolution: 1.45 ms
inline constexpr size_t kSnapshotCapacity = 2048;  // about 3 s of chunk snapshots
inline constexpr size_t kScratchFrames = 4096;     // render scratch for silent playing
// A device whose callback has not run for this long while the song plays is taken as gone.
// Device buffers last 11.6 ms; a full second of silence is no hiccup.
inline constexpr uint64_t kStallTimeoutTenths = 10000;  // 0.1 ms units
// Interpolation filter lengths: libopenmpt's own choice, and none (zero-order hold).
inline constexpr int32_t kHeardInterpolation = 0;
inline constexpr int32_t kUnheardInterpolation = 1;
// A time of play in ms is floor(ms * kSampleRate / 1000) frames.
constexpr uint64_t FramesAt(uint64_t milliseconds) { return milliseconds * kSampleRate / 1000; }

using Clock = std::chrono::steady_clock;
using VirtualClock = uint32_t (*)();
// Interleaved stereo 16-bit frames as rendered, `frames` of them, and the sink's own context.
using SampleSink = void (*)(const int16_t* samples, uint32_t frames, void* context);

// A snapshot packs (heard time in 0.1 ms since the module's epoch) << 32 | order << 16 | row.
inline uint64_t Pack(uint64_t tenthsOfMs, uint32_t order, uint32_t row) {
    return (tenthsOfMs << 32) | ((order & 0xFFFF) << 16) | (row & 0xFFFF);
}

// The (order, row) a song instance is at now, as a snapshot heard at `tenthsOfMs`.
inline uint64_t SongSnapshot(openmpt_module* song, uint64_t tenthsOfMs) {
    return Pack(tenthsOfMs, static_cast<uint32_t>(openmpt_module_get_current_order(song)),
                static_cast<uint32_t>(openmpt_module_get_current_row(song)));
}

// Fault injection for tests, read at FSOUND_Init from QXSOUND_SIMULATE_DEVICE_LOSS:
// "removed:MS" makes an opened device count as stopped by SDL from MS ms after play starts,
// "stalled:MS" stops its callback from rendering from then on.
enum class SimulatedLoss : uint8_t { None, Removed, Stalled };

// Where the song is after every whole millisecond of play from its start: a private instance
// rendered forward one millisecond at a time, its (order, row) noted whenever it changes.
// Another instance of the module (the browser's worker that builds the seek index) may hand over
// the timeline it has rendered: the changes are then known further than this instance has played.
struct Timeline {
    openmpt_module* song = nullptr;
    uint32_t renderedMs = 0;  // the positions after every ms up to here are known
    uint32_t songMs = 0;      // the instance has played this long (at most renderedMs)
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
extern SoundModuleState state;

inline uint64_t TenthsSinceEpoch(Clock::time_point t) {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(t - state.epoch).count() / 100);
}

// song.cpp: the entry points of the same names, and a fresh instance of the loaded song, as
// FMUSIC_LoadSong* made it (null without one).
int Init(int mixRate, int maxSoftwareChannels);
void Close();
void* LoadSongMemory(void* data, int length);
void* LoadSong(const char* name);
int PlaySong(void* song);
int StopSong(void* song);
int GetOrder(void* song);
int GetRow(void* song);
void Pause(int paused);
openmpt_module* FreshSong();

// device.cpp
bool OpenDevice();
void CloseDevice();  // and the lost one, and SDL's audio subsystem
void ReportSilenceOnce();
void Publish(uint64_t snapshot);
uint64_t CurrentPosition();  // the (order, row) being heard now, packed as a snapshot

// device_loss.cpp
void ReadSimulatedLoss();
bool SimulatedLossDue(SimulatedLoss kind, Clock::time_point now);
bool DeviceLost();
void TakeSongBack();

// offline_render.cpp
void UseRealClock();
void MixFor(bool heard);
void RenderUpToNow();
void SkipFrames(uint64_t frames);

// timeline.cpp
uint32_t PositionAt(uint32_t milliseconds);
void Seek(uint32_t milliseconds);
void ForgetTimeline();
uint32_t TimelineChanges(uint64_t* changes, uint32_t first, uint32_t capacity, uint32_t* knownMs);
void AddTimeline(const uint64_t* changes, uint32_t count, uint32_t knownMs);
uint32_t OrderLayout(uint32_t* startMs, uint32_t* rows, uint32_t capacity);

}  // namespace qxsound
