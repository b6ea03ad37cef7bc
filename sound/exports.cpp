// The sound module's entry points: the only names it exports, each handing the call to the file
// that does the work (sound_state.h lists them). They keep the plain names of the classic sound
// library's entry points; only the calls and results the program relies on are implemented, and
// MPEG streams are not supported. QXSOUND_* are the module's own additions.
//
// Everything else in the module is hidden (the library is built with hidden visibility), so
// QXSOUND_EXPORT is all a compiler needs to export the names.
#include <cstdint>

#include "sound/sound_state.h"

#if defined(_WIN32)
#define QXSOUND_EXPORT extern "C" __declspec(dllexport)
#else
#define QXSOUND_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace qxsound;

// The offline run's clock; must be given before FSOUND_Init. With it no device is opened.
QXSOUND_EXPORT void QXSOUND_UseVirtualClock(uint32_t (*milliseconds)()) {
    state.virtualClock = milliseconds;
}

// A recorder of the rendered frames (silent and virtual modes), or null for none. It is called
// on the thread that asks for the position, and forgotten at FSOUND_Close.
QXSOUND_EXPORT void QXSOUND_UseSampleSink(SampleSink sink, void* context) {
    state.sampleSink = sink;
    state.sampleSinkContext = context;
}

QXSOUND_EXPORT void QXSOUND_UseRealClock() { UseRealClock(); }
QXSOUND_EXPORT void QXSOUND_Pause(int paused) { Pause(paused); }
QXSOUND_EXPORT uint32_t QXSOUND_PositionAt(uint32_t milliseconds) {
    return PositionAt(milliseconds);
}
QXSOUND_EXPORT void QXSOUND_Seek(uint32_t milliseconds) { Seek(milliseconds); }
QXSOUND_EXPORT uint32_t QXSOUND_TimelineChanges(uint64_t* changes, uint32_t first,
                                                uint32_t capacity, uint32_t* knownMs) {
    return TimelineChanges(changes, first, capacity, knownMs);
}
QXSOUND_EXPORT void QXSOUND_AddTimeline(const uint64_t* changes, uint32_t count,
                                        uint32_t knownMs) {
    AddTimeline(changes, count, knownMs);
}
QXSOUND_EXPORT uint32_t QXSOUND_OrderLayout(uint32_t* startMs, uint32_t* rows,
                                            uint32_t capacity) {
    return OrderLayout(startMs, rows, capacity);
}

// The flags choose nothing: the module always mixes in software.
QXSOUND_EXPORT int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int) {
    return Init(mixRate, maxSoftwareChannels);
}
QXSOUND_EXPORT void FSOUND_Close() { Close(); }
QXSOUND_EXPORT void* FMUSIC_LoadSongMemory(void* data, int length) {
    return LoadSongMemory(data, length);
}
QXSOUND_EXPORT void* FMUSIC_LoadSong(const char* name) { return LoadSong(name); }
QXSOUND_EXPORT int FMUSIC_PlaySong(void* song) { return PlaySong(song); }
QXSOUND_EXPORT int FMUSIC_StopSong(void* song) { return StopSong(song); }
QXSOUND_EXPORT int FMUSIC_GetOrder(void* song) { return GetOrder(song); }
QXSOUND_EXPORT int FMUSIC_GetRow(void* song) { return GetRow(song); }

QXSOUND_EXPORT int FSOUND_SetHWND(void*) { return 1; }
QXSOUND_EXPORT int FSOUND_SetPriority(int, int) { return 1; }
QXSOUND_EXPORT void* FSOUND_Stream_OpenMpeg(const char*, unsigned int) { return nullptr; }
QXSOUND_EXPORT int FSOUND_Stream_Play(int, void*) { return -1; }
QXSOUND_EXPORT int FSOUND_Stream_GetPosition(void*) { return 0; }
QXSOUND_EXPORT int FSOUND_Stream_Stop(void*) { return 0; }
QXSOUND_EXPORT int FSOUND_Stream_Close(void*) { return 0; }

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
    QX_ENTRY(QXSOUND_TimelineChanges),
    QX_ENTRY(QXSOUND_AddTimeline),
    QX_ENTRY(QXSOUND_OrderLayout),
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
