// The entry decoder: rebuilds a block's prefix-code tree and decodes its bit stream into a
// caller-owned buffer, either straight from an archive entry through a 1024-byte read buffer
// (LoadEntry) or from a block in memory (DecompressMemory).
//
// A block is refused, and reported false with a cause in decodeReport.failure, when its output
// length N is 0 or differs from the destination's capacity, when it has fewer than two leaves,
// when L > 255, R > 511, R <= L (the root would be a leaf) or a child index lies above R, or
// when its bytes end before N bytes are decoded. Nothing is ever written past the destination's
// capacity; after a refusal the destination holds part of the output.
//
// Decoding goes through a table of 11-bit prefixes, up to four code words per step, falling back
// to the tree for longer code words. DecompressMemoryBitwise walks the tree one bit at a time; it
// is the reference the table decoder must match byte for byte, in results, causes and bytes
// used. The tree and the table are the decoder's own (one decode at a time).
#pragma once

#include <cstdint>

#include "archive/archive_format.h"

namespace qx {

// The byte source of LoadEntry: at most kReadBufferSize of the entry's stored bytes are held at a
// time, and never more than its stored size is read from the file. The position of the next
// byte lives in the decoder's cursor.
inline constexpr uint32_t kReadBufferSize = 1024;  // bytes
struct EntryReader {
    uint8_t readBuffer[kReadBufferSize]{};
    uint32_t entrySize = 0;     // stored bytes of the entry being decoded
    uint32_t bytesFetched = 0;  // stored bytes read from the file so far
};
extern EntryReader entryReader;

// The outcome of the last decode.
struct DecodeReport {
    const char* failure = "";  // static text naming why the last decode was refused
    uint32_t bytesUsed = 0;    // block bytes the last successful decode consumed (header included)
};
extern DecodeReport decodeReport;

// Decodes archive entry entryNumber (1 to the entry count) of the open archive into destination,
// whose capacity must equal the block's output length.
bool LoadEntry(uint32_t entryNumber, uint8_t* destination, uint32_t capacity);

// Decodes the block in source[0 .. sourceSize) into destination, whose capacity must equal the
// block's output length.
bool DecompressMemory(const uint8_t* source, uint32_t sourceSize, uint8_t* destination,
                      uint32_t capacity);
bool DecompressMemoryBitwise(const uint8_t* source, uint32_t sourceSize, uint8_t* destination,
                             uint32_t capacity);

}  // namespace qx
