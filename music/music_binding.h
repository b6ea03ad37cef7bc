// The music binding: the sound module, loaded from the program's directory at run time and bound
// by name, plays the soundtrack; its (order, row) is the music position, the production's clock
// for scene changes.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kMusicKindModule = 0x584D;      // 'X','M': a tracker module
inline constexpr uint32_t kMusicKindStream = 0x4D504547;  // 'M','P','E','G': a stream

// Slots of the function table, in the order of the name list.
enum MusicSlot : uint32_t {
    kSlotInit,
    kSlotClose,
    kSlotPlaySong,
    kSlotStopSong,
    kSlotLoadSong,
    kSlotLoadSongMemory,
    kSlotGetOrder,
    kSlotGetRow,
    kSlotSetWindow,
    kSlotSetPriority,
    kSlotStreamOpen,
    kSlotStreamPlay,
    kSlotStreamGetPosition,
    kSlotStreamStop,
    kSlotStreamClose,
    kMusicSlotCount
};

// The module's file name followed by the exported names of slots 0..14, each NUL-terminated,
// the run ended by a byte 0xFF.
extern const char kSoundModuleNames[];
// The first of those names: the module's file (libqxsound.so, qxsound.dll on Windows).
inline const char* const kSoundModuleFile = kSoundModuleNames;
inline constexpr char kVirtualClockName[] = "QXSOUND_UseVirtualClock";  // offline run only
// Offline run with a sample sink only: hands the module the sink for every frame it renders.
inline constexpr char kSampleSinkName[] = "QXSOUND_UseSampleSink";

// Interleaved stereo 16-bit frames at 44,100 Hz, `frames` of them, as the module rendered them.
using MusicSampleSink = void (*)(const int16_t* samples, uint32_t frames, void* context);
// A run started part-way on the window: the song leaves the virtual clock at the start.
inline constexpr char kRealClockName[] = "QXSOUND_UseRealClock";
// Holds the song where it is (argument 1) and lets it go on (0): on the window the audio device
// paused and not counted as lost meanwhile, offline the virtual time held skipped.
inline constexpr char kPauseName[] = "QXSOUND_Pause";
// Where the song is after a time of play from its start, (order << 16) | row, and the playing
// song put at such a time: a show that is played ahead of its music, or jumps.
inline constexpr char kPositionAtName[] = "QXSOUND_PositionAt";
inline constexpr char kSeekName[] = "QXSOUND_Seek";
// Optional: the song's timeline handed from one instance of the program to another (the browser's
// seek index is built by a second instance), and where each order starts.
inline constexpr char kTimelineChangesName[] = "QXSOUND_TimelineChanges";
inline constexpr char kAddTimelineName[] = "QXSOUND_AddTimeline";
inline constexpr char kOrderLayoutName[] = "QXSOUND_OrderLayout";

struct MusicBindingState {
    void* libraryHandle = nullptr;
    uint32_t musicKindTag = 0;
    void* moduleHandle = nullptr;
    void* streamHandle = nullptr;
    int32_t streamChannel = 0;
    void* functionTable[kMusicSlotCount] = {};
    void* useRealClock = nullptr;  // bound only when a run starts part-way on the window
    void* pause = nullptr;
    void* positionAt = nullptr;
    void* seek = nullptr;
    void* timelineChanges = nullptr;  // the three optional names, null without them
    void* addTimeline = nullptr;
    void* orderLayout = nullptr;
    // While set, the music position is not the playing song's but the one a play from its start
    // has after (clock - songStartClock) ms: the show is played on a clock of its own, ahead of
    // or away from the song (a jump being prepared, a seek index being built).
    bool followTimeline = false;
    uint32_t songStartClock =
        0;                     // the platform's clock when the song was last played from its start
    char errorCause[96] = {};  // the cause reported with error code 6
    bool offline = false;      // SetMusicClocks
    bool startsPartWay = false;
    MusicSampleSink sampleSink = nullptr;  // bound by MusicInit in the offline run when set
    void* sampleSinkContext = nullptr;
};
extern MusicBindingState musicBinding;

// Before MusicInit: every frame the module renders in the offline run goes to the sink too.
void SetMusicSampleSink(MusicSampleSink sink, void* context);
// Before MusicInit: the run is offline (the song on the platform's virtual clock, no device), and
// it starts part-way (on the window the song plays on the virtual clock up to the start).
void SetMusicClocks(bool offline, bool startsPartWay);
bool MusicInit(uint32_t musicKind, void* window);            // fails with error code 6
bool MusicLoadMemory(const uint8_t* song, uint32_t length);  // fails with error code 6
bool MusicLoadFile(const char* fileName);                    // fails with error code 8
void MusicPlay();
void MusicStop();
uint32_t MusicPosition();  // (order mod 256) x 256 + row; 0 without a sound module
// The song, played on the virtual clock so far, plays on from its position in real time.
void MusicUseRealClock();
// The song held where it is (true) and going on from there (false).
void MusicPause(bool paused);
// The music position a play from the song's start has after `milliseconds`; 0 without a song.
uint32_t MusicPositionAt(uint32_t milliseconds);
// The playing song put where a play from its start is after `milliseconds`, heard from now on.
void MusicSeek(uint32_t milliseconds);
// The song's timeline as this module has rendered it: its changes, (ms << 32) | (order << 16) |
// row, from index `first` on, at most `capacity` (returns how many), and up to which ms they are
// known (UINT32_MAX: the whole song). 0 without the optional names.
uint32_t MusicTimelineChanges(uint64_t* changes, uint32_t first, uint32_t capacity,
                              uint32_t& knownMs);
// Changes another instance of the program read with MusicTimelineChanges, for the same song.
void MusicAddTimeline(const uint64_t* changes, uint32_t count, uint32_t knownMs);
// Where each order starts (ms of play) and how many rows it has, for at most `capacity` orders;
// returns how many orders the song has (0 without a song or the optional name).
uint32_t MusicOrderLayout(uint32_t* startMs, uint32_t* rows, uint32_t capacity);
// Milliseconds the song has played at the platform's clock now, on the clock songStartClock is on.
uint32_t MusicPlayedMilliseconds();
// The song's start on the clock: set to `now` (the song starts with the show), or moved on by
// `milliseconds` (the show's times moved, as after that much time held).
void SetSongStartClock(uint32_t now);
void MoveSongStartClock(uint32_t milliseconds);
void MusicShutdown();

}  // namespace qx
