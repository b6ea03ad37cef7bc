// A sound module inside the test program: the fifteen entry points as recording functions, bound
// through the virtual platform's fake library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/music_binding.h"
#include "platform/virtual_platform.h"

namespace qx::test {

struct FakeSoundModule {
    std::vector<std::string> calls;
    int initResult = 1;
    bool loadFails = false;
    int order = 0;
    int row = 0;
    uint32_t (*clock)() = nullptr;
};
inline FakeSoundModule fakeSound;
inline char fakeSong;  // its address is the song handle the fake hands out

namespace fake {
inline std::string Hex(const void* p) { return p == nullptr ? "null" : p == &fakeSong ? "song" : "?"; }
inline int Init(int rate, int channels, unsigned flags) {
    fakeSound.calls.push_back("Init " + std::to_string(rate) + " " + std::to_string(channels) + " " +
                              std::to_string(flags));
    return fakeSound.initResult;
}
inline void Close() { fakeSound.calls.push_back("Close"); }
inline int PlaySong(void* s) { return fakeSound.calls.push_back("PlaySong " + Hex(s)), 1; }
inline int StopSong(void* s) { return fakeSound.calls.push_back("StopSong " + Hex(s)), 1; }
inline void* LoadSong(const char* name) {
    fakeSound.calls.push_back(std::string("LoadSong ") + name);
    return fakeSound.loadFails ? nullptr : &fakeSong;
}
inline void* LoadSongMemory(void*, int length) {
    fakeSound.calls.push_back("LoadSongMemory " + std::to_string(length));
    return fakeSound.loadFails ? nullptr : &fakeSong;
}
inline int GetOrder(void*) { return fakeSound.order; }
inline int GetRow(void*) { return fakeSound.row; }
inline int SetWindow(void* w) { return fakeSound.calls.push_back("SetHWND " + Hex(w)), 1; }
inline int SetPriority(int, int) { return fakeSound.calls.push_back("SetPriority"), 1; }
inline void* StreamOpen(const char*, unsigned) { return fakeSound.calls.push_back("StreamOpen"), nullptr; }
inline int StreamPlay(int, void*) { return fakeSound.calls.push_back("StreamPlay"), 1; }
inline int StreamPosition(void*) { return fakeSound.calls.push_back("StreamPosition"), 77; }
inline int StreamStop(void* s) { return fakeSound.calls.push_back("StreamStop " + Hex(s)), 1; }
inline int StreamClose(void* s) { return fakeSound.calls.push_back("StreamClose " + Hex(s)), 1; }
inline void UseClock(uint32_t (*clock)()) { fakeSound.clock = clock; }
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
    };
    platform.libraryPresent = true;
    platform.librarySymbols.clear();
    for (const auto& [name, address] : exports)
        if (std::string(name) != omit) platform.librarySymbols.push_back({name, address});
}

}  // namespace qx::test
