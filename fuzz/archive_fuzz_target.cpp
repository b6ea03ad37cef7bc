#include "fuzz/archive_fuzz_target.h"

#include <cstring>

#include "archive/archive_reader.h"
#include "archive/entry_decoder.h"
#include "tests/support/virtual_platform.h"

namespace qx {

namespace {

inline constexpr uint32_t kFuzzCapacity = 1 << 20;  // bytes of each fuzz buffer

uint8_t rawBytes[kFuzzCapacity];
uint8_t tableOutput[kFuzzCapacity];
uint8_t walkedOutput[kFuzzCapacity];

// Decodes source with the reference walker and traps unless the table decoder's outcome, which
// decodeReport and tableOutput hold, is the same.
void ExpectSameAsWalker(bool tableResult, const uint8_t* source, uint32_t sourceSize,
                        uint32_t capacity) {
    const DecodeReport tableReport = decodeReport;
    const bool walkedResult = DecompressMemoryBitwise(source, sourceSize, walkedOutput, capacity);
    if (walkedResult != tableResult || decodeReport.failure != tableReport.failure ||
        decodeReport.bytesUsed != tableReport.bytesUsed ||
        (tableResult && std::memcmp(tableOutput, walkedOutput, capacity) != 0))
        __builtin_trap();
}

// The output length a block would claim, clipped to the fuzz buffers.
uint32_t ClaimedLength(const uint8_t* block, size_t size) {
    if (size < 4) return 0;
    const uint32_t length = ReadU32(block);
    return length < kFuzzCapacity ? length : kFuzzCapacity;
}

}  // namespace

void RunArchiveFuzzInput(const uint8_t* data, size_t size) {
    static VirtualPlatform platform;
    platform.executableImage.assign(data, data + size);
    UsePlatform(&platform);
    if (OpenArchive()) {
        for (uint32_t entryNumber = 1; entryNumber <= archiveState.entryCount; ++entryNumber) {
            const uint32_t storedSize = archiveState.directory[entryNumber - 1].storedSize;
            if (storedSize > kFuzzCapacity || !ReadEntry(entryNumber, rawBytes, kFuzzCapacity))
                continue;
            const uint32_t capacity = ClaimedLength(rawBytes, storedSize);
            const bool loaded = LoadEntry(entryNumber, tableOutput, capacity);
            ExpectSameAsWalker(loaded, rawBytes, storedSize, capacity);
        }
        CloseArchive();
    }
    const auto blockSize = static_cast<uint32_t>(size < kFuzzCapacity ? size : kFuzzCapacity);
    const uint32_t capacity = ClaimedLength(data, blockSize);
    const bool decoded = DecompressMemory(data, blockSize, tableOutput, capacity);
    ExpectSameAsWalker(decoded, data, blockSize, capacity);
    UsePlatform(nullptr);
}

}  // namespace qx
