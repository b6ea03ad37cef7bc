#include "archive/entry_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/archive/archive_test_support.h"

namespace qx::test {
namespace {

std::string Decoded(const std::vector<uint8_t>& block, uint32_t capacity, bool bitwise = false) {
    std::string out(capacity, '\0');
    auto* destination = reinterpret_cast<uint8_t*>(out.data());
    const auto size = static_cast<uint32_t>(block.size());
    const bool ok = bitwise ? DecompressMemoryBitwise(block.data(), size, destination, capacity)
                            : DecompressMemory(block.data(), size, destination, capacity);
    return ok ? out : "refused: " + std::string(decodeReport.failure);
}

// Two leaves x and y with codes 0 and 1.
const BlockTree kTwoLeaves = {{'x', 'y'}, {{0, 1}}};

TEST(EntryDecoder, WorkedExampleDecodesToAbcUsingAllItsBytes) {
    for (const bool bitwise : {false, true}) {
        EXPECT_EQ(Decoded(kAbcBlock, 3, bitwise), "abc");
        EXPECT_EQ(decodeReport.bytesUsed, 20u);
        EXPECT_EQ(decodeReport.failure, std::string());
    }
}

TEST(EntryDecoder, EndsOnByteBoundaryOrIgnoresTheRestOfTheLastByte) {
    // Eight one-bit codes fill the byte exactly; the ninth output needs a second byte.
    const std::vector<uint8_t> exact = MakeBlock(8, kTwoLeaves, {0b01100101});
    EXPECT_EQ(Decoded(exact, 8), "xyyxxyxy");
    EXPECT_EQ(decodeReport.bytesUsed, exact.size());
    EXPECT_EQ(Decoded(MakeBlock(9, kTwoLeaves, {0b01100101, 0x80}), 9), "xyyxxyxyy");
    // Three outputs from the top of a byte whose other five bits are set: ignored.
    const std::vector<uint8_t> partial = MakeBlock(3, kTwoLeaves, {0b10111111, 0xEE});
    EXPECT_EQ(Decoded(partial, 3), "yxy");
    EXPECT_EQ(decodeReport.bytesUsed, partial.size() - 1);  // the trailing byte is never read
}

TEST(EntryDecoder, OutputLengthOneDecodesOneCodeWord) {
    EXPECT_EQ(Decoded(MakeBlock(1, kTwoLeaves, {0x80}), 1), "y");
    const BlockTree abc = {{'a', 'b', 'c'}, {{0, 1}, {2, 3}}};
    EXPECT_EQ(Decoded(MakeBlock(1, abc, {0xC0}), 1), "b");
    EXPECT_EQ(decodeReport.bytesUsed, 20u);
}

// The largest trees: 256 leaves, root 510 for a proper tree, and root 511, the last node, when an
// extra inner node sends both bits to node 510 (every code word then starts with a spare bit).
TEST(EntryDecoder, LargestTreesDecodeEveryByteValue) {
    std::mt19937 random(7);
    BlockTree tree = RandomTree(random, 256);
    ASSERT_EQ(tree.Root(), 510u);
    std::vector<uint8_t> output(4096);
    for (uint8_t& byte : output) byte = static_cast<uint8_t>(random());
    const std::string expected(output.begin(), output.end());
    for (const bool rootAt511 : {false, true}) {
        if (rootAt511) tree.inner.emplace_back(510, 510);
        const std::vector<uint8_t> block = MakeBlock(4096, tree, EncodeWithTree(tree, output));
        for (const bool bitwise : {false, true}) {
            EXPECT_EQ(Decoded(block, 4096, bitwise), expected) << rootAt511 << bitwise;
            EXPECT_EQ(decodeReport.bytesUsed, block.size()) << rootAt511 << bitwise;
        }
    }
}

TEST(EntryDecoder, RefusesBrokenHeadersWithoutWritingPastTheBuffer) {
    struct Case {
        std::vector<uint8_t> block;
        uint32_t capacity;
        const char* cause;
    };
    const auto header = [](uint32_t n, uint32_t lastLeaf, uint32_t root) {
        std::vector<uint8_t> block;
        PutLittle(block, n, 4);
        PutLittle(block, lastLeaf, 2);
        PutLittle(block, root, 2);
        block.resize(block.size() + 4096, 0);  // room for any tree and stream
        return block;
    };
    const std::vector<Case> cases = {
        {header(0, 1, 2), 0, "output length is 0"},
        {MakeBlock(8, kTwoLeaves, {0x55}), 7, "differs from its buffer"},
        {MakeBlock(8, kTwoLeaves, {0x55}), 9, "differs from its buffer"},
        {header(4, 0, 1), 4, "fewer than two leaves"},
        {header(4, 256, 511), 4, "leaf index is above 255"},
        {header(4, 1, 512), 4, "root index is above 511"},
        {header(4, 2, 2), 4, "root is a leaf"},
        {MakeBlock(4, {{'x', 'y'}, {{0, 3}}}, {0x00}), 4, "above its root"},
        {MakeBlock(4, {{'x', 'y', 'z'}, {{0, 1}, {5, 2}}}, {0x00}), 4, "above its root"},
        {MakeBlock(9, kTwoLeaves, {0xFF}), 9, "end before its output is complete"},
        {MakeBlock(2, kTwoLeaves, {}), 2, "end before its output is complete"},
        {{0x03, 0x00, 0x00, 0x00, 0x02}, 3, "end before its output is complete"},
        {std::vector<uint8_t>(kAbcBlock.begin(), kAbcBlock.begin() + 17), 3,
         "end before its output is complete"},
    };
    for (const Case& c : cases) {
        for (const bool bitwise : {false, true}) {
            std::vector<uint8_t> out(c.capacity + 16, 0xA5);
            const bool ok =
                bitwise
                    ? DecompressMemoryBitwise(c.block.data(), static_cast<uint32_t>(c.block.size()),
                                              out.data(), c.capacity)
                    : DecompressMemory(c.block.data(), static_cast<uint32_t>(c.block.size()),
                                       out.data(), c.capacity);
            EXPECT_FALSE(ok) << c.cause;
            EXPECT_NE(std::string(decodeReport.failure).find(c.cause), std::string::npos)
                << decodeReport.failure << " instead of " << c.cause;
            for (size_t k = c.capacity; k < out.size(); ++k) ASSERT_EQ(out[k], 0xA5) << c.cause;
        }
    }
}

// One- and two-bit code words fill a table step with four code words; at every output length
// around the fast loop's reach the last steps stop exactly at the buffer's end, also when spare
// bytes after the stream let the fast loop run on to it.
TEST(EntryDecoder, ShortCodeWordsFillTheBufferExactlyAtEveryLength) {
    const BlockTree fourLeaves = {{'a', 'b', 'c', 'd'}, {{0, 1}, {2, 3}, {4, 5}}};
    std::mt19937 random(11);
    for (const BlockTree* tree : {&kTwoLeaves, &fourLeaves}) {
        for (uint32_t n = 1; n <= 90; ++n) {
            std::vector<uint8_t> output(n);
            for (uint8_t& byte : output) byte = tree->leaves[random() % tree->leaves.size()];
            std::vector<uint8_t> stream = EncodeWithTree(*tree, output);
            const size_t used =
                kBlockHeaderSize + tree->leaves.size() + 4 * tree->inner.size() + stream.size();
            stream.resize(stream.size() + 8, 0x5A);
            const std::vector<uint8_t> block = MakeBlock(n, *tree, stream);
            std::vector<uint8_t> out(n + 32, 0xA5);
            ASSERT_TRUE(
                DecompressMemory(block.data(), static_cast<uint32_t>(block.size()), out.data(), n))
                << n << decodeReport.failure;
            EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + n), output) << n;
            EXPECT_EQ(decodeReport.bytesUsed, used) << n;
            for (size_t k = n; k < out.size(); ++k) ASSERT_EQ(out[k], 0xA5) << n;
        }
    }
}

