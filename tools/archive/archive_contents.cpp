#include "tools/archive/archive_contents.h"

#include <cstdarg>
#include <cstdio>

#include "archive/archive_reader.h"
#include "archive/entry_decoder.h"

namespace qx {

namespace {

// Sets failure to the formatted text and returns false.
[[gnu::format(printf, 2, 3)]] bool Failed(std::string& failure, const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    failure = text;
    return false;
}

}  // namespace

uint64_t ArchiveStart() {
    return static_cast<uint64_t>(archiveState.fileSize) - archiveState.archiveSize;
}

bool InspectArchive(const char* path, std::vector<EntryFacts>& facts, std::string& failure) {
    if (!OpenArchive({path})) return Failed(failure, "%s", archiveState.failure);
    facts.assign(archiveState.entryCount, {});
    for (uint32_t k = 0; k < archiveState.entryCount; ++k) {
        uint8_t record[kDirectoryRecordSize];
        if (!ReadArchiveBytes(
                ArchiveStart() + archiveState.directoryOffset + uint64_t{k} * kDirectoryRecordSize,
                record, kDirectoryRecordSize))
            return Failed(failure, "entry %u: %s", k + 1, archiveState.failure);
        if (record[0] > kRecordNameCapacity)
            return Failed(failure, "entry %u: name length %u is above 63", k + 1, record[0]);
        EntryFacts& entry = facts[k];
        for (uint32_t c = 0; c < record[0]; ++c) {
            const auto character = static_cast<char>(record[kRecordNameOffset + c]);
            entry.name += (character >= ' ' && character <= '~') ? character : '?';
        }
        entry.offset = ReadU32(record + kRecordOffsetField);
        entry.storedSize = ReadU32(record + kRecordSizeField);
        uint8_t header[4];
        if (entry.storedSize < kBlockHeaderSize)
            return Failed(failure, "entry %u: %u stored bytes cannot hold a block header", k + 1,
                          entry.storedSize);
        if (!ReadEntryBytes(k + 1, header, sizeof header, sizeof header))
            return Failed(failure, "entry %u: %s", k + 1, archiveState.failure);
        entry.decodedSize = ReadU32(header);
        // Every code word takes at least one bit.
        if (entry.decodedSize / 8 >= entry.storedSize)
            return Failed(failure, "entry %u: output length %u cannot come from %u stored bytes",
                          k + 1, entry.decodedSize, entry.storedSize);
    }
    return true;
}

bool DecodeInspectedEntry(uint32_t entryNumber, const EntryFacts& entry,
                          std::vector<uint8_t>& output, std::string& failure) {
    output.assign(entry.decodedSize, 0);
    if (!LoadEntry(entryNumber, output.data(), entry.decodedSize))
        return Failed(failure, "entry %u: %s", entryNumber, decodeReport.failure);
    return true;
}

int ToolFailure(const char* tool, const char* format, ...) {
    std::fprintf(stderr, "%s: ", tool);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    return kExitDamaged;
}

int RunTool(int (*run)(int argc, char** argv), int argc, char** argv) {
    const int code = run(argc, argv);
    CloseArchive();
    return code;
}

}  // namespace qx
