// The platform layer: every service the program takes from the operating system, behind one
// interface. The engine above it never includes SDL or POSIX headers; it reaches the window, the
// clock, its own executable file and shared libraries through the active Platform.
//
// Implementations:
//   SdlPlatform      (sdl_platform.h)      an SDL2 window, the real monotonic clock, POSIX files
//   OfflinePlatform  (offline_platform.h)  the offline run: virtual clock, no window, no sound
//                                          device, POSIX files and libraries
// The tests bring their own in-process platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

enum class KeyCode : uint8_t {
    Other,
    Escape,
    Enter,
    F11,
    Space,
    Right,
    Left,
    PageDown,
    PageUp,
    Home,
    Period,
    F12,
    D
};
enum class MouseButton : uint8_t { Other, Left, Middle, Right };

// One input event, already reduced to what the window procedure distinguishes.
struct InputEvent {
    enum class Kind : uint8_t { KeyDown, KeyUp, ButtonDown, ButtonUp, CloseRequest };
    Kind kind = Kind::KeyDown;
    KeyCode key = KeyCode::Other;             // key events only
    bool alt = false;                         // key events: an Alt key was held
    MouseButton button = MouseButton::Other;  // button events only
};

struct WindowRequest {
    const char* title = "";
    const char* className = "";
    uint32_t width = 0;  // framebuffer size in pixels; the window's size follows from it
    uint32_t height = 0;
    bool fullScreen = false;    // true: the window will cover the screen once a mode is set
    bool squarePixels = false;  // false: the picture is shown at 4:3 like the displays of its day
};

// A display mode as the mode enumeration lists it. Only the fields the mode choice reads.
struct ModeDescription {
    uint32_t flags = 0;             // kModeHasPixelFormat when the pixel format fields are valid
    uint32_t pixelFormatFlags = 0;  // kPixelFormatRgb for an RGB (not palette, not YUV) mode
    uint32_t rgbBitCount = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};
inline constexpr uint32_t kModeHasPixelFormat = 0x1000;
inline constexpr uint32_t kPixelFormatRgb = 0x40;
inline constexpr int kEnumerateContinue = 1;
using ModeCallback = int (*)(const ModeDescription& mode, void* context);

// A file handle of the platform (a POSIX descriptor, a Windows HANDLE's value); kNoFile when
// nothing is open (-1 is also Windows' INVALID_HANDLE_VALUE).
using FileHandle = intptr_t;
inline constexpr FileHandle kNoFile = -1;

class Platform {
public:
    virtual ~Platform() = default;

    // Clock: milliseconds on a monotonic clock as a 32-bit count, wrapping at 2^32 (about 49.7
    // days); its readers take wrapped differences, so the wrap does them no harm.
    virtual uint32_t Milliseconds() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;

    // Window. CreateWindow leaves it hidden; false means no display could be opened.
    virtual bool CreateWindow(const WindowRequest& request) = 0;
    virtual void ShowWindow() = 0;
    virtual void DestroyWindow() = 0;  // harmless without a window
    virtual bool PollEvent(InputEvent& event) = 0;
    virtual void SetCursorVisible(bool visible) = 0;
    // False while the window is hidden or minimised: presenting then shows nothing, and the
    // frame loop sleeps longer between unpaced frames. Platforms that show nothing in any case
    // (the offline run) keep the default, so that their runs keep their timing.
    virtual bool WindowVisible() { return true; }
    // True while the show should wait where it is, its picture and music held, because nobody can
    // watch it (a browser tab in the background); the desktop never holds it.
    virtual bool ShowHeld() { return false; }
    // True where the sound is mixed on the program's own thread in the time between frames (the
    // browser): work done there instead would starve the sound.
    virtual bool SoundMixedBetweenFrames() { return false; }
    // True where the show sits in a page that shows its own player controls (the browser):
    // nothing is drawn on the picture to say where the show is, and at its end the show holds
    // its last picture instead of ending, so that it can be watched again or moved back.
    virtual bool PageControls() { return false; }
    // An entry of the seek index, built by this instance of the program for another one (the
    // browser's worker posts it to the page's program); nothing where nobody takes it.
    virtual void PublishSeekIndexEntry(const uint8_t* bytes, size_t size) {
        static_cast<void>(bytes);
        static_cast<void>(size);
    }

    // Full screen. The display is never really switched: entering a mode means desktop full
    // screen, and the depth is emulated by the presentation.
    virtual bool OpenFullScreenDevice() = 0;  // exclusive full-screen use of the display
    virtual bool EnumerateDisplayModes(uint32_t width, uint32_t height, ModeCallback callback,
                                       void* context) = 0;
    virtual bool SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel) = 0;
    virtual void RestoreDisplayMode() = 0;
    virtual bool SetFullScreen(bool on) = 0;  // the viewer's toggle (Alt+Enter, F11)

    // Presentation of a width x height picture of 0x00RRGGBB pixels, rows pitch pixels apart.
    virtual bool CreatePresentSurface(uint32_t width, uint32_t height) = 0;
    virtual void ReleasePresentSurface() = 0;
    virtual void Present(const uint32_t* pixels, uint32_t width, uint32_t height,
                         uint32_t pitch) = 0;

    // Files: the running program's own executable, read at absolute byte offsets.
    virtual FileHandle OpenOwnExecutable() = 0;
    virtual int64_t FileSize(FileHandle file) = 0;  // -1 on failure
    // Reads up to count bytes at offset; returns the number read, -1 on failure.
    virtual int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination,
                               size_t count) = 0;
    virtual void CloseFile(FileHandle file) = 0;

    // Shared libraries, looked up beside the executable, then where an installed program keeps
    // them (../lib/marrowtide/ from the executable's directory).
    virtual void* OpenLibraryBesideExecutable(const char* fileName) = 0;
    virtual void* FindSymbol(void* library, const char* name) = 0;
    virtual void CloseLibrary(void* library) = 0;
};

// The platform every subsystem uses. main installs the desktop or the offline one, a test its
// own. Asking before one is installed stops the program with a message on standard error.
Platform& ThePlatform();
void UsePlatform(Platform* platform);

}  // namespace qx
