// The archive file format and the compressed block format, shared by the engine's reader and
// decoder and by the tools that write archives. All integers are little-endian; archive offsets
// count from the archive's first byte (the first byte of the magic text).
//
// Archive:   magic text, 0x1A | entries' stored bytes back to back | directory | trailer
// Directory: one 72-byte record per entry: name length, name (63 bytes, zero padded), offset,
//            stored size
// Trailer:   the file's last 12 bytes: entry count, directory offset, archive size
//
// Block:     N (u32 output length), L (u16 last leaf index), R (u16 root index), L + 1 leaf
//            symbols, inner nodes L + 1 .. R as two u16 children (bit 0, bit 1), then the code
//            bits, each byte read from its most significant bit down.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr char kArchiveMagic[] = "Tamberlinoth DataFile V2.3";  // written, never read
inline constexpr uint32_t kArchiveMagicSize = 26;                      // bytes, no terminator
inline constexpr uint8_t kArchiveMagicEnd = 0x1A;
inline constexpr uint32_t kFirstEntryOffset = 27;  // bytes: magic text and 0x1A

inline constexpr uint32_t kDirectoryRecordSize = 72;  // bytes
inline constexpr uint32_t kRecordNameOffset = 1;
inline constexpr uint32_t kRecordNameCapacity = 63;  // characters
inline constexpr uint32_t kRecordOffsetField = 64;
inline constexpr uint32_t kRecordSizeField = 68;
inline constexpr uint32_t kTrailerSize = 12;  // bytes

inline constexpr uint32_t kDirectoryCapacity = 32;  // entries the reader's table holds

inline constexpr uint32_t kBlockHeaderSize = 8;  // N, L, R
inline constexpr uint32_t kTreeNodeCount = 512;  // nodes of the decode tree
inline constexpr uint32_t kMaxLeafIndex = 255;   // one leaf per byte value
inline constexpr uint32_t kMaxRootIndex = kTreeNodeCount - 1;
inline constexpr uint16_t kLeafMarker = 0xFFFF;  // first field of a leaf node

inline uint32_t ReadU32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace qx
