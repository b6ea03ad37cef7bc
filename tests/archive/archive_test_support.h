// Helpers for the archive tests: a fixture with a fresh virtual platform and archive state,
// hand-made blocks with any tree shape, and the worked example block.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/entry_decoder.h"
#include "tests/support/virtual_platform.h"
#include "tools/archive/archive_writer.h"

namespace qx::test {

// N = 3, leaves a, b, c, inner node 3 = {0, 1}, root 4 = {2, 3}; the bits 1011 0 spell abc.
inline const std::vector<uint8_t> kAbcBlock = {0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x04,
                                               0x00, 0x61, 0x62, 0x63, 0x00, 0x00, 0x01,
                                               0x00, 0x02, 0x00, 0x03, 0x00, 0xB0};

// A decode tree as a block stores it: leaf symbols, then inner nodes as {bit-0, bit-1} child.
struct BlockTree {
    std::vector<uint8_t> leaves;
    std::vector<std::pair<uint16_t, uint16_t>> inner;
    uint32_t Root() const { return static_cast<uint32_t>(leaves.size() + inner.size() - 1); }
};

inline void PutLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

// Header and tree of a block with output length n, followed by the given stream bytes. L and R
// are written as given, so broken headers can be made too.
inline std::vector<uint8_t> MakeBlock(uint32_t n, const BlockTree& tree,
                                      const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> block;
    PutLittle(block, n, 4);
    PutLittle(block, static_cast<uint32_t>(tree.leaves.size() - 1), 2);
    PutLittle(block, tree.Root(), 2);
    block.insert(block.end(), tree.leaves.begin(), tree.leaves.end());
    for (const auto& [zero, one] : tree.inner) {
        PutLittle(block, zero, 2);
        PutLittle(block, one, 2);
    }
    block.insert(block.end(), stream.begin(), stream.end());
    return block;
}

// A proper tree over leafCount leaves (2 to 256) of random shape, from balanced to a chain
// hundreds of levels deep; distinct random leaf symbols.
inline BlockTree RandomTree(std::mt19937& random, uint32_t leafCount) {
    BlockTree tree;
    std::vector<uint8_t> symbols(256);
    for (uint32_t k = 0; k < 256; ++k) symbols[k] = static_cast<uint8_t>(k);
    std::shuffle(symbols.begin(), symbols.end(), random);
    tree.leaves.assign(symbols.begin(), symbols.begin() + leafCount);
    std::vector<uint16_t> pool(leafCount);
    for (uint32_t k = 0; k < leafCount; ++k) pool[k] = static_cast<uint16_t>(k);
    const bool chainy = random() % 3 == 0;
    while (pool.size() > 1) {
        const auto take = [&]() {
            const size_t at = chainy ? pool.size() - 1 - random() % std::min<size_t>(2, pool.size())
                                     : random() % pool.size();
            const uint16_t node = pool[at];
            pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(at));
            return node;
        };
        const uint16_t zero = take();
        const uint16_t one = take();
        tree.inner.emplace_back(zero, one);
        pool.push_back(static_cast<uint16_t>(leafCount + tree.inner.size() - 1));
    }
    return tree;
}

// The bit stream spelling output with the tree's codes, zero padded to whole bytes.
inline std::vector<uint8_t> EncodeWithTree(const BlockTree& tree,
                                           const std::vector<uint8_t>& output) {
    const uint32_t leafCount = static_cast<uint32_t>(tree.leaves.size());
    std::vector<std::string> code(tree.Root() + 1);
    for (uint32_t node = tree.Root(); node >= leafCount; --node) {
        const auto& [zero, one] = tree.inner[node - leafCount];
        code[zero] = code[node] + "0";
        code[one] = code[node] + "1";
    }
    std::string codeOf[256];
    for (uint32_t k = 0; k < leafCount; ++k) codeOf[tree.leaves[k]] = code[k];
    std::vector<uint8_t> stream;
    uint32_t bitCount = 0;
    for (const uint8_t byte : output) {
        for (const char bit : codeOf[byte]) {
            if (bitCount % 8 == 0) stream.push_back(0);
            if (bit == '1') stream.back() |= static_cast<uint8_t>(0x80 >> (bitCount % 8));
            ++bitCount;
        }
    }
    return stream;
}

// An archive of the given blocks named "e1.~", "e2.~", ...
inline std::vector<uint8_t> ArchiveOf(const std::vector<std::vector<uint8_t>>& blocks) {
    std::vector<ArchiveEntry> entries;
    for (size_t k = 0; k < blocks.size(); ++k) {
        std::string name = std::to_string(k + 1);
        name.insert(name.begin(), 'e');
        name.append(".~");
        entries.push_back({name, blocks[k]});
    }
    std::vector<uint8_t> archive;
    const char* failure = "";
    EXPECT_TRUE(WriteArchive(entries, archive, failure)) << failure;
    return archive;
}

class ArchiveTest : public ::testing::Test {
protected:
    VirtualPlatform platform;
    void SetUp() override {
        archiveState = {};
        entryReader = {};
        decodeReport = {};
        UsePlatform(&platform);
    }
    void TearDown() override {
        CloseArchive();
        UsePlatform(nullptr);
    }
    // The program file: some bytes of "program", then the archive.
    void UseProgramWith(const std::vector<uint8_t>& archive, size_t programBytes = 1000) {
        platform.executableImage.assign(programBytes, 0xCC);
        platform.executableImage.insert(platform.executableImage.end(), archive.begin(),
                                        archive.end());
    }
};

}  // namespace qx::test
