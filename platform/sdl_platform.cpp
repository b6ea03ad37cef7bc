// The SDL platform's instance, clock, files, libraries, display modes and desktop full screen.
#include "platform/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/os_services.h"
#include "platform/sdl_platform_parts.h"

namespace qx {
namespace {

// The depths the mode enumeration offers; any of them is emulated by the presentation.
constexpr uint32_t kModeDepths[] = {15, 16, 24, 32};

bool IsOfferedDepth(uint32_t bits) {
    return std::find(std::begin(kModeDepths), std::end(kModeDepths), bits) != std::end(kModeDepths);
}

}  // namespace

uint32_t SdlPlatform::Milliseconds() { return os::MonotonicMilliseconds(); }
void SdlPlatform::Sleep(uint32_t milliseconds) { os::SleepMilliseconds(milliseconds); }

FileHandle SdlPlatform::OpenOwnExecutable() { return os::OpenOwnExecutable(); }
int64_t SdlPlatform::FileSize(FileHandle file) { return os::FileSize(file); }
int64_t SdlPlatform::ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count) {
    return os::ReadFileAt(file, offset, destination, count);
}
void SdlPlatform::CloseFile(FileHandle file) { os::CloseFile(file); }

void* SdlPlatform::OpenLibraryBesideExecutable(const char* fileName) {
    return os::OpenLibraryBesideExecutable(fileName);
}
void* SdlPlatform::FindSymbol(void* library, const char* name) {
    return os::FindSymbol(library, name);
}
void SdlPlatform::CloseLibrary(void* library) { os::CloseLibrary(library); }

bool SdlPlatform::OpenFullScreenDevice() { return window_ != nullptr; }

bool SdlPlatform::EnumerateDisplayModes(uint32_t width, uint32_t height, ModeCallback callback,
                                        void* context) {
    if (window_ == nullptr || callback == nullptr) {
        return false;
    }
    for (const uint32_t depth : kModeDepths) {
        ModeDescription mode;
        mode.flags = kModeHasPixelFormat;
        mode.pixelFormatFlags = kPixelFormatRgb;
        mode.rgbBitCount = depth;
        mode.width = width;
        mode.height = height;
        if (callback(mode, context) != kEnumerateContinue) {
            break;
        }
    }
    return true;
}

bool SdlPlatform::SetDisplayMode(uint32_t /*width*/, uint32_t /*height*/, uint32_t bitsPerPixel) {
    if (window_ == nullptr || !IsOfferedDepth(bitsPerPixel)) {
        return false;
    }
    if (!EnterFullScreen(true)) {
        return false;
    }
    modeSet_ = true;
    return true;
}

void SdlPlatform::RestoreDisplayMode() {
    if (modeSet_) {
        EnterFullScreen(false);
        modeSet_ = false;
    }
}

bool SdlPlatform::SetFullScreen(bool on) { return window_ != nullptr && EnterFullScreen(on); }

// Desktop full screen is a request to the window manager. So that the window also covers
// the display where none honours it (a bare X server), it is first moved and sized to the
// display's bounds while still windowed; its windowed placement is remembered and put back
// on the way out.
bool SdlPlatform::EnterFullScreen(bool on) {
    const bool isFullScreen = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
    if (on == isFullScreen) {
        return true;
    }
    if (!on) {
        if (SDL_SetWindowFullscreen(window_, 0) != 0) {
            return false;
        }
        RestoreWindowedPlacement();
        return true;
    }
    SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
    SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_Rect bounds;
    if (display >= 0 && SDL_GetDisplayBounds(display, &bounds) == 0) {
        SDL_SetWindowPosition(window_, bounds.x, bounds.y);
        SDL_SetWindowSize(window_, bounds.w, bounds.h);
    }
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        RestoreWindowedPlacement();
        return false;
    }
    return true;
}

void SdlPlatform::RestoreWindowedPlacement() {
    SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
    SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
}

Platform& SdlPlatformInstance() {
    static SdlPlatform instance;
    return instance;
}

}  // namespace qx
