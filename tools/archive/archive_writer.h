// The writing side of the archive: a prefix-code (Huffman) encoder producing the engine's
// compressed block format, and the archive writer laying blocks out with their directory and
// trailer. Used by qxpack, the data build and the tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx {

// Encodes input as one block. The leaves are the byte values that occur, in ascending order of
// occurrences (ties by byte value); every inner node follows both its children, so the root is
// the last node; bit 0 takes the child merged first. Input with a single distinct byte value
// gets a second, unused leaf so that every code word is one bit long. Fails for empty input
// and for input of 2^32 bytes or more.
bool EncodeBlock(std::span<const uint8_t> input, std::vector<uint8_t>& block);

struct ArchiveEntry {
    std::string name;                  // at most 63 characters, e.g. "back1.~"
    std::vector<uint8_t> storedBytes;  // the entry's block
};

// Lays out the magic text, the entries back to back from offset 27, the directory and the
// trailer. Fails (with a static cause) for no entries, more than 32, a name longer than 63
// characters, or an archive of 2^32 bytes or more.
bool WriteArchive(std::span<const ArchiveEntry> entries, std::vector<uint8_t>& archive,
                  const char*& failure);

struct NamedData {
    std::string name;
    std::vector<uint8_t> bytes;  // decoded contents
};

// Encodes every item and writes the archive of the blocks, in order.
bool PackArchive(std::span<const NamedData> items, std::vector<uint8_t>& archive,
                 const char*& failure);

}  // namespace qx
