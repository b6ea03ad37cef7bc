#include "tools/archive/archive_writer.h"

#include <algorithm>
#include <cstring>

#include "archive/archive_format.h"

namespace qx {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

// Appends code words most significant bit first, padding the last byte with zero bits.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out(out) {}
    void Put(uint64_t code, uint32_t length) {
        while (length > 0) {
            const uint32_t take = std::min(length, 32u);
            length -= take;
            const uint64_t part = (code >> length) & ((uint64_t{1} << take) - 1);
            pending = pending << take | part;
            pendingBits += take;
            while (pendingBits >= 8) {
                pendingBits -= 8;
                out.push_back(static_cast<uint8_t>(pending >> pendingBits));
            }
            pending &= (uint64_t{1} << pendingBits) - 1;
        }
    }
    void Finish() {
        if (pendingBits > 0) out.push_back(static_cast<uint8_t>(pending << (8 - pendingBits)));
        pendingBits = 0;
        pending = 0;
    }

private:
    std::vector<uint8_t>& out;
    uint64_t pending = 0;  // fewer than 8 bits between calls
    uint32_t pendingBits = 0;
};

}  // namespace

bool EncodeBlock(std::span<const uint8_t> input, std::vector<uint8_t>& block) {
    if (input.empty() || input.size() > UINT32_MAX) return false;
    uint64_t occurrences[256] = {};
    for (const uint8_t byte : input) ++occurrences[byte];

    std::vector<uint32_t> leaves;  // byte values, leaf k holds leaves[k]
    for (uint32_t value = 0; value < 256; ++value)
        if (occurrences[value] != 0) leaves.push_back(value);
    if (leaves.size() == 1) leaves.push_back(leaves[0] == 0 ? 1 : 0);
    std::stable_sort(leaves.begin(), leaves.end(),
                     [&](uint32_t a, uint32_t b) { return occurrences[a] < occurrences[b]; });

    // Two-queue Huffman merge: the leaves in ascending order, then the inner nodes in the order
    // they are made, which is ascending too. On equal weights the leaf is taken first.
    const uint32_t lastLeaf = static_cast<uint32_t>(leaves.size()) - 1;
    const uint32_t root = 2 * lastLeaf;
    std::vector<uint64_t> weight(root + 1);
    std::vector<uint32_t> zeroChild(root + 1);
    std::vector<uint32_t> oneChild(root + 1);
    for (uint32_t k = 0; k <= lastLeaf; ++k) weight[k] = occurrences[leaves[k]];
    uint32_t nextLeaf = 0;
    uint32_t nextInner = lastLeaf + 1;
    const auto takeLightest = [&](uint32_t made) {
        if (nextLeaf <= lastLeaf && (nextInner >= made || weight[nextLeaf] <= weight[nextInner]))
            return nextLeaf++;
        return nextInner++;
    };
    for (uint32_t made = lastLeaf + 1; made <= root; ++made) {
        zeroChild[made] = takeLightest(made);
        oneChild[made] = takeLightest(made);
        weight[made] = weight[zeroChild[made]] + weight[oneChild[made]];
    }

    // Children come before their parents, so walking down from the root sets every code.
    std::vector<uint64_t> code(root + 1);
    std::vector<uint32_t> length(root + 1);
    for (uint32_t node = root; node > lastLeaf; --node) {
        code[zeroChild[node]] = code[node] << 1;
        code[oneChild[node]] = code[node] << 1 | 1;
        length[zeroChild[node]] = length[oneChild[node]] = length[node] + 1;
    }
    uint64_t codeOf[256] = {};
    uint32_t lengthOf[256] = {};
    for (uint32_t k = 0; k <= lastLeaf; ++k) {
        codeOf[leaves[k]] = code[k];
        lengthOf[leaves[k]] = length[k];
    }

    block.clear();
    PutU32(block, static_cast<uint32_t>(input.size()));
    PutU16(block, lastLeaf);
    PutU16(block, root);
    for (const uint32_t value : leaves) block.push_back(static_cast<uint8_t>(value));
    for (uint32_t node = lastLeaf + 1; node <= root; ++node) {
        PutU16(block, zeroChild[node]);
        PutU16(block, oneChild[node]);
    }
    BitWriter bits(block);
    for (const uint8_t byte : input) bits.Put(codeOf[byte], lengthOf[byte]);
    bits.Finish();
    return true;
}

bool WriteArchive(std::span<const ArchiveEntry> entries, std::vector<uint8_t>& archive,
                  const char*& failure) {
    if (entries.empty()) {
        failure = "an archive needs at least one entry";
        return false;
    }
    if (entries.size() > kDirectoryCapacity) {
        failure = "an archive holds at most 32 entries";
        return false;
    }
    uint64_t total =
        kFirstEntryOffset + uint64_t{kDirectoryRecordSize} * entries.size() + kTrailerSize;
    for (const ArchiveEntry& entry : entries) {
        if (entry.name.size() > kRecordNameCapacity) {
            failure = "an entry name is longer than 63 characters";
            return false;
        }
        total += entry.storedBytes.size();
    }
    if (total > UINT32_MAX) {
        failure = "the archive would reach 4 GiB";
        return false;
    }

    archive.clear();
    archive.reserve(total);
    archive.insert(archive.end(), kArchiveMagic, kArchiveMagic + kArchiveMagicSize);
    archive.push_back(kArchiveMagicEnd);
    for (const ArchiveEntry& entry : entries)
        archive.insert(archive.end(), entry.storedBytes.begin(), entry.storedBytes.end());
    const auto directoryOffset = static_cast<uint32_t>(archive.size());
    uint32_t offset = kFirstEntryOffset;
    for (const ArchiveEntry& entry : entries) {
        uint8_t record[kDirectoryRecordSize] = {};
        record[0] = static_cast<uint8_t>(entry.name.size());
        std::memcpy(record + kRecordNameOffset, entry.name.data(), entry.name.size());
        archive.insert(archive.end(), record, record + kRecordOffsetField);
        const auto size = static_cast<uint32_t>(entry.storedBytes.size());
        PutU32(archive, offset);
        PutU32(archive, size);
        offset += size;
    }
    PutU32(archive, static_cast<uint32_t>(entries.size()));
    PutU32(archive, directoryOffset);
    PutU32(archive, static_cast<uint32_t>(total));
    return true;
}

bool PackArchive(std::span<const NamedData> items, std::vector<uint8_t>& archive,
                 const char*& failure) {
    std::vector<ArchiveEntry> entries(items.size());
    for (size_t k = 0; k < items.size(); ++k) {
        entries[k].name = items[k].name;
        if (!EncodeBlock(items[k].bytes, entries[k].storedBytes)) {
            failure = items[k].bytes.empty() ? "an empty file cannot be stored"
                                             : "a file of 4 GiB or more cannot be stored";
            return false;
        }
    }
    return WriteArchive(entries, archive, failure);
}

}  // namespace qx
