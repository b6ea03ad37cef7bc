// Operating-system services that need no window: the monotonic clock, sleeping, reading the
// program's own executable and loading shared libraries from its directory (or, installed, from
// ../lib/marrowtide/ beside it). Shared by the SDL platform and the offline run.
#pragma once

#include "platform/platform.h"

namespace qx::posix {

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

// Hands an entry of the seek index to whoever builds the index for another instance: in the
// browser's worker, a message to the page; nobody on the desktop.
void PublishSeekIndexEntry(const uint8_t* bytes, size_t size);

}  // namespace qx::posix
