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
inline constexpr char kVirtualClockName[] = "QXSOUND_UseVirtualClock";  // offline run only
// Offline run with a sample sink only: hands the module the sink for every frame it renders.
inline constexpr char kSampleSinkName[] = "QXSOUND_UseSampleSink";

// Interleaved stereo 16-bit frames at 44,100 Hz, `frames` of them, as the module rendered them.
using MusicSampleSink = void (*)(const int16_t* samples, uint32_t frames, void* context);
// A run started part-way on the window: the song leaves the virtual clock at the start.
inline constexpr char kRealClockName[] = "QXSOUND_UseRealClock";
// Runs with a real clock: holds the song where it is (argument 1) and lets it go on (0), the
// audio device paused and not counted as lost meanwhile.
inline constexpr char kPauseName[] = "QXSOUND_Pause";

struct MusicBindingState {
    void* libraryHandle = nullptr;
    uint32_t musicKindTag = 0;
    void* moduleHandle = nullptr;
    void* streamHandle = nullptr;
    int32_t streamChannel = 0;
    void* functionTable[kMusicSlotCount] = {};
    void* useRealClock = nullptr;          // bound only when a run starts part-way on the window
    void* pause = nullptr;                 // bound in runs on the window
    char errorCause[96] = {};              // the cause reported with error code 6
    MusicSampleSink sampleSink = nullptr;  // bound by MusicInit in the offline run when set
    void* sampleSinkContext = nullptr;
};
extern MusicBindingState musicBinding;

// Before MusicInit: every frame the module renders in the offline run goes to the sink too.
void SetMusicSampleSink(MusicSampleSink sink, void* context);
bool MusicInit(uint32_t musicKind, void* window);            // fails with error code 6
bool MusicLoadMemory(const uint8_t* song, uint32_t length);  // fails with error code 6
bool MusicLoadFile(const char* fileName);                    // fails with error code 8
void MusicPlay();
void MusicStop();
uint32_t MusicPosition();  // (order mod 256) x 256 + row; 0 without a sound module
// The song, played on the virtual clock so far, plays on from its position in real time.
void MusicUseRealClock();
// The song held where it is (true) and going on from there (false); nothing offline.
void MusicPause(bool paused);
void MusicShutdown();

}  // namespace qx
