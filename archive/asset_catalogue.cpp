#include "archive/asset_catalogue.h"

#include <bit>
#include <cstdio>

#include "archive/archive_reader.h"
#include "archive/entry_decoder.h"
#include "host/error_code.h"

namespace qx {

AssetBuffers assetBuffers;

namespace {

// Entries are little-endian; the 32-bit buffers are filled byte by byte.
static_assert(std::endian::native == std::endian::little);

template <typename Word, uint32_t count>
EntryBuffer Bytes(Word (&buffer)[count]) {
    return {reinterpret_cast<uint8_t*>(buffer), static_cast<uint32_t>(sizeof buffer)};
}

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
    AssetBuffers& b = assetBuffers;
    const EntryBuffer buffers[kCatalogueEntryCount] = {
        Bytes(b.back1),    Bytes(b.back2),    Bytes(b.back3),    Bytes(b.back4),
        Bytes(b.back5),    Bytes(b.flare),    Bytes(b.flarebbw), Bytes(b.flarebmp),
        Bytes(b.picbump),  Bytes(b.picbump8), Bytes(b.piclogo),  Bytes(b.pictext),
        Bytes(b.texture1), Bytes(b.texture2), Bytes(b.texture3), Bytes(b.texture5),
        Bytes(b.texture6), Bytes(b.texture7), Bytes(b.texture8), Bytes(b.title8),
        Bytes(b.module),   Bytes(b.texture4)};
    if (entryNumber == 0 || entryNumber > kCatalogueEntryCount) return {};
    return buffers[entryNumber - 1];
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
