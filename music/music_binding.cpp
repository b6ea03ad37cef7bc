#include "music/music_binding.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "base/error_code.h"
#include "platform/platform.h"

namespace qx {

// The sound module's file as the build names it: a shared library, a DLL on Windows.
#ifndef QX_SOUND_MODULE_FILE
#define QX_SOUND_MODULE_FILE "libqxsound.so"
#endif

const char kSoundModuleNames[] =
    QX_SOUND_MODULE_FILE "\0"
    "FSOUND_Init\0FSOUND_Close\0FMUSIC_PlaySong\0FMUSIC_StopSong\0FMUSIC_LoadSong\0"
    "FMUSIC_LoadSongMemory\0FMUSIC_GetOrder\0FMUSIC_GetRow\0FSOUND_SetHWND\0"
    "FSOUND_SetPriority\0FSOUND_Stream_OpenMpeg\0FSOUND_Stream_Play\0"
    "FSOUND_Stream_GetPosition\0FSOUND_Stream_Stop\0FSOUND_Stream_Close\0"
    "\xFF";

MusicBindingState musicBinding;

namespace {

inline constexpr int kMixRate = 44100;  // Hz
inline constexpr int kSoftwareChannels = 32;

using InitFn = int (*)(int, int, unsigned int);
using VoidFn = void (*)();
using SongFn = int (*)(void*);
using LoadSongFn = void* (*)(const char*);
using LoadSongMemoryFn = void* (*)(void*, int);
using SetWindowFn = int (*)(void*);
using StreamOpenFn = void* (*)(const char*, unsigned int);
using StreamPlayFn = int (*)(int, void*);
using UseClockFn = void (*)(uint32_t (*)());
using UseSinkFn = void (*)(MusicSampleSink, void*);
using PauseFn = void (*)(int);
using PositionAtFn = uint32_t (*)(uint32_t);
using SeekFn = void (*)(uint32_t);
using TimelineChangesFn = uint32_t (*)(uint64_t*, uint32_t, uint32_t, uint32_t*);
using AddTimelineFn = void (*)(const uint64_t*, uint32_t, uint32_t);
using OrderLayoutFn = uint32_t (*)(uint32_t*, uint32_t*, uint32_t);

// The function in a slot, or null: nothing is ever called through an empty slot.
template <typename Fn>
Fn Slot(MusicSlot slot) {
    return reinterpret_cast<Fn>(musicBinding.functionTable[slot]);
}

bool StreamMode() { return musicBinding.musicKindTag == kMusicKindStream; }

bool Fail(uint32_t code, const char* what, const char* name) {
    std::snprintf(musicBinding.errorCause, sizeof musicBinding.errorCause, "%s %s", what, name);
    return SetErrorCode(code, musicBinding.errorCause);
}

uint32_t OfflineClock() { return ThePlatform().Milliseconds(); }

}  // namespace

void SetMusicSampleSink(MusicSampleSink sink, void* context) {
    musicBinding.sampleSink = sink;
    musicBinding.sampleSinkContext = context;
}

void SetMusicClocks(bool offline, bool startsPartWay) {
    musicBinding.offline = offline;
    musicBinding.startsPartWay = startsPartWay;
}

bool MusicInit(uint32_t musicKind, void* window) {
    Platform& platform = ThePlatform();
    musicBinding.libraryHandle = nullptr;
    musicBinding.musicKindTag = musicKind;
    const char* name = kSoundModuleNames;
    void* library = platform.OpenLibraryBesideExecutable(name);
    if (library == nullptr) return Fail(kErrorSound, "the sound module could not be loaded:", name);
    musicBinding.libraryHandle = library;
    for (uint32_t slot = 0; slot < kMusicSlotCount; ++slot) {
        name += std::strlen(name) + 1;
        void* address = platform.FindSymbol(library, name);
        if (address == nullptr) return Fail(kErrorSound, "the sound module lacks", name);
        musicBinding.functionTable[slot] = address;
    }
    // A run started part-way plays up to its start offline, on the virtual clock, too.
    if (musicBinding.offline || musicBinding.startsPartWay) {
        auto useClock =
            reinterpret_cast<UseClockFn>(platform.FindSymbol(library, kVirtualClockName));
        if (useClock == nullptr)
            return Fail(kErrorSound, "the sound module lacks", kVirtualClockName);
        useClock(OfflineClock);
        if (musicBinding.sampleSink != nullptr) {
            auto useSink =
                reinterpret_cast<UseSinkFn>(platform.FindSymbol(library, kSampleSinkName));
            if (useSink == nullptr)
                return Fail(kErrorSound, "the sound module lacks", kSampleSinkName);
            useSink(musicBinding.sampleSink, musicBinding.sampleSinkContext);
        }
    }
    if (!musicBinding.offline && musicBinding.startsPartWay) {
        musicBinding.useRealClock = platform.FindSymbol(library, kRealClockName);
        if (musicBinding.useRealClock == nullptr)
            return Fail(kErrorSound, "the sound module lacks", kRealClockName);
    }
    for (const auto& [slot, name] : {std::pair{&musicBinding.pause, kPauseName},
                                     std::pair{&musicBinding.positionAt, kPositionAtName},
                                     std::pair{&musicBinding.seek, kSeekName}}) {
        *slot = platform.FindSymbol(library, name);
        if (*slot == nullptr) return Fail(kErrorSound, "the sound module lacks", name);
    }
    musicBinding.timelineChanges = platform.FindSymbol(library, kTimelineChangesName);
    musicBinding.addTimeline = platform.FindSymbol(library, kAddTimelineName);
    musicBinding.orderLayout = platform.FindSymbol(library, kOrderLayoutName);
    if (Slot<InitFn>(kSlotInit)(kMixRate, kSoftwareChannels, 0) != 1)
        return Fail(kErrorSound, "the sound module did not initialise:", "FSOUND_Init");
    Slot<SetWindowFn>(kSlotSetWindow)(window);
    return true;
}

bool MusicLoadMemory(const uint8_t* song, uint32_t length) {
    if (musicBinding.libraryHandle == nullptr || StreamMode())
        return Fail(kErrorSound, "the song could not be loaded:", "no module player");
    musicBinding.moduleHandle = Slot<LoadSongMemoryFn>(kSlotLoadSongMemory)(
        const_cast<uint8_t*>(song), static_cast<int>(length));
    if (musicBinding.moduleHandle == nullptr)
        return Fail(kErrorSound, "the song could not be loaded:", "not a playable module");
    return true;
}

bool MusicLoadFile(const char* fileName) {
    if (musicBinding.libraryHandle == nullptr)
        return Fail(kErrorSongFile, "the song file could not be loaded:", fileName);
    if (StreamMode()) {
        musicBinding.streamHandle = Slot<StreamOpenFn>(kSlotStreamOpen)(fileName, 0);
        if (musicBinding.streamHandle == nullptr)
            return Fail(kErrorSongFile, "the song file could not be loaded:", fileName);
        return true;
    }
    musicBinding.moduleHandle = Slot<LoadSongFn>(kSlotLoadSong)(fileName);
    if (musicBinding.moduleHandle == nullptr)
        return Fail(kErrorSongFile, "the song file could not be loaded:", fileName);
    return true;
}

void MusicPlay() {
    if (musicBinding.libraryHandle == nullptr) return;
    if (StreamMode()) {
        if (auto play = Slot<StreamPlayFn>(kSlotStreamPlay))
            musicBinding.streamChannel = play(-1, musicBinding.streamHandle);
    } else if (auto play = Slot<SongFn>(kSlotPlaySong)) {
        play(musicBinding.moduleHandle);
    }
    musicBinding.songStartClock = ThePlatform().Milliseconds();
}

void MusicStop() {
    if (musicBinding.libraryHandle == nullptr) return;
    if (auto stop = Slot<SongFn>(StreamMode() ? kSlotStreamStop : kSlotStopSong))
        stop(StreamMode() ? musicBinding.streamHandle : musicBinding.moduleHandle);
}

namespace {

// (order << 16) | row as the module's calls give them, as a music position.
uint32_t AsMusicPosition(uint32_t order, uint32_t row) {
    return (row & 0xFFFF00FFu) | ((order & 0xFF) << 8);
}

}  // namespace

uint32_t MusicPosition() {
    if (musicBinding.followTimeline) return MusicPositionAt(MusicPlayedMilliseconds());
    if (StreamMode()) {
        auto position = Slot<SongFn>(kSlotStreamGetPosition);
        return position != nullptr ? static_cast<uint32_t>(position(musicBinding.streamHandle)) : 0;
    }
    if (musicBinding.libraryHandle == nullptr) return 0;
    auto getOrder = Slot<SongFn>(kSlotGetOrder);
    auto getRow = Slot<SongFn>(kSlotGetRow);
    if (getOrder == nullptr || getRow == nullptr) return 0;
    const uint32_t order = static_cast<uint32_t>(getOrder(musicBinding.moduleHandle));
    const uint32_t row = static_cast<uint32_t>(getRow(musicBinding.moduleHandle));
    return AsMusicPosition(order, row);
}

uint32_t MusicPositionAt(uint32_t milliseconds) {
    if (musicBinding.positionAt == nullptr || StreamMode()) return 0;
    const uint32_t packed = reinterpret_cast<PositionAtFn>(musicBinding.positionAt)(milliseconds);
    return AsMusicPosition(packed >> 16, packed & 0xFFFF);
}

void MusicSeek(uint32_t milliseconds) {
    if (musicBinding.seek != nullptr && !StreamMode())
        reinterpret_cast<SeekFn>(musicBinding.seek)(milliseconds);
}

uint32_t MusicTimelineChanges(uint64_t* changes, uint32_t first, uint32_t capacity,
                              uint32_t& knownMs) {
    knownMs = 0;
    if (musicBinding.timelineChanges == nullptr || StreamMode()) return 0;
    return reinterpret_cast<TimelineChangesFn>(musicBinding.timelineChanges)(changes, first,
                                                                             capacity, &knownMs);
}

void MusicAddTimeline(const uint64_t* changes, uint32_t count, uint32_t knownMs) {
    if (musicBinding.addTimeline != nullptr && !StreamMode())
        reinterpret_cast<AddTimelineFn>(musicBinding.addTimeline)(changes, count, knownMs);
}

uint32_t MusicOrderLayout(uint32_t* startMs, uint32_t* rows, uint32_t capacity) {
    if (musicBinding.orderLayout == nullptr || StreamMode()) return 0;
    return reinterpret_cast<OrderLayoutFn>(musicBinding.orderLayout)(startMs, rows, capacity);
}

uint32_t MusicPlayedMilliseconds() {
    return ThePlatform().Milliseconds() - musicBinding.songStartClock;
}

void MusicUseRealClock() {
    if (musicBinding.useRealClock != nullptr) reinterpret_cast<VoidFn>(musicBinding.useRealClock)();
}

void MusicPause(bool paused) {
    if (musicBinding.pause != nullptr)
        reinterpret_cast<PauseFn>(musicBinding.pause)(paused ? 1 : 0);
}

void MusicShutdown() {
    MusicStop();
    if (musicBinding.libraryHandle == nullptr) return;
    if (auto close = Slot<SongFn>(kSlotStreamClose)) close(musicBinding.streamHandle);
    if (auto close = Slot<VoidFn>(kSlotClose)) close();
    ThePlatform().CloseLibrary(musicBinding.libraryHandle);
    // Cleared, so that nothing calls into the unloaded module afterwards.
    musicBinding = {};
}

void SetSongStartClock(uint32_t now) { musicBinding.songStartClock = now; }

void MoveSongStartClock(uint32_t milliseconds) { musicBinding.songStartClock += milliseconds; }

}  // namespace qx
