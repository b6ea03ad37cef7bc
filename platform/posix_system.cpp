// POSIX implementation of the window-less services.
#include "platform/posix_system.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace qx::posix {

uint32_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps at 2^32 ms (about 49.7 days), like the original's millisecond clock.
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepMilliseconds(uint32_t milliseconds) {
    timespec request{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&request, &request) != 0 && errno == EINTR) {
    }
}

FileHandle OpenOwnExecutable() { return OpenFile("/proc/self/exe"); }

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

namespace {

// Where a shared library of the program is looked for, relative to the executable's directory:
// beside it (the build tree, a program copied with its module) and then in the installed
// layout's private library folder (DIR/bin/QX_Marrowtide, DIR/lib/marrowtide/; the install
// rules in CMakeLists.txt put it there). The first folder holding the file is the one loaded.
constexpr const char* kLibraryFolders[] = {"", "../lib/marrowtide/"};

}  // namespace

void* OpenLibraryBesideExecutable(const char* fileName) {
    char directory[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", directory, sizeof directory - 1);
    if (length <= 0) return nullptr;
    directory[length] = '\0';
    char* slash = std::strrchr(directory, '/');
    if (slash == nullptr) return nullptr;
    slash[1] = '\0';
    for (const char* folder : kLibraryFolders) {
        char path[PATH_MAX];
        const int n = std::snprintf(path, sizeof path, "%s%s%s", directory, folder, fileName);
        if (n < 0 || static_cast<size_t>(n) >= sizeof path || access(path, F_OK) != 0) continue;
        return dlopen(path, RTLD_NOW | RTLD_LOCAL);
    }
    return nullptr;
}

void* FindSymbol(void* library, const char* name) {
    return library == nullptr ? nullptr : dlsym(library, name);
}

void CloseLibrary(void* library) {
    if (library != nullptr) dlclose(library);
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace qx::posix
