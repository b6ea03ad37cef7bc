// A helper program run beside ours and fed through pipes (the video encoder of a capture): started
// from PATH with its inputs on its standard input and a second pipe (ChildInputName), written without blocking (the
// caller waits only when no input it has bytes for can take any), and ended with its exit status
// and the last line it wrote on standard error. One process group of its own, so that a terminal's
// Ctrl+C reaches only the program, which decides the helper's end; SIGPIPE is ignored in the
// program while a helper runs, so that a helper that stops reading shows as a failed write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qx {

inline constexpr uint32_t kMaxChildInputs = 2;

// What the child is told to read input i from, as ffmpeg names inputs: its standard input for the
// first ("pipe:0"); on POSIX descriptor 3 for the second ("pipe:3"), on Windows, where a child
// inherits no numbered descriptors, a named pipe of this process ("\\.\pipe\...").
std::string ChildInputName(uint32_t input);

// On Windows the fields hold handles: the kernel's handle values fit 32 bits (and -1 stays
// INVALID_HANDLE_VALUE), so one record serves both systems.
struct ChildProcess {
    int processId = -1;                      // -1: no child (Windows: the process's handle)
    int inputs[kMaxChildInputs] = {-1, -1};  // our non-blocking write ends; -1 when closed
    int errorOutput = -1;                    // the child's standard error, a temporary file
};

// Bytes for one input; `written` advances as the child takes them.
struct ChildInputBuffer {
    uint32_t input = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t written = 0;
};

enum class ChildStart { Started, NotFound, Failed };

// Starts arguments[0], looked up on PATH, with the null-terminated argument list and
// `inputCount` (1 or 2) pipes; its standard output is discarded. On failure `failure` says why.
ChildStart StartChildProcess(const char* const* arguments, uint32_t inputCount, ChildProcess& child,
                             std::string& failure);

// Writes each buffer as far as its input takes bytes now, without waiting. False, with
// `failure`, when the child stopped reading an input (it ended or closed it).
bool WriteChildInputs(ChildProcess& child, std::span<ChildInputBuffer> buffers,
                      std::string& failure);

// Waits until an input of a buffer with bytes left can take more, or the child has closed it
// (which the next write reports).
bool WaitForChildInputs(const ChildProcess& child, std::span<const ChildInputBuffer> buffers,
                        std::string& failure);

// The child sees the end of that input.
void CloseChildInput(ChildProcess& child, uint32_t input);

// Closes every input and waits for the child. True when it exited with status 0; otherwise
// `failure` names the status or signal and quotes the last line it wrote on standard error.
bool FinishChildProcess(ChildProcess& child, std::string& failure);

// Ends a child that is no longer wanted: closes its inputs, sends SIGTERM and waits for it.
void AbandonChildProcess(ChildProcess& child);

}  // namespace qx
