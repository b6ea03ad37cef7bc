// The capture's internals shared by its files (private to host/).
//
// capture.cpp          the run's side: state, output names, start, each pass, finish, progress
// capture_files.cpp    the y4m and WAV writers and their formats
// capture_encoder.cpp  ffmpeg: its scaling and command line, the child process fed both streams
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/picture.h"

namespace qx::capture_parts {

// The pictures go to ffmpeg as bgr0 and the sound as s16le straight from memory, and the WAV
// holds the samples as rendered: all of that reads the bytes of a little-endian machine.
static_assert(std::endian::native == std::endian::little);

inline constexpr uint32_t kPlanePixels = kPicturePixels;

// Sets the error code with `cause` as its message, kept for the report after the run; false.
bool Fail(uint32_t code, std::string cause);
// Error 11 for `name`, with the system's message for errno value `error`; false.
bool FailWrite(const std::string& name, int error);

// Whether the path ends with `extension` (".y4m"), in any case.
bool HasExtension(const std::string& path, std::string_view extension);

// Opens `partial` for writing; null (error 11 for `shownName`) when it cannot.
std::FILE* OpenOutput(const std::string& partial, const std::string& shownName, bool buffered);

// The y4m and WAV writers (capture_files.cpp), on captureState.
bool StartWriters();
bool WriteY4mPicture(const uint32_t* pixels);
bool WriteWavSound();
bool CompleteWriters();  // the WAV's sizes, both files closed, the WAV renamed

// ffmpeg (capture_encoder.cpp), on captureState.
bool StartEncoder();
bool QueuePicture(const uint32_t* pixels);
bool CompleteEncoder();  // everything sent, ffmpeg ended successfully

}  // namespace qx::capture_parts
