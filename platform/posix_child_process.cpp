#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace qx {

namespace {

// Our ends of the pipes are moved at or above this, so that none of them sits on a descriptor
// the child's inputs are placed on (a dup2 onto itself would keep close-on-exec set).
constexpr int kLowestOwnDescriptor = 10;
constexpr size_t kQuotedErrorLength = 200;  // characters of the child's last error line
// Input i arrives on the child's descriptor kChildInputDescriptors[i].
constexpr int kChildInputDescriptors[kMaxChildInputs] = {0, 3};

// SIGPIPE's action while a child runs: ignored, the previous one kept to put back.
struct sigaction savedPipeAction;
int childrenRunning = 0;

void IgnoreBrokenPipes() {
    if (childrenRunning++ > 0) return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &savedPipeAction);
}

void RestoreBrokenPipes() {
    if (childrenRunning == 0 || --childrenRunning > 0) return;
    sigaction(SIGPIPE, &savedPipeAction, nullptr);
}

// A close-on-exec copy at or above kLowestOwnDescriptor; the original is closed.
int MoveHigh(int descriptor) {
    const int moved = fcntl(descriptor, F_DUPFD_CLOEXEC, kLowestOwnDescriptor);
    close(descriptor);
    return moved;
}

void CloseDescriptor(int& descriptor) {
    if (descriptor >= 0) close(descriptor);
    descriptor = -1;
}

// The last non-empty line of the child's standard error, at most kQuotedErrorLength characters.
std::string LastErrorLine(int file) {
    std::string text;
    char block[4096];
    ssize_t n;
    while (file >= 0 && (n = pread(file, block, sizeof block, static_cast<off_t>(text.size()))) > 0)
        text.append(block, static_cast<size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    const size_t start = text.find_last_of("\r\n");
    std::string line = start == std::string::npos ? text : text.substr(start + 1);
    if (line.size() > kQuotedErrorLength) line.resize(kQuotedErrorLength);
    return line;
}

void ReleaseChild(ChildProcess& child) {
    for (int& input : child.inputs) CloseDescriptor(input);
    CloseDescriptor(child.errorOutput);
    child.processId = -1;
    RestoreBrokenPipes();
}

// Waits for the child; its status as waitpid gives it, or -1.
int WaitForChild(int processId) {
    int status = 0;
    while (waitpid(processId, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

}  // namespace

ChildStart StartChildProcess(const char* const* arguments, uint32_t inputCount, ChildProcess& child,
                             std::string& failure) {
    child = {};
    if (inputCount == 0 || inputCount > kMaxChildInputs) {
        failure = "bad input count";
        return ChildStart::Failed;
    }
    // A nameless temporary file: the descriptor keeps it after the stream is closed.
    if (std::FILE* file = std::tmpfile()) {
        child.errorOutput = fcntl(fileno(file), F_DUPFD_CLOEXEC, kLowestOwnDescriptor);
        std::fclose(file);
    }
    if (child.errorOutput < 0) {
        failure = std::string("no temporary file for its messages: ") + std::strerror(errno);
        return ChildStart::Failed;
    }
    IgnoreBrokenPipes();
    int readEnds[kMaxChildInputs] = {-1, -1};
    bool ok = true;
    for (uint32_t i = 0; i < inputCount && ok; ++i) {
        int ends[2];
        ok = pipe(ends) == 0;
        if (!ok) break;
        readEnds[i] = MoveHigh(ends[0]);
        child.inputs[i] = MoveHigh(ends[1]);
        ok = readEnds[i] >= 0 && child.inputs[i] >= 0 &&
             fcntl(child.inputs[i], F_SETFL, fcntl(child.inputs[i], F_GETFL) | O_NONBLOCK) == 0;
    }
    if (!ok) failure = std::string("no pipe: ") + std::strerror(errno);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    for (uint32_t i = 0; i < inputCount; ++i)
        posix_spawn_file_actions_adddup2(&actions, readEnds[i], kChildInputDescriptors[i]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, child.errorOutput, 2);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    ChildStart result = ChildStart::Failed;
    if (ok) {
        pid_t processId = -1;
        const int error = posix_spawnp(&processId, arguments[0], &actions, &attributes,
                                       const_cast<char* const*>(arguments), environ);
        if (error == 0) {
            child.processId = processId;
            result = ChildStart::Started;
        } else {
            failure = std::strerror(error);
            result = error == ENOENT ? ChildStart::NotFound : ChildStart::Failed;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    for (int& readEnd : readEnds) CloseDescriptor(readEnd);
    if (result != ChildStart::Started) ReleaseChild(child);
    return result;
}

bool WriteChildInputs(ChildProcess& child, std::span<ChildInputBuffer> buffers,
                      std::string& failure) {
    for (ChildInputBuffer& buffer : buffers) {
        const int descriptor = buffer.input < kMaxChildInputs ? child.inputs[buffer.input] : -1;
        while (buffer.written < buffer.size) {
            if (descriptor < 0) {
                failure = "its input is closed";
                return false;
            }
            const ssize_t n =
                write(descriptor, buffer.data + buffer.written, buffer.size - buffer.written);
            if (n > 0) {
                buffer.written += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;  // the pipe is full
            } else {
                failure = std::string("it stopped reading its input: ") + std::strerror(errno);
                return false;
            }
        }
    }
    return true;
}

bool WaitForChildInputs(const ChildProcess& child, std::span<const ChildInputBuffer> buffers,
                        std::string& failure) {
    pollfd waiting[kMaxChildInputs];
    nfds_t count = 0;
    for (const ChildInputBuffer& buffer : buffers) {
        if (buffer.written == buffer.size || buffer.input >= kMaxChildInputs ||
            child.inputs[buffer.input] < 0 || count == kMaxChildInputs)
            continue;
        waiting[count++] = {child.inputs[buffer.input], POLLOUT, 0};
    }
    if (count == 0) return true;
    while (poll(waiting, count, -1) < 0) {
        if (errno != EINTR) {
            failure = std::string("waiting for it failed: ") + std::strerror(errno);
            return false;
        }
    }
    return true;
}

std::string ChildInputName(uint32_t input) {
    return "pipe:" + std::to_string(input < kMaxChildInputs ? kChildInputDescriptors[input] : -1);
}

void CloseChildInput(ChildProcess& child, uint32_t input) {
    if (input < kMaxChildInputs) CloseDescriptor(child.inputs[input]);
}

bool FinishChildProcess(ChildProcess& child, std::string& failure) {
    if (child.processId < 0) {
        failure = "it is not running";
        return false;
    }
    for (int& input : child.inputs) CloseDescriptor(input);
    const int status = WaitForChild(child.processId);
    bool ok = false;
    if (status < 0) {
        failure = std::string("waiting for it failed: ") + std::strerror(errno);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        ok = true;
    } else {
        failure = WIFEXITED(status) ? "it exited with status " + std::to_string(WEXITSTATUS(status))
                                    : "it was ended by signal " + std::to_string(WTERMSIG(status));
        const std::string said = LastErrorLine(child.errorOutput);
        if (!said.empty()) failure += ": " + said;
    }
    ReleaseChild(child);
    return ok;
}

void AbandonChildProcess(ChildProcess& child) {
    if (child.processId < 0) return;
    for (int& input : child.inputs) CloseDescriptor(input);
    kill(child.processId, SIGTERM);
    WaitForChild(child.processId);
    ReleaseChild(child);
}

}  // namespace qx
