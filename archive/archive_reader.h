// The archive appended to the program's own executable file: the one archive state, opening it
// from the end of the file, raw reads of entries by number, and the bounded file reads the entry
// decoder shares. By default the program's own file is the one opened (the platform finds it),
// so the archive is found from any working directory; the archive tools name any other file.
//
// Everything read from the file is checked before it is used: the trailer must match the file
// size, the directory must end exactly at the trailer, every entry must lie between the magic
// text and the directory, and every read must deliver all its bytes. A failing operation leaves
// a static text naming the cause in archiveState.failure.
#pragma once

#include <cstdint>

#include "archive/archive_format.h"
#include "platform/platform.h"

namespace qx {

// Slot k-1 describes entry k.
struct DirectorySlot {
    int64_t seekPosition = 0;  // bytes from the end of the file to the entry's first byte (< 0)
    uint32_t storedSize = 0;   // bytes
};

struct ArchiveState {
    FileHandle fileHandle = kNoFile;  // kNoFile while closed; reads need an open archive
    int64_t fileSize = 0;             // bytes, the base the seek positions count back from
    // Trailer copy.
    uint32_t entryCount = 0;
    uint32_t directoryOffset = 0;  // bytes from the archive start
    uint32_t archiveSize = 0;      // bytes from the archive start to the end of the file
    DirectorySlot directory[kDirectoryCapacity]{};
    uint8_t recordBuffer[kDirectoryRecordSize]{};  // one directory record during the open
    const char* failure = "";                      // why the last failed operation failed
    bool namedFile = false;  // the open file was named by path: read without the platform
};
extern ArchiveState archiveState;

// The file an archive is read from: the running program's own file, opened and read through
// the active platform, or the file at path, read straight from the file system, so that a tool
// can inspect any file without installing a platform.
struct ArchiveSource {
    const char* path = nullptr;  // null: the program's own file
};

// Opens the source and reads the trailer and the whole directory. Closes whatever was open
// before. On failure the file is closed again.
bool OpenArchive(ArchiveSource source = {});

// Copies the entry's stored bytes, still compressed, into destination: the whole stored size,
// or the first byteCount bytes when byteCount is not 0 (which may read on past the entry, up to
// the end of the file). Fails for an entry number outside 1 to the entry count, when the bytes
// would not fit the destination's capacity, or when the file does not deliver them all.
bool ReadEntry(uint32_t entryNumber, uint8_t* destination, uint32_t capacity);
bool ReadEntryBytes(uint32_t entryNumber, uint8_t* destination, uint32_t byteCount,
                    uint32_t capacity);

void CloseArchive();

// For the entry decoder: where entry entryNumber starts in the file and how long it is. Fails
// when no archive is open or the number is outside 1 to the entry count.
bool FindEntry(uint32_t entryNumber, uint64_t& fileOffset, uint32_t& storedSize);

// Reads exactly count bytes at fileOffset of the open file; a short or failed read fails.
bool ReadArchiveBytes(uint64_t fileOffset, uint8_t* destination, uint32_t count);

}  // namespace qx
