// POSIX implementation of the window-less services that are the same on the desktop and in the
// browser build: the clock, file reads and files by name (UTF-8 is what POSIX names are).
// Sleeping, the program's own file and its libraries
// are linux_program.cpp's or web_program.cpp's.
#include "platform/os_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace qx::os {

namespace {

// Read-ahead for small reads: a reader that goes through a file a little at a time (the entry
// decoder takes 1 KB at a time) costs one system call per kReadAheadBytes instead of one per
// read, and gets the same bytes, short reads at the end of the file and failures as from pread.
// It holds bytes [offset, offset + fill) of one open file, forgotten when that file is closed or
// its descriptor is opened anew. A file is not changed while it is read here (the program's own
// file cannot be); files are read on one thread.
constexpr size_t kReadAheadBytes = 64 * 1024;
struct ReadAhead {
    FileHandle file = kNoFile;
    uint64_t offset = 0;
    size_t fill = 0;
    unsigned char bytes[kReadAheadBytes];
};
ReadAhead readAhead;

void ForgetReadAhead(FileHandle file) {
    if (readAhead.file == file) readAhead.file = kNoFile;
}

// pread until count bytes, the end of the file or a failure (-1).
int64_t ReadFully(FileHandle file, uint64_t offset, unsigned char* out, size_t count) {
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

}  // namespace

uint32_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps at 2^32 ms (about 49.7 days): the clock is a 32-bit count (platform.h).
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

FileHandle OpenFile(const char* path) {
    int fd;
    do {
        fd = open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kNoFile;
    ForgetReadAhead(fd);
    return fd;
}

int64_t FileSize(FileHandle file) {
    struct stat info {};
    if (file == kNoFile || fstat(file, &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count) {
    if (file == kNoFile || offset > static_cast<uint64_t>(INT64_MAX)) return -1;
    auto* out = static_cast<unsigned char*>(destination);
    if (count > kReadAheadBytes / 4) return ReadFully(file, offset, out, count);
    ReadAhead& ahead = readAhead;
    if (ahead.file != file || offset < ahead.offset || offset + count > ahead.offset + ahead.fill) {
        const int64_t got = ReadFully(file, offset, ahead.bytes, kReadAheadBytes);
        if (got < 0) {
            // Perhaps only past the bytes asked for: they decide.
            ahead.file = kNoFile;
            return ReadFully(file, offset, out, count);
        }
        ahead.file = file;
        ahead.offset = offset;
        ahead.fill = static_cast<size_t>(got);
    }
    const size_t held = std::min(count, static_cast<size_t>(ahead.offset + ahead.fill - offset));
    std::memcpy(out, ahead.bytes + (offset - ahead.offset), held);
    return static_cast<int64_t>(held);
}

void CloseFile(FileHandle file) {
    if (file == kNoFile) return;
    ForgetReadAhead(file);
    close(file);
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::FILE* OpenStandardFile(const char* path, const char* mode) { return std::fopen(path, mode); }

bool RenameFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool RemoveFile(const char* path) { return std::remove(path) == 0; }

std::string AbsolutePath(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.string();
}

char** ArgumentsAsUtf8(int, char** argv) { return argv; }

void ReachStartingConsole() {}

}  // namespace qx::os
