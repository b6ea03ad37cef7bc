#include "archive/asset_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/host_fixture.h"
#include "tools/archive/archive_writer.h"

namespace qx::test {
namespace {

class AssetCatalogue : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        for (uint32_t k = 1; k <= kCatalogueEntryCount; ++k)
            std::memset(CatalogueBuffer(k).bytes, 0, CatalogueBuffer(k).size);
        platform.executableImage = PlaceholderProgramImage();
    }
    // Where entry entryNumber's stored bytes start in the program image.
    size_t EntryStart(uint32_t entryNumber) {
        EXPECT_TRUE(OpenArchive());
        const size_t start = static_cast<size_t>(
            archiveState.fileSize + archiveState.directory[entryNumber - 1].seekPosition);
        CloseArchive();
        return start;
    }
    static bool Holds(uint32_t entryNumber, const std::vector<uint8_t>& bytes) {
        const EntryBuffer buffer = CatalogueBuffer(entryNumber);
        return buffer.size == bytes.size() &&
               std::memcmp(buffer.bytes, bytes.data(), buffer.size) == 0;
    }
    static bool IsZero(uint32_t entryNumber) {
        const EntryBuffer buffer = CatalogueBuffer(entryNumber);
        for (uint32_t k = 0; k < buffer.size; ++k)
            if (buffer.bytes[k] != 0) return false;
        return true;
    }
};

TEST_F(AssetCatalogue, EveryBufferIsExactlyItsEntrysDecodedSize) {
    uint64_t total = 0;
    for (uint32_t k = 1; k <= kCatalogueEntryCount; ++k) {
        EXPECT_EQ(CatalogueBuffer(k).size, kCatalogue[k - 1].decodedSize) << kCatalogue[k - 1].name;
        total += CatalogueBuffer(k).size;
    }
    EXPECT_EQ(total, 5230428u);
    EXPECT_EQ(sizeof assetBuffers, total);
    EXPECT_EQ(CatalogueBuffer(21).bytes, assetBuffers.module);
    EXPECT_EQ(CatalogueBuffer(22).bytes, reinterpret_cast<uint8_t*>(assetBuffers.texture4));
    EXPECT_EQ(CatalogueBuffer(0).bytes, nullptr);
    EXPECT_EQ(CatalogueBuffer(23).bytes, nullptr);
}

TEST_F(AssetCatalogue, BothStepsFillEveryBufferWithItsEntryAndCloseTheArchive) {
    ASSERT_TRUE(LoadMusicEntry()) << errorState.errorCause;
    EXPECT_EQ(archiveState.fileHandle, kNoFile);
    EXPECT_TRUE(Holds(21, MakePlaceholderSoundtrack()));
    EXPECT_TRUE(IsZero(1));
    ASSERT_TRUE(LoadAssetList()) << errorState.errorCause;
    EXPECT_EQ(archiveState.fileHandle, kNoFile);
    for (uint32_t k = 1; k <= kCatalogueEntryCount; ++k)
        EXPECT_TRUE(Holds(k, MakePlaceholderEntry(k))) << kCatalogue[k - 1].name;
    EXPECT_EQ(
        std::memcmp(assetBuffers.texture6, assetBuffers.texture8, sizeof assetBuffers.texture6), 0);
    EXPECT_EQ(errorState.errorCode, 0u);
}

// Entry 22 is decoded after 15 and before 16: damaging it leaves 16 to 20 untouched.
TEST_F(AssetCatalogue, AssetListStopsAtTheFirstDamagedEntryInItsOrder) {
    platform.executableImage[EntryStart(22)] ^= 1;  // the output length no longer fits
    EXPECT_FALSE(LoadAssetList());
    EXPECT_EQ(errorState.errorCode, 9u);
    EXPECT_STREQ(errorState.errorCause,
                 "archive entry 22 (texture4.~) does not load: the block's output length differs "
                 "from its buffer's size");
    EXPECT_EQ(archiveState.fileHandle, kNoFile);
    for (uint32_t k = 1; k <= 15; ++k) EXPECT_FALSE(IsZero(k)) << k;
    for (uint32_t k = 16; k <= 20; ++k) EXPECT_TRUE(IsZero(k)) << k;
}

TEST_F(AssetCatalogue, MissingOrForeignArchiveFailsWithCode9) {
    platform.failOpenExecutable = true;
    EXPECT_FALSE(LoadMusicEntry());
    EXPECT_EQ(errorState.errorCode, 9u);
    EXPECT_STREQ(errorState.errorCause,
                 "no usable archive in the program file: the program file cannot be opened");
    platform.failOpenExecutable = false;
    // An archive of other entries: entry 21 is missing.
    std::vector<uint8_t> other(100, 0);
    std::vector<uint8_t> block;
    const char* failure = "";
    const std::vector<NamedData> items = {{"one.~", {1, 2, 3}}};
    ASSERT_TRUE(PackArchive(items, block, failure));
    other.insert(other.end(), block.begin(), block.end());
    platform.executableImage = other;
    EXPECT_FALSE(LoadMusicEntry());
    EXPECT_STREQ(
        errorState.errorCause,
        "archive entry 21 (module.~) does not load: the archive has no entry of that number");
    EXPECT_EQ(archiveState.fileHandle, kNoFile);
}

}  // namespace
}  // namespace qx::test
