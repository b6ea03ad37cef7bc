#include "tools/archive/archive_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/archive/archive_test_support.h"

namespace qx::test {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Encoded(const std::vector<uint8_t>& input) {
    std::vector<uint8_t> block;
    EXPECT_TRUE(EncodeBlock(input, block));
    return block;
}

TEST(BlockEncoder, EncodesAbcAsTheWorkedExample) { EXPECT_EQ(Encoded(Bytes("abc")), kAbcBlock); }

// Leaves in ascending order of occurrences, every inner node after both its children, every
// node but the root used exactly once, root last (R = 2L).
TEST(BlockEncoder, TreeHasTheShippedProperties) {
    std::mt19937 random(11);
    std::vector<uint8_t> input;
    for (int k = 0; k < 50000; ++k)
        input.push_back(static_cast<uint8_t>(random() % 97 * (random() % 3)));
    const std::vector<uint8_t> block = Encoded(input);
    const uint32_t lastLeaf = block[4] | block[5] << 8;
    const uint32_t root = block[6] | block[7] << 8;
    ASSERT_EQ(root, 2 * lastLeaf);
    uint32_t occurrences[256] = {};
    for (const uint8_t byte : input) ++occurrences[byte];
    for (uint32_t k = 0; k < lastLeaf; ++k)
        EXPECT_LE(occurrences[block[8 + k]], occurrences[block[9 + k]]);
    std::vector<int> parents(root + 1, 0);
    for (uint32_t node = lastLeaf + 1; node <= root; ++node) {
        const size_t at = 9 + lastLeaf + 4 * (node - lastLeaf - 1);
        const uint32_t zero = block[at] | block[at + 1] << 8;
        const uint32_t one = block[at + 2] | block[at + 3] << 8;
        EXPECT_LT(zero, node);
        EXPECT_LT(one, node);
        ++parents[zero];
        ++parents[one];
    }
    for (uint32_t node = 0; node < root; ++node) EXPECT_EQ(parents[node], 1) << node;
    EXPECT_EQ(parents[root], 0);
}

TEST(BlockEncoder, SingleValueInputGetsASecondUnusedLeaf) {
    for (const std::vector<uint8_t>& input :
         {std::vector<uint8_t>{0x00}, std::vector<uint8_t>{0x41},
          std::vector<uint8_t>(1000, 0xFF)}) {
        const std::vector<uint8_t> block = Encoded(input);
        EXPECT_EQ(block[4], 1);         // L = 1
        EXPECT_EQ(block[6], 2);         // R = 2
        EXPECT_NE(block[8], input[0]);  // the unused leaf comes first: no occurrences
        EXPECT_EQ(block[9], input[0]);
        EXPECT_EQ(block.size(), 8 + 2 + 4 + (input.size() + 7) / 8);
        std::vector<uint8_t> out(input.size());
        ASSERT_TRUE(DecompressMemory(block.data(), static_cast<uint32_t>(block.size()), out.data(),
                                     static_cast<uint32_t>(out.size())));
        EXPECT_EQ(out, input);
    }
    std::vector<uint8_t> block;
    EXPECT_FALSE(EncodeBlock({}, block));
}

// Random and degenerate inputs through the writer and back through both readers.
class WriterRoundTrip : public ArchiveTest {};

TEST_F(WriterRoundTrip, EveryEntryComesBackFromMemoryAndFromTheArchive) {
    std::mt19937 random(3);
    std::vector<std::vector<uint8_t>> inputs = {
        Bytes("x"), Bytes("ab"), std::vector<uint8_t>(5000, 7), std::vector<uint8_t>(1024, 1)};
    std::vector<uint8_t> all(256 * 40);
    for (size_t k = 0; k < all.size(); ++k) all[k] = static_cast<uint8_t>(k);
    inputs.push_back(all);
    for (int k = 0; k < 12; ++k) {
        std::vector<uint8_t> input(1 + random() % 70000);
        const uint32_t spread = 1 + random() % 256;
        // Geometric-like skew: a few frequent values and a long tail of rare ones.
        for (uint8_t& byte : input)
            byte = static_cast<uint8_t>(random() % spread % (1 + random() % spread));
        inputs.push_back(input);
    }
    std::vector<std::vector<uint8_t>> blocks;
    for (const std::vector<uint8_t>& input : inputs) blocks.push_back(Encoded(input));
    UseProgramWith(ArchiveOf(blocks), 333);
    ASSERT_TRUE(OpenArchive()) << archiveState.failure;
    ASSERT_EQ(archiveState.entryCount, inputs.size());
    for (size_t k = 0; k < inputs.size(); ++k) {
        const auto n = static_cast<uint32_t>(inputs[k].size());
        std::vector<uint8_t> loaded(n), fromMemory(n);
        ASSERT_TRUE(LoadEntry(static_cast<uint32_t>(k + 1), loaded.data(), n))
            << decodeReport.failure;
        EXPECT_EQ(decodeReport.bytesUsed, blocks[k].size()) << k;
        EXPECT_EQ(loaded, inputs[k]) << k;
        ASSERT_TRUE(DecompressMemoryBitwise(
            blocks[k].data(), static_cast<uint32_t>(blocks[k].size()), fromMemory.data(), n));
        EXPECT_EQ(fromMemory, inputs[k]) << k;
    }
}

TEST(ArchiveWriter, RefusesWhatTheReaderCouldNotOpen) {
    std::vector<uint8_t> archive;
    const char* failure = "";
    EXPECT_FALSE(WriteArchive({}, archive, failure));
    EXPECT_STREQ(failure, "an archive needs at least one entry");
    const std::vector<ArchiveEntry> tooMany(33, ArchiveEntry{"a.~", kAbcBlock});
    EXPECT_FALSE(WriteArchive(tooMany, archive, failure));
    EXPECT_TRUE(WriteArchive(std::vector<ArchiveEntry>(32, ArchiveEntry{"a.~", kAbcBlock}), archive,
                             failure));
    const std::vector<ArchiveEntry> longName = {{std::string(64, 'n'), kAbcBlock}};
    EXPECT_FALSE(WriteArchive(longName, archive, failure));
    EXPECT_STREQ(failure, "an entry name is longer than 63 characters");
    const std::vector<ArchiveEntry> longestName = {{std::string(63, 'n'), kAbcBlock}};
    ASSERT_TRUE(WriteArchive(longestName, archive, failure));
    EXPECT_EQ(archive[47], 63);
    const std::vector<NamedData> empty = {{"e.~", {}}};
    EXPECT_FALSE(PackArchive(empty, archive, failure));
    EXPECT_STREQ(failure, "an empty file cannot be stored");
}

}  // namespace
}  // namespace qx::test
