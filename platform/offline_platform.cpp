#include "platform/offline_platform.h"

#include "platform/os_services.h"
#include "platform/termination_signals.h"

namespace qx {

namespace {
constexpr uint32_t kModeDepths[] = {15, 16, 24, 32};  // bits per pixel, RGB
}

uint32_t OfflinePlatform::Milliseconds() { return clock; }

// Time passes only here, so frame k of a paced run happens at exactly k x the frame period.
void OfflinePlatform::Sleep(uint32_t milliseconds) { clock += milliseconds; }

bool OfflinePlatform::CreateWindow(const WindowRequest&) {
    windowExists = true;
    return true;
}

void OfflinePlatform::ShowWindow() {}

void OfflinePlatform::DestroyWindow() { windowExists = false; }

// The only event of the offline run: a termination signal, as a close request.
bool OfflinePlatform::PollEvent(InputEvent& event) {
    if (!os::TakeTerminationRequest()) return false;
    event = InputEvent{};
    event.kind = InputEvent::Kind::CloseRequest;
    return true;
}

void OfflinePlatform::SetCursorVisible(bool) {}

// As with a display: full screen needs the window first.
bool OfflinePlatform::OpenFullScreenDevice() { return windowExists; }

bool OfflinePlatform::EnumerateDisplayModes(uint32_t width, uint32_t height, ModeCallback callback,
                                            void* context) {
    for (const uint32_t bits : kModeDepths) {
        const ModeDescription mode{kModeHasPixelFormat, kPixelFormatRgb, bits, width, height};
        if (callback(mode, context) != kEnumerateContinue) break;
    }
    return true;
}

bool OfflinePlatform::SetDisplayMode(uint32_t, uint32_t, uint32_t) { return true; }

void OfflinePlatform::RestoreDisplayMode() {}

bool OfflinePlatform::SetFullScreen(bool) { return windowExists; }

bool OfflinePlatform::CreatePresentSurface(uint32_t, uint32_t) { return true; }

void OfflinePlatform::ReleasePresentSurface() {}

void OfflinePlatform::Present(const uint32_t*, uint32_t, uint32_t, uint32_t) {}

FileHandle OfflinePlatform::OpenOwnExecutable() { return os::OpenOwnExecutable(); }

int64_t OfflinePlatform::FileSize(FileHandle file) { return os::FileSize(file); }

int64_t OfflinePlatform::ReadFileAt(FileHandle file, uint64_t offset, void* destination,
                                    size_t count) {
    return os::ReadFileAt(file, offset, destination, count);
}

void OfflinePlatform::CloseFile(FileHandle file) { os::CloseFile(file); }

void* OfflinePlatform::OpenLibraryBesideExecutable(const char* fileName) {
    return os::OpenLibraryBesideExecutable(fileName);
}

void* OfflinePlatform::FindSymbol(void* library, const char* name) {
    return os::FindSymbol(library, name);
}

void OfflinePlatform::CloseLibrary(void* library) { os::CloseLibrary(library); }

void OfflinePlatform::PublishSeekIndexEntry(const uint8_t* bytes, size_t size) {
    os::PublishSeekIndexEntry(bytes, size);
}

}  // namespace qx
