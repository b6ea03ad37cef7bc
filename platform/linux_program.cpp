// The program as the desktop runs it: sleeping in the kernel, its own executable file through
// /proc/self/exe, and shared libraries opened with dlopen beside it or in the installed layout.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/os_services.h"

namespace qx::os {

void SleepMilliseconds(uint32_t milliseconds) {
    timespec request{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&request, &request) != 0 && errno == EINTR) {
    }
}

FileHandle OpenOwnExecutable() { return OpenFile("/proc/self/exe"); }

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

void PublishSeekIndexEntry(const uint8_t*, size_t) {}

}  // namespace qx::os
