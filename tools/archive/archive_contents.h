// Reading an archive the way the tools show it: the archive at the end of any file (a bare
// archive or a program with one appended) opened with the engine's own reader and decoder, every
// entry's directory facts and block header read and checked, and entries decoded whole; and how
// the tools that read one end a failed run. Shared by qxpack and the contact sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

struct EntryFacts {
    std::string name;          // as in the directory, unprintable characters shown as '?'
    uint32_t offset = 0;       // bytes from the archive start
    uint32_t storedSize = 0;   // bytes
    uint32_t decodedSize = 0;  // bytes, the block header's output length
};

// Opens the archive at the end of path, read by the engine's reader straight from the file, and
// reads every entry's directory record and block header into facts (entry k is facts[k - 1]).
// The archive stays open for DecodeInspectedEntry and the reader's routines until CloseArchive.
// False when the archive or an entry is damaged, with `failure` naming the cause ("entry 3: ...").
bool InspectArchive(const char* path, std::vector<EntryFacts>& facts, std::string& failure);

// Decodes entry entryNumber of the inspected archive into output (resized to its decoded size).
// False with the decoder's cause in `failure` ("entry 3: ...").
bool DecodeInspectedEntry(uint32_t entryNumber, const EntryFacts& entry,
                          std::vector<uint8_t>& output, std::string& failure);

// The archive's first byte within the open file.
uint64_t ArchiveStart();

// Exit codes of qxpack and the contact sheet: a damaged or invalid archive or a file that cannot
// be read or written, and a usage error.
constexpr int kExitDamaged = 1;
constexpr int kExitUsage = 64;

// Prints "tool: " and the formatted message as one line on standard error; returns kExitDamaged.
[[gnu::format(printf, 2, 3)]] int ToolFailure(const char* tool, const char* format, ...);

// Runs a tool's `run` on its arguments, then closes the archive it may have left open; returns
// run's exit code.
int RunTool(int (*run)(int argc, char** argv), int argc, char** argv);

}  // namespace qx
