// The program's one error code: 0 at start, set by a failing host service, the process exit code.
#pragma once

#include <cstdint>

namespace qx {

enum : uint32_t {
    kErrorNone = 0,
    kErrorNoDisplay = 1,      // no display could be opened, or no exclusive use of it
    kErrorDisplayMode = 2,    // full screen could not be entered
    kErrorTickPeriod = 3,     // the tick scheduler was started with period 0
    kErrorNoFramebuffer = 4,  // no framebuffer or presentation surface
    kErrorSound = 6,          // the sound module does not load or initialise, or the song fails
    kErrorSongFile = 8,       // the song file service failed
    kErrorArchive = 9,        // the archive cannot be opened, is damaged, or an entry won't decode
    kErrorStoryboard = 10,    // a storyboard file of the offline run could not be written
    kErrorCaptureWrite = 11,  // the capture could not be written (unwritable path, disk full)
    kErrorCaptureEncoder = 12,  // ffmpeg, needed for a video capture, is missing or failed
};

// Exit codes outside the error codes.
inline constexpr int kExitFlashes = 13;  // the flash report found seconds over the threshold
inline constexpr int kExitUsage = 64;  // unknown or malformed long option
// A clean end after SIGINT or SIGTERM: 128 + the signal's number, 130 and 143.
inline constexpr int kExitSignalBase = 128;

struct ErrorState {
    uint32_t errorCode = kErrorNone;
    const char* errorCause = "";  // static text naming the cause, for the one-line report
};
extern ErrorState errorState;

// Stores the code and its cause and returns false, so a failing service ends with
// `return SetErrorCode(...)` and its caller sees failure.
bool SetErrorCode(uint32_t code, const char* cause);

// Prints "QX_Marrowtide: <cause> (error <code>)" on standard error.
void ReportError();

[[noreturn]] void ExitWithErrorCode();

// Exits with kExitSignalBase + signalNumber.
[[noreturn]] void ExitAfterSignal(int signalNumber);

}  // namespace qx
