// The in-process platform: a virtual millisecond clock that moves only when the program sleeps
// (or by a fixed step per reading), scripted input events, presents that are counted and can be
// kept, failure injection for every service that can fail, a scripted display-mode list, an
// executable image held in memory and fake shared libraries. Tests drive the host with it,
// optionally on the real files and libraries; it is no part of the program.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qx {

class VirtualPlatform final : public Platform {
public:
    VirtualPlatform();

    // Clock (ms).
    uint32_t clock = 0;
    uint32_t clockStepPerRead = 0;  // added after every reading, to stand for work done

    // Window and display.
    bool failCreateWindow = false;
    bool failFullScreenDevice = false;
    bool failSetDisplayMode = false;
    bool failEnumerate = false;
    bool failSetFullScreen = false;
    std::vector<ModeDescription> modes;  // listed for every size; default 15, 16, 24, 32 RGB
    bool windowExists = false;
    bool windowShown = false;
    bool fullScreen = false;
    bool cursorVisible = true;
    bool windowVisible = true;   // what WindowVisible answers: false stands for hidden or minimised
    uint32_t showHeldUntil = 0;  // ShowHeld answers true while the clock is below this
    uint32_t showHeldFrom = 0;   // and at or past this
    bool pageControls = false;   // what PageControls answers: a page with a player around it
    std::vector<std::vector<uint8_t>> published;  // seek index entries handed out
    WindowRequest lastRequest;

    // Input: an event is delivered by PollEvent once the clock has reached its time.
    void QueueEvent(const InputEvent& event, uint32_t atTime = 0);
    void ClearEvents() { events.clear(); }
    size_t PendingEvents() const { return events.size(); }

    // Presentation.
    bool failPresentSurface = false;
    bool surfaceExists = false;
    uint32_t presentCount = 0;
    bool keepPresents = false;          // copy every presented picture into lastPresent
    std::vector<uint32_t> lastPresent;  // width x height pixels, rows packed
    uint32_t presentWidth = 0;
    uint32_t presentHeight = 0;
    void (*presentHook)(VirtualPlatform& platform, const uint32_t* pixels, uint32_t width,
                        uint32_t height, uint32_t pitch, void* context) = nullptr;
    void* presentHookContext = nullptr;

    // Files: the executable is executableImage unless useSystemFiles.
    bool useSystemFiles = false;
    bool failOpenExecutable = false;
    std::vector<uint8_t> executableImage;
    int64_t failReadsFromOffset = -1;  // reads touching bytes at or past this offset fail
    // Every ReadFileAt, kept while recordReads is set.
    struct FileRead {
        uint64_t offset;
        size_t count;
        bool operator==(const FileRead&) const = default;
    };
    bool recordReads = false;
    std::vector<FileRead> reads;

    // Libraries: one fake library, whatever the file name, unless useSystemLibraries.
    struct FakeSymbol {
        std::string name;
        void* address;
    };
    bool useSystemLibraries = false;
    bool libraryPresent = false;
    std::vector<FakeSymbol> librarySymbols;
    std::string lastLibraryName;
    int openLibraries = 0;

    // A record of the calls that change the display or load libraries, for order checks, e.g.
    // "OpenLibrary libqxsound.so", "CreateWindow", "SetDisplayMode 320x200x32", "CloseLibrary",
    // "DestroyWindow".
    bool recordCalls = true;
    std::vector<std::string> calls;

    uint32_t Milliseconds() override;
    void Sleep(uint32_t milliseconds) override;
    bool CreateWindow(const WindowRequest& request) override;
    void ShowWindow() override;
    void DestroyWindow() override;
    bool PollEvent(InputEvent& event) override;
    void SetCursorVisible(bool visible) override;
    bool WindowVisible() override { return windowVisible; }
    bool ShowHeld() override { return clock >= showHeldFrom && clock < showHeldUntil; }
    bool PageControls() override { return pageControls; }
    void PublishSeekIndexEntry(const uint8_t* bytes, size_t size) override {
        published.emplace_back(bytes, bytes + size);
    }
    bool OpenFullScreenDevice() override;
    bool EnumerateDisplayModes(uint32_t width, uint32_t height, ModeCallback callback,
                               void* context) override;
    bool SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel) override;
    void RestoreDisplayMode() override;
    bool SetFullScreen(bool on) override;
    bool CreatePresentSurface(uint32_t width, uint32_t height) override;
    void ReleasePresentSurface() override;
    void Present(const uint32_t* pixels, uint32_t width, uint32_t height, uint32_t pitch) override;
    FileHandle OpenOwnExecutable() override;
    int64_t FileSize(FileHandle file) override;
    int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count) override;
    void CloseFile(FileHandle file) override;
    void* OpenLibraryBesideExecutable(const char* fileName) override;
    void* FindSymbol(void* library, const char* name) override;
    void CloseLibrary(void* library) override;

private:
    struct TimedEvent {
        uint32_t atTime;
        InputEvent event;
    };
    std::deque<TimedEvent> events;
    bool memoryFileOpen = false;
    void Record(std::string call);
    // Records the call, then, unless it is to fail, sets `state` to `value`; false when it fails.
    bool Switch(std::string call, bool fail, bool& state, bool value);
};

// The standard mode list: 15, 16, 24 and 32 bits, RGB, at the given size.
std::vector<ModeDescription> VirtualModeList(uint32_t width, uint32_t height);

}  // namespace qx
