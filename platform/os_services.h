// Operating-system services that need no window: the monotonic clock, sleeping, reading the
// program's own executable and loading shared libraries from its directory (or, installed, from
// ../lib/marrowtide/ beside it), files named in UTF-8, the console. Shared by the SDL platform and
// the offline run. One implementation per system: posix_system.cpp with linux_program.cpp or
// web_program.cpp, and windows_system.cpp.
#pragma once

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace qx::os {

uint32_t MonotonicMilliseconds();
void SleepMilliseconds(uint32_t milliseconds);

FileHandle OpenOwnExecutable();
FileHandle OpenFile(const char* path);
int64_t FileSize(FileHandle file);
int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count);
void CloseFile(FileHandle file);

// Whether standard error is a terminal (a person watches it) rather than a file or a pipe.
bool StandardErrorIsTerminal();

void* OpenLibraryBesideExecutable(const char* fileName);
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);

// Files named by UTF-8 paths (Windows' own file functions take UTF-16 names: a name with letters
// outside the ANSI code page must not be lost). RenameFile replaces an existing `to`, as POSIX
// rename does. AbsolutePath is `path` made absolute against the working directory.
std::FILE* OpenStandardFile(const char* path, const char* mode);
bool RenameFile(const char* from, const char* to);
bool RemoveFile(const char* path);
std::string AbsolutePath(const std::string& path);

// The program's arguments as UTF-8 words (on Windows taken again from the wide command line; the
// C runtime's own argv is in the ANSI code page). The returned array lives as long as the program.
char** ArgumentsAsUtf8(int argc, char** argv);

// Makes standard output and error reach a console the program was started from, when it has no
// other place to write them (a Windows program without a console of its own); nothing elsewhere.
void ReachStartingConsole();

// Hands an entry of the seek index to whoever builds the index for another instance: in the
// browser's worker, a message to the page; nobody on the desktop.
void PublishSeekIndexEntry(const uint8_t* bytes, size_t size);

}  // namespace qx::os
