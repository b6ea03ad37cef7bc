// POSIX implementation of the window-less services that are the same on the desktop and in the
// browser build: the clock and file reads. Sleeping, the program's own file and its libraries
// are native_program.cpp's or web_program.cpp's.
#include "platform/posix_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace qx::posix {

uint32_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps at 2^32 ms (about 49.7 days), like the original's millisecond clock.
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

FileHandle OpenFile(const char* path) {
    int fd;
    do {
        fd = open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? kNoFile : fd;
}

int64_t FileSize(FileHandle file) {
    struct stat info {};
    if (file == kNoFile || fstat(file, &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count) {
    if (file == kNoFile || offset > static_cast<uint64_t>(INT64_MAX)) return -1;
    auto* out = static_cast<unsigned char*>(destination);
    size_t done = 0;
    while (done < count) {
        ssize_t got = pread(file, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;  // end of file: a short read
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

void CloseFile(FileHandle file) {
    if (file != kNoFile) close(file);
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace qx::posix
