// Windows implementation of the window-less services: the clock and sleeping, the program's own
// file by its module path, positional binary reads, the sound module as a DLL beside the
// executable (LoadLibrary/GetProcAddress), files named in UTF-8 through Windows' UTF-16 names,
// arguments from the wide command line, and the console the program was started from.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef CreateWindow  // a macro of windows.h; the platform's CreateWindow is its own
// after windows.h
#include <mmsystem.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/os_services.h"
#include "platform/windows_text.h"

namespace qx::os {

namespace {

HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// The running executable's full path (long paths included).
std::wstring ExecutablePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return std::wstring(path.data(), length);
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

FileHandle OpenWide(const std::wstring& path) {
    if (path.empty()) return kNoFile;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

// Sleep's granularity is the system timer's period, 15.6 ms unless a program asks for less: too
// coarse to pace 60 frames a second. Asked once, for the program's life.
void UseFineTimer() {
    static const bool asked = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)asked;
}

}  // namespace

uint32_t MonotonicMilliseconds() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const int64_t ticks = static_cast<int64_t>(now.QuadPart);
    // Whole seconds and the rest apart, so that the product cannot overflow; wraps at 2^32 ms.
    const int64_t milliseconds =
        ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
    return static_cast<uint32_t>(milliseconds);
}

void SleepMilliseconds(uint32_t milliseconds) {
    UseFineTimer();
    Sleep(milliseconds);
}

FileHandle OpenOwnExecutable() { return OpenWide(ExecutablePath()); }

FileHandle OpenFile(const char* path) { return OpenWide(WideFromUtf8(path)); }

int64_t FileSize(FileHandle file) {
    LARGE_INTEGER size;
    if (file == kNoFile || !GetFileSizeEx(AsHandle(file), &size)) return -1;
    return static_cast<int64_t>(size.QuadPart);
}

int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count) {
    if (file == kNoFile || offset > static_cast<uint64_t>(INT64_MAX)) return -1;
    auto* out = static_cast<unsigned char*>(destination);
    size_t done = 0;
    while (done < count) {
        // A read at a position of its own: the handle's file pointer is not used.
        OVERLAPPED at{};
        const uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const size_t left = count - done;
        const DWORD asked = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(AsHandle(file), out + done, asked, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;  // at or past the end: a short read
            return -1;
        }
        if (got == 0) break;
        done += got;
    }
    return static_cast<int64_t>(done);
}

void CloseFile(FileHandle file) {
    if (file != kNoFile) CloseHandle(AsHandle(file));
}

bool StandardErrorIsTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void* OpenLibraryBesideExecutable(const char* fileName) {
    std::wstring path = ExecutablePath();
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return nullptr;
    path.resize(slash + 1);
    path += WideFromUtf8(fileName);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
    // The module's own dependencies (SDL2.dll) are looked for beside it first.
    return reinterpret_cast<void*>(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

void* FindSymbol(void* library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

std::FILE* OpenStandardFile(const char* path, const char* mode) {
    const std::wstring name = WideFromUtf8(path);
    const std::wstring wideMode = WideFromUtf8(mode);
    if (name.empty()) return (errno = ENOENT, nullptr);
    return _wfopen(name.c_str(), wideMode.c_str());
}

// errno for a failed file call, as the C library's own calls leave it for the messages.
bool FailWithErrno() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            errno = ENOENT;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            errno = EACCES;
            break;
        case ERROR_DISK_FULL:
            errno = ENOSPC;
            break;
        default:
            errno = EIO;
    }
    return false;
}

bool RenameFile(const char* from, const char* to) {
    const std::wstring a = WideFromUtf8(from), b = WideFromUtf8(to);
    if (a.empty() || b.empty()) return (errno = ENOENT, false);
    return MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) ||
           FailWithErrno();
}

bool RemoveFile(const char* path) {
    const std::wstring name = WideFromUtf8(path);
    if (name.empty()) return (errno = ENOENT, false);
    return DeleteFileW(name.c_str()) || FailWithErrno();
}

std::string AbsolutePath(const std::string& path) {
    const std::wstring name = WideFromUtf8(path.c_str());
    if (name.empty()) return path;
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::vector<wchar_t> full(size);
    if (GetFullPathNameW(name.c_str(), size, full.data(), nullptr) == 0) return path;
    return Utf8FromWide(full.data());
}

char** ArgumentsAsUtf8(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        if (wide != nullptr) LocalFree(wide);
        return argv;  // not the command line the runtime read: keep the runtime's words
    }
    static std::vector<std::string> words;
    static std::vector<char*> pointers;
    words.clear();
    for (int i = 0; i < count; ++i) words.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    pointers.clear();
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers.data();
}

void ReachStartingConsole() {
    // A program of the Windows subsystem opens no console when started from Explorer. Started
    // from a console, it writes there; output sent to a file or a pipe stays where it was sent.
    // A handle a Windows-subsystem program is given may also be a console handle of its parent's,
    // which means nothing in this process: only a file, a pipe or a console of its own counts.
    const auto missing = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return true;
        SetLastError(NO_ERROR);
        return GetFileType(handle) == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR;
    };
    const bool noOutput = missing(STD_OUTPUT_HANDLE), noError = missing(STD_ERROR_HANDLE);
    if ((noOutput || noError) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (noOutput) std::freopen("CONOUT$", "w", stdout);
        if (noError) std::freopen("CONOUT$", "w", stderr);
    }
    // Paths and messages are UTF-8.
    SetConsoleOutputCP(CP_UTF8);
}

void PublishSeekIndexEntry(const uint8_t*, size_t) {}

}  // namespace qx::os