// A tree with a cycle (inner node 2 leads back to itself on bit 0) consumes a bit per step, so
// a stream of zeros runs out instead of looping.
TEST(EntryDecoder, CyclicTreeRunsOutOfBitsInsteadOfLooping) {
    const BlockTree cyclic = {{'x', 'y'}, {{2, 1}, {2, 0}}};
    const std::vector<uint8_t> block = MakeBlock(1, cyclic, std::vector<uint8_t>(64, 0));
    EXPECT_EQ(Decoded(block, 1), "refused: the block's bytes end before its output is complete");
    EXPECT_EQ(Decoded(MakeBlock(1, cyclic, {0x40}), 1), "y");  // 0 to node 2, 1 to leaf 1
}

// The table decoder against the bit walker: random trees from balanced to chains 255 deep,
// streams that fit, that run short, that are pure noise and that carry spare bytes; results,
// causes, output bytes and bytes used must all agree.
TEST(EntryDecoder, TableDecoderMatchesTheBitWalkerOnRandomBlocks) {
    std::mt19937 random(2024);
    for (int round = 0; round < 600; ++round) {
        const uint32_t leafCount = 2 + random() % 255;
        const BlockTree tree = RandomTree(random, leafCount);
        const uint32_t n = 1 + random() % 3000;
        std::vector<uint8_t> output(n);
        for (uint8_t& byte : output) byte = tree.leaves[random() % leafCount];
        std::vector<uint8_t> stream = EncodeWithTree(tree, output);
        switch (round % 4) {
            case 1:
                stream.resize(stream.size() * (random() % 100) / 100);
                break;
            case 2:
                for (uint8_t& byte : stream) byte = static_cast<uint8_t>(random());
                break;
            case 3:
                stream.resize(stream.size() + random() % 20, 0x5A);
                break;
            default:
                break;
        }
        const std::vector<uint8_t> block = MakeBlock(n, tree, stream);
        const auto size = static_cast<uint32_t>(block.size());
        std::vector<uint8_t> fast(n, 0), walked(n, 0);
        const bool fastOk = DecompressMemory(block.data(), size, fast.data(), n);
        const DecodeReport fastReport = decodeReport;
        const bool walkedOk = DecompressMemoryBitwise(block.data(), size, walked.data(), n);
        ASSERT_EQ(fastOk, walkedOk) << "round " << round;
        if (fastOk) {
            ASSERT_EQ(fast, walked) << "round " << round;
        }
        ASSERT_STREQ(fastReport.failure, decodeReport.failure) << "round " << round;
        ASSERT_EQ(fastReport.bytesUsed, decodeReport.bytesUsed) << "round " << round;
        if (round % 4 == 0) {
            ASSERT_TRUE(fastOk);
            ASSERT_EQ(fast, output);
            ASSERT_EQ(decodeReport.bytesUsed, size);
        }
    }
}

}  // namespace
}  // namespace qx::test
