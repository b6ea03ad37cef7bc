// The platform of the offline run (--headless and the options that imply it): a virtual
// millisecond clock that moves only when the program sleeps, no window and no sound device, the
// real files and the real shared libraries beside the executable.
//
// Every window, full-screen and presentation request succeeds and shows nothing, so start-up
// and shutdown take the same path as with a display. The display-mode list holds 15, 16, 24 and
// 32 bits RGB at whatever size is asked for. No input event ever arrives, only the close request
// of a termination signal (SIGINT, SIGTERM); otherwise the run ends by itself.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace qx {

class OfflinePlatform final : public Platform {
public:
    uint32_t Milliseconds() override;
    void Sleep(uint32_t milliseconds) override;
    bool CreateWindow(const WindowRequest& request) override;
    void ShowWindow() override;
    void DestroyWindow() override;
    bool PollEvent(InputEvent& event) override;
    void SetCursorVisible(bool visible) override;
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
    void PublishSeekIndexEntry(const uint8_t* bytes, size_t size) override;

private:
    uint32_t clock = 0;         // ms since the platform was made; wraps at 2^32
    bool windowExists = false;  // between CreateWindow and DestroyWindow
};

}  // namespace qx
