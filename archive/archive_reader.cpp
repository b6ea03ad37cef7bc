#include "archive/archive_reader.h"

#include "platform/os_services.h"

namespace qx {

ArchiveState archiveState;

namespace {

bool Fail(const char* cause) {
    archiveState.failure = cause;
    return false;
}

bool FailOpen(const char* cause) {
    CloseArchive();
    return Fail(cause);
}

// The open file's services: the platform's for the program's own file, the file system's for a
// file named by path.
int64_t SizeOfOpenFile() {
    return archiveState.namedFile ? os::FileSize(archiveState.fileHandle)
                                  : ThePlatform().FileSize(archiveState.fileHandle);
}

int64_t ReadOpenFile(uint64_t offset, void* destination, size_t count) {
    return archiveState.namedFile
               ? os::ReadFileAt(archiveState.fileHandle, offset, destination, count)
               : ThePlatform().ReadFileAt(archiveState.fileHandle, offset, destination, count);
}

// The archive's first byte within the file. OpenArchive has checked that the archive fits.
uint64_t ArchiveStart() {
    return static_cast<uint64_t>(archiveState.fileSize) - archiveState.archiveSize;
}

}  // namespace

bool ReadArchiveBytes(uint64_t fileOffset, uint8_t* destination, uint32_t count) {
    if (count == 0) return true;
    const int64_t got = ReadOpenFile(fileOffset, destination, count);
    if (got < 0) return Fail("a read of the program file failed");
    if (got != static_cast<int64_t>(count)) return Fail("the program file ends inside a read");
    return true;
}

bool OpenArchive(ArchiveSource source) {
    CloseArchive();
    archiveState.failure = "";
    archiveState.namedFile = source.path != nullptr;
    const FileHandle file =
        archiveState.namedFile ? os::OpenFile(source.path) : ThePlatform().OpenOwnExecutable();
    if (file == kNoFile)
        return Fail(archiveState.namedFile ? "the file cannot be opened"
                                           : "the program file cannot be opened");
    archiveState.fileHandle = file;
    archiveState.fileSize = SizeOfOpenFile();
    if (archiveState.fileSize < static_cast<int64_t>(kTrailerSize))
        return FailOpen("the program file is too short to hold an archive");

    uint8_t trailer[kTrailerSize];
    if (!ReadArchiveBytes(static_cast<uint64_t>(archiveState.fileSize) - kTrailerSize, trailer,
                          kTrailerSize))
        return FailOpen(archiveState.failure);
    archiveState.entryCount = ReadU32(trailer);
    archiveState.directoryOffset = ReadU32(trailer + 4);
    archiveState.archiveSize = ReadU32(trailer + 8);

    const uint32_t count = archiveState.entryCount;
    if (count == 0) return FailOpen("the archive has no entries");
    if (count > kDirectoryCapacity) return FailOpen("the archive has more than 32 entries");
    if (archiveState.archiveSize > archiveState.fileSize)
        return FailOpen("the archive trailer claims more bytes than the file holds");
    const uint64_t directoryEnd = static_cast<uint64_t>(archiveState.directoryOffset) +
                                  uint64_t{kDirectoryRecordSize} * count + kTrailerSize;
    if (archiveState.directoryOffset < kFirstEntryOffset ||
        directoryEnd != archiveState.archiveSize)
        return FailOpen("the archive directory does not end at the trailer");

    const int64_t archiveSize = archiveState.archiveSize;
    uint64_t recordOffset = ArchiveStart() + archiveState.directoryOffset;
    for (uint32_t k = 0; k < count; ++k, recordOffset += kDirectoryRecordSize) {
        if (!ReadArchiveBytes(recordOffset, archiveState.recordBuffer, kDirectoryRecordSize))
            return FailOpen(archiveState.failure);
        const uint32_t offset = ReadU32(archiveState.recordBuffer + kRecordOffsetField);
        const uint32_t size = ReadU32(archiveState.recordBuffer + kRecordSizeField);
        if (offset < kFirstEntryOffset || uint64_t{offset} + size > archiveState.directoryOffset)
            return FailOpen("an archive entry lies outside the archive's entry area");
        archiveState.directory[k] = {offset - archiveSize, size};
    }
    return true;
}

bool FindEntry(uint32_t entryNumber, uint64_t& fileOffset, uint32_t& storedSize) {
    if (archiveState.fileHandle == kNoFile) return Fail("no archive is open");
    if (entryNumber == 0 || entryNumber > archiveState.entryCount)
        return Fail("the archive has no entry of that number");
    const DirectorySlot& slot = archiveState.directory[entryNumber - 1];
    fileOffset = static_cast<uint64_t>(archiveState.fileSize + slot.seekPosition);
    storedSize = slot.storedSize;
    return true;
}

bool ReadEntryBytes(uint32_t entryNumber, uint8_t* destination, uint32_t byteCount,
                    uint32_t capacity) {
    uint64_t fileOffset = 0;
    uint32_t storedSize = 0;
    if (!FindEntry(entryNumber, fileOffset, storedSize)) return false;
    const uint32_t count = byteCount != 0 ? byteCount : storedSize;
    if (count > capacity) return Fail("the entry's bytes do not fit the destination");
    return ReadArchiveBytes(fileOffset, destination, count);
}

bool ReadEntry(uint32_t entryNumber, uint8_t* destination, uint32_t capacity) {
    return ReadEntryBytes(entryNumber, destination, 0, capacity);
}

void CloseArchive() {
    if (archiveState.fileHandle != kNoFile) {
        if (archiveState.namedFile)
            os::CloseFile(archiveState.fileHandle);
        else
            ThePlatform().CloseFile(archiveState.fileHandle);
    }
    archiveState.fileHandle = kNoFile;
}

}  // namespace qx
