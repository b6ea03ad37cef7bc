#include "archive/asset_catalogue.h"

#include <bit>
#include <cstdio>

#include "archive/archive_reader.h"
#include "archive/entry_decoder.h"
#include "base/error_code.h"

namespace qx {

AssetBuffers assetBuffers;

namespace {

// Entries are little-endian; the 32-bit buffers are filled byte by byte.
static_assert(std::endian::native == std::endian::little);

// The cause of a loading failure, composed for the one-line start-up report.
inline constexpr size_t kFailureTextCapacity = 160;  // characters
char failureText[kFailureTextCapacity];

bool FailOpen() {
    std::snprintf(failureText, sizeof failureText, "no usable archive in the program file: %s",
                  archiveState.failure);
    return SetErrorCode(kErrorArchive, failureText);
}

bool LoadIntoBuffer(uint32_t entryNumber) {
    const EntryBuffer buffer = CatalogueBuffer(entryNumber);
    if (LoadEntry(entryNumber, buffer.bytes, buffer.size)) return true;
    std::snprintf(failureText, sizeof failureText, "archive entry %u (%s) does not load: %s",
                  static_cast<unsigned>(entryNumber), kCatalogue[entryNumber - 1].name,
                  decodeReport.failure);
    return SetErrorCode(kErrorArchive, failureText);
}

}  // namespace

EntryBuffer CatalogueBuffer(uint32_t entryNumber) {
    if (entryNumber == 0 || entryNumber > kCatalogueEntryCount) return {};
    const CatalogueEntry& entry = kCatalogue[entryNumber - 1];
    return {reinterpret_cast<uint8_t*>(&assetBuffers) + entry.bufferOffset, entry.decodedSize};
}

bool LoadMusicEntry() {
    if (!OpenArchive()) return FailOpen();
    const bool loaded = LoadIntoBuffer(kModuleEntry);
    CloseArchive();
    return loaded;
}

bool LoadAssetList() {
    if (!OpenArchive()) return FailOpen();
    bool loaded = true;
    for (const uint32_t entryNumber : kAssetListOrder) {
        loaded = LoadIntoBuffer(entryNumber);
        if (!loaded) break;
    }
    CloseArchive();
    return loaded;
}

}  // namespace qx
