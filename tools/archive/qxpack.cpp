// qxpack: makes archives and inspects the archive at the end of any file (a bare archive or a
// program with one appended), through the same reader and decoder the program uses.
//
//   qxpack pack ARCHIVE FILE...   entry k is the k-th file, named its base name plus ".~"
//   qxpack list FILE              entry number, name, offset, stored size, decoded size
//   qxpack extract FILE N [OUT]   decodes entry N to OUT, or to standard output
//   qxpack verify FILE            decodes every entry and checks the whole layout
//
// Exit codes: 0 success; 1 a damaged or invalid archive, or a file that cannot be read or
// written, with one line on standard error; 64 a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/entry_decoder.h"
#include "tools/archive/archive_contents.h"
#include "tools/archive/archive_writer.h"
#include "tools/archive/file_io.h"

namespace qx {
namespace {

constexpr const char* kTool = "qxpack";

int Usage() {
    std::fprintf(stderr,
                 "usage: qxpack pack ARCHIVE FILE...\n"
                 "       qxpack list FILE\n"
                 "       qxpack extract FILE N [OUT]\n"
                 "       qxpack verify FILE\n");
    return kExitUsage;
}

// Writes to path, or to standard output when path is null.
bool WriteOutput(const char* path, const std::vector<uint8_t>& bytes) {
    if (path != nullptr) return WriteWholeFile(path, bytes.data(), bytes.size());
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
}

// Opens and inspects the archive at the end of path. Returns 0 or the exit code of the failure,
// already reported.
int OpenInspected(const char* path, std::vector<EntryFacts>& facts) {
    std::string failure;
    if (!InspectArchive(path, facts, failure))
        return ToolFailure(kTool, "%s: %s", path, failure.c_str());
    return 0;
}

// Decodes entry entryNumber into output. Returns 0 or the reported exit code.
int DecodeEntry(const char* path, uint32_t entryNumber, const EntryFacts& entry,
                std::vector<uint8_t>& output) {
    std::string failure;
    if (!DecodeInspectedEntry(entryNumber, entry, output, failure))
        return ToolFailure(kTool, "%s: %s", path, failure.c_str());
    return 0;
}

int Pack(int count, char** paths) {
    const char* archivePath = paths[0];
    std::vector<NamedData> items(static_cast<size_t>(count - 1));
    for (int k = 1; k < count; ++k) {
        NamedData& item = items[static_cast<size_t>(k - 1)];
        if (!ReadWholeFile(paths[k], item.bytes))
            return ToolFailure(kTool, "%s: cannot read the file", paths[k]);
        const char* slash = std::strrchr(paths[k], '/');
        item.name = std::string(slash != nullptr ? slash + 1 : paths[k]) + ".~";
    }
    std::vector<uint8_t> archive;
    const char* failure = "";
    if (!PackArchive(items, archive, failure))
        return ToolFailure(kTool, "%s: %s", archivePath, failure);
    if (!WriteOutput(archivePath, archive))
        return ToolFailure(kTool, "%s: cannot write the file", archivePath);
    return 0;
}

int List(const char* path) {
    std::vector<EntryFacts> facts;
    if (const int failed = OpenInspected(path, facts)) return failed;
    std::printf("entry  name              offset      stored     decoded\n");
    for (size_t k = 0; k < facts.size(); ++k)
        std::printf("%5zu  %-14s %9u %11u %11u\n", k + 1, facts[k].name.c_str(), facts[k].offset,
                    facts[k].storedSize, facts[k].decodedSize);
    return 0;
}

bool ParseEntryNumber(const char* text, uint32_t& number) {
    const size_t length = std::strlen(text);
    if (length == 0 || length > 9 || std::strspn(text, "0123456789") != length) return false;
    number = static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
    return true;
}

int Extract(const char* path, const char* numberText, const char* outPath) {
    uint32_t entryNumber = 0;
    if (!ParseEntryNumber(numberText, entryNumber)) return Usage();
    std::vector<EntryFacts> facts;
    if (const int failed = OpenInspected(path, facts)) return failed;
    if (entryNumber == 0 || entryNumber > facts.size())
        return ToolFailure(kTool, "%s: no entry %u (the archive has %zu)", path, entryNumber,
                           facts.size());
    std::vector<uint8_t> output;
    if (const int failed = DecodeEntry(path, entryNumber, facts[entryNumber - 1], output))
        return failed;
    if (!WriteOutput(outPath, output))
        return ToolFailure(kTool, "%s: cannot write the output",
                           outPath != nullptr ? outPath : "stdout");
    return 0;
}

int Verify(const char* path) {
    std::vector<EntryFacts> facts;
    if (const int failed = OpenInspected(path, facts)) return failed;
    uint8_t magic[kArchiveMagicSize + 1];
    if (!ReadArchiveBytes(ArchiveStart(), magic, sizeof magic))
        return ToolFailure(kTool, "%s: %s", path, archiveState.failure);
    if (std::memcmp(magic, kArchiveMagic, kArchiveMagicSize) != 0 ||
        magic[kArchiveMagicSize] != kArchiveMagicEnd)
        return ToolFailure(kTool, "%s: the archive does not begin with its magic text", path);
    uint64_t expectedOffset = kFirstEntryOffset;
    uint64_t decodedTotal = 0;
    std::vector<uint8_t> output;
    for (uint32_t k = 0; k < facts.size(); ++k) {
        const EntryFacts& entry = facts[k];
        if (entry.offset != expectedOffset)
            return ToolFailure(kTool, "%s: entry %u does not follow the one before it", path,
                               k + 1);
        expectedOffset += entry.storedSize;
        if (const int failed = DecodeEntry(path, k + 1, entry, output)) return failed;
        if (decodeReport.bytesUsed != entry.storedSize)
            return ToolFailure(kTool, "%s: entry %u: decoding uses %u of its %u stored bytes", path,
                               k + 1, decodeReport.bytesUsed, entry.storedSize);
        decodedTotal += entry.decodedSize;
    }
    if (expectedOffset != archiveState.directoryOffset)
        return ToolFailure(kTool, "%s: the directory does not follow the last entry", path);
    std::printf("%s: %zu %s, %llu bytes decoded, all intact\n", path, facts.size(),
                facts.size() == 1 ? "entry" : "entries",
                static_cast<unsigned long long>(decodedTotal));
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "pack" && argc >= 4) return Pack(argc - 2, argv + 2);
    if (command == "list" && argc == 3) return List(argv[2]);
    if (command == "extract" && (argc == 4 || argc == 5))
        return Extract(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == "verify" && argc == 3) return Verify(argv[2]);
    return Usage();
}

}  // namespace
}  // namespace qx

int main(int argc, char** argv) { return qx::RunTool(qx::Run, argc, argv); }
