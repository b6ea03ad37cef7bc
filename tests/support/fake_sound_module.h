// A sound module inside the test program: the fifteen entry points as recording functions, bound
// through the virtual platform's fake library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/music_binding.h"
#include "tests/support/virtual_platform.h"

namespace qx::test {

struct FakeSoundModule {
    std::vector<std::string> calls;
    int initResult = 1;
    bool loadFails = false;
    int order = 0;
    int row = 0;
    uint32_t (*clock)() = nullptr;
    MusicSampleSink sink = nullptr;
    void* sinkContext = nullptr;
    // When not 0 (and a clock was given), the song plays: from PlaySong on, the position is one
    // row every msPerRow of the clock, 64 rows an order, and it is kept across UseRealClock.
    uint32_t msPerRow = 0;
    uint32_t playStart = 0;
    bool rebasePending = false;  // UseRealClock has run: the next reading re-bases playStart
    uint32_t playedAtSwitch = 0;
    bool paused = false;
    uint32_t pausedAt = 0;                         // clock when Pause 1 held the song
    std::vector<std::string>* timeline = nullptr;  // when set, gets every call too, as "sound: ..."
};
inline FakeSoundModule fakeSound;
inline char fakeSong;  // its address is the song handle the fake hands out

namespace fake {
inline void Note(const std::string& call) {
    fakeSound.calls.push_back(call);
    if (fakeSound.timeline != nullptr) fakeSound.timeline->push_back("sound: " + call);
}
inline std::string Hex(const void* p) {
    return p == nullptr ? "null" : p == &fakeSong ? "song" : "?";
}
inline int Init(int rate, int channels, unsigned flags) {
    Note("Init " + std::to_string(rate) + " " + std::to_string(channels) + " " +
         std::to_string(flags));
    return fakeSound.initResult;
}
inline void Close() { Note("Close"); }
inline bool Playing() { return fakeSound.msPerRow != 0 && fakeSound.clock != nullptr; }
inline int PlaySong(void* s) {
    if (Playing()) fakeSound.playStart = fakeSound.clock();
    return Note("PlaySong " + Hex(s)), 1;
}
inline int StopSong(void* s) { return Note("StopSong " + Hex(s)), 1; }
inline void* LoadSong(const char* name) {
    Note(std::string("LoadSong ") + name);
    return fakeSound.loadFails ? nullptr : &fakeSong;
}
inline void* LoadSongMemory(void*, int length) {
    Note("LoadSongMemory " + std::to_string(length));
    return fakeSound.loadFails ? nullptr : &fakeSong;
}
inline void Follow() {
    if (!Playing()) return;
    FakeSoundModule& f = fakeSound;
    if (f.rebasePending) f.playStart = f.clock() - f.playedAtSwitch;
    f.rebasePending = false;
    const uint32_t rows = ((f.paused ? f.pausedAt : f.clock()) - f.playStart) / f.msPerRow;
    f.order = static_cast<int>(rows / 64);
    f.row = static_cast<int>(rows % 64);
}
inline int GetOrder(void*) { return Follow(), fakeSound.order; }
inline int GetRow(void*) { return fakeSound.row; }
inline int SetWindow(void* w) { return Note("SetHWND " + Hex(w)), 1; }
inline int SetPriority(int, int) { return Note("SetPriority"), 1; }
inline void* StreamOpen(const char*, unsigned) { return Note("StreamOpen"), nullptr; }
inline int StreamPlay(int, void*) { return Note("StreamPlay"), 1; }
inline int StreamPosition(void*) { return Note("StreamPosition"), 77; }
inline int StreamStop(void* s) { return Note("StreamStop " + Hex(s)), 1; }
inline int StreamClose(void* s) { return Note("StreamClose " + Hex(s)), 1; }
inline void UseClock(uint32_t (*clock)()) { fakeSound.clock = clock; }
inline void UseSink(MusicSampleSink sink, void* context) {
    fakeSound.sink = sink;
    fakeSound.sinkContext = context;
}
inline void Pause(int paused) {
    Note("Pause " + std::to_string(paused));
    if (!Playing() || (paused != 0) == fakeSound.paused) return;
    // The position holds: the song's start moves on by the time held.
    fakeSound.paused = paused != 0;
    if (paused != 0)
        fakeSound.pausedAt = fakeSound.clock();
    else
        fakeSound.playStart += fakeSound.clock() - fakeSound.pausedAt;
}
inline uint32_t PositionAt(uint32_t milliseconds) {
    if (fakeSound.msPerRow == 0) return 0;
    const uint32_t rows = milliseconds / fakeSound.msPerRow;
    return (rows / 64) << 16 | (rows % 64);
}
inline void Seek(uint32_t milliseconds) {
    Note("Seek " + std::to_string(milliseconds));
    if (!Playing()) return;
    fakeSound.rebasePending = false;
    fakeSound.playStart =
        (fakeSound.paused ? fakeSound.pausedAt : fakeSound.clock()) - milliseconds;
}
inline void UseRealClock() {
    Note("UseRealClock");
    if (!Playing()) return;
    fakeSound.playedAtSwitch = fakeSound.clock() - fakeSound.playStart;
    fakeSound.rebasePending = true;
}
}  // namespace fake

// Makes the platform's fake library the sound module, without the export named `omit`.
inline void InstallFakeSoundModule(VirtualPlatform& platform, const char* omit = "") {
    fakeSound = {};
    const std::vector<std::pair<const char*, void*>> exports = {
        {"FSOUND_Init", reinterpret_cast<void*>(fake::Init)},
        {"FSOUND_Close", reinterpret_cast<void*>(fake::Close)},
        {"FMUSIC_PlaySong", reinterpret_cast<void*>(fake::PlaySong)},
        {"FMUSIC_StopSong", reinterpret_cast<void*>(fake::StopSong)},
        {"FMUSIC_LoadSong", reinterpret_cast<void*>(fake::LoadSong)},
        {"FMUSIC_LoadSongMemory", reinterpret_cast<void*>(fake::LoadSongMemory)},
        {"FMUSIC_GetOrder", reinterpret_cast<void*>(fake::GetOrder)},
        {"FMUSIC_GetRow", reinterpret_cast<void*>(fake::GetRow)},
        {"FSOUND_SetHWND", reinterpret_cast<void*>(fake::SetWindow)},
        {"FSOUND_SetPriority", reinterpret_cast<void*>(fake::SetPriority)},
        {"FSOUND_Stream_OpenMpeg", reinterpret_cast<void*>(fake::StreamOpen)},
        {"FSOUND_Stream_Play", reinterpret_cast<void*>(fake::StreamPlay)},
        {"FSOUND_Stream_GetPosition", reinterpret_cast<void*>(fake::StreamPosition)},
        {"FSOUND_Stream_Stop", reinterpret_cast<void*>(fake::StreamStop)},
        {"FSOUND_Stream_Close", reinterpret_cast<void*>(fake::StreamClose)},
        {kVirtualClockName, reinterpret_cast<void*>(fake::UseClock)},
        {kSampleSinkName, reinterpret_cast<void*>(fake::UseSink)},
        {kRealClockName, reinterpret_cast<void*>(fake::UseRealClock)},
        {kPauseName, reinterpret_cast<void*>(fake::Pause)},
        {kPositionAtName, reinterpret_cast<void*>(fake::PositionAt)},
        {kSeekName, reinterpret_cast<void*>(fake::Seek)},
    };
    platform.libraryPresent = true;
    platform.librarySymbols.clear();
    for (const auto& [name, address] : exports)
        if (std::string(name) != omit) platform.librarySymbols.push_back({name, address});
}

}  // namespace qx::test
