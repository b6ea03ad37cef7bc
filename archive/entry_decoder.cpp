#include "archive/entry_decoder.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "archive/archive_reader.h"

namespace qx {

EntryReader entryReader;
DecodeReport decodeReport;

namespace {

// Decode tree, shared by both decoders. Node k is a leaf exactly when its first field is
// kLeafMarker; a leaf's second field holds its byte, an inner node's fields its children on bit 0
// and bit 1.
struct TreeNode {
    uint16_t first = kLeafMarker;
    uint16_t second = 0;
};
struct DecodeTree {
    TreeNode nodes[kTreeNodeCount]{};
};
DecodeTree decodeTree;

// Every kTableBits-bit prefix of the bit stream, looked up from the root. An entry holds the
// one to four whole code words the prefix starts with, or, when the first code word is longer
// than the prefix, the inner node the prefix leads to:
//   bits 0-5    bits of all its code words (the shift that consumes them)
//   bits 6-8    code words: 1 to 4, or 0 for a longer code word
//   bits 12-15  bits of the first code word
//   bits 16-24  for a longer code word, the inner node the prefix leads to
//   bits 32-63  the code words' bytes, the first in bits 32-39, 0 past the last
// The shift sits in the lowest bits so that the fast loop's chain from one lookup to the next is
// a load, a shift and a shift.
constexpr uint32_t kTableBits = 11;
constexpr uint32_t kTableSize = 1u << kTableBits;  // entries
constexpr uint32_t kMaxWordsPerEntry = 4;          // bytes written by one lookup, at most
struct DecodeTable {
    uint64_t entries[kTableSize]{};
};
DecodeTable decodeTable;

constexpr char kBytesEnd[] = "the block's bytes end before its output is complete";

// A block already in memory.
struct MemorySource {
    const uint8_t* begin;
    const uint8_t* next;
    const uint8_t* end;
    bool Refill() { return false; }
    uint32_t Taken() const { return static_cast<uint32_t>(next - begin); }
    const char* EndCause() const { return kBytesEnd; }
};

// An archive entry, kReadBufferSize stored bytes at a time.
struct EntrySource {
    uint64_t fileOffset = 0;  // of the entry's first stored byte
    const uint8_t* next = nullptr;
    const uint8_t* end = nullptr;
    bool readFailed = false;

    bool Refill() {
        const uint32_t n =
            std::min(kReadBufferSize, entryReader.entrySize - entryReader.bytesFetched);
        if (n == 0) return false;
        if (!ReadArchiveBytes(fileOffset + entryReader.bytesFetched, entryReader.readBuffer, n)) {
            readFailed = true;
            return false;
        }
        entryReader.bytesFetched += n;
        next = entryReader.readBuffer;
        end = next + n;
        return true;
    }
    uint32_t Taken() const { return entryReader.bytesFetched - static_cast<uint32_t>(end - next); }
    const char* EndCause() const { return readFailed ? archiveState.failure : kBytesEnd; }
};

template <typename Source>
bool NextByte(Source& source, uint8_t& value) {
    if (source.next == source.end && !source.Refill()) return false;
    value = *source.next++;
    return true;
}

// A little-endian word (uint16_t or uint32_t), lowest byte first; value is left alone when the
// bytes run out.
template <typename Source, typename Word>
bool NextWord(Source& source, Word& value) {
    Word word = 0;
    for (uint32_t k = 0; k < sizeof(Word); ++k) {
        uint8_t byte = 0;
        if (!NextByte(source, byte)) return false;
        word = static_cast<Word>(word | static_cast<Word>(byte) << 8 * k);
    }
    value = word;
    return true;
}

struct BlockShape {
    uint32_t length = 0;  // N, output bytes
    uint32_t root = 0;    // R
};

// Reads the block header and fills the decode tree from it. Returns nullptr, or the cause of the
// refusal.
template <typename Source>
const char* ReadTree(Source& source, uint32_t capacity, BlockShape& shape) {
    std::fill(std::begin(decodeTree.nodes), std::end(decodeTree.nodes), TreeNode{});
    uint32_t length = 0;
    uint16_t lastLeaf = 0;
    uint16_t root = 0;
    if (!NextWord(source, length) || !NextWord(source, lastLeaf) || !NextWord(source, root))
        return source.EndCause();
    if (length == 0) return "the block's output length is 0";
    if (length != capacity) return "the block's output length differs from its buffer's size";
    if (lastLeaf == 0) return "the block's code has fewer than two leaves";
    if (lastLeaf > kMaxLeafIndex) return "the block's last leaf index is above 255";
    if (root > kMaxRootIndex) return "the block's root index is above 511";
    if (root <= lastLeaf) return "the block's root is a leaf";

    TreeNode* const nodes = decodeTree.nodes;
    for (uint32_t k = 0; k <= lastLeaf; ++k) {
        uint8_t symbol = 0;
        if (!NextByte(source, symbol)) return source.EndCause();
        nodes[k].second = symbol;
    }
    for (uint32_t j = lastLeaf + 1u; j <= root; ++j) {
        uint16_t zero = 0;
        uint16_t one = 0;
        if (!NextWord(source, zero) || !NextWord(source, one)) return source.EndCause();
        if (zero > root || one > root)
            return "a child index of the block's tree lies above its root";
        nodes[j] = {zero, one};
    }
    shape = {length, root};
    return nullptr;
}

// The reference decoder: one tree step per bit, bytes fetched only when a bit is needed.
template <typename Source>
const char* WalkBits(Source& source, uint8_t* out, const BlockShape& shape) {
    const TreeNode* const nodes = decodeTree.nodes;
    const uint8_t* const stop = out + shape.length;
    uint32_t node = shape.root;
    for (;;) {
        uint8_t byte = 0;
        if (!NextByte(source, byte)) return source.EndCause();
        for (int bit = 7; bit >= 0; --bit) {
            node = (byte >> bit & 1) != 0 ? nodes[node].second : nodes[node].first;
            if (nodes[node].first == kLeafMarker) {
                *out++ = static_cast<uint8_t>(nodes[node].second);
                if (out == stop) return nullptr;
                node = shape.root;
            }
        }
    }
}

constexpr uint32_t kTableShift = 64 - kTableBits;  // bit window to table index
constexpr uint32_t kTableMask = kTableSize - 1;

constexpr uint32_t AllBits(uint64_t entry) { return entry & 63; }
constexpr uint32_t Words(uint64_t entry) { return entry >> 6 & 7; }
constexpr uint32_t FirstBits(uint64_t entry) { return entry >> 12 & 0xF; }
constexpr uint32_t InnerNode(uint64_t entry) { return entry >> 16 & 0x1FF; }
constexpr uint8_t FirstByte(uint64_t entry) { return static_cast<uint8_t>(entry >> 32); }

// Fills the entries of every prefix that starts with the depth-bit prefix leading to node, with
// single code words. Depth is at most kTableBits, so the recursion is bounded even if the tree
// has cycles.
void FillTable(uint32_t node, uint32_t depth, uint32_t prefix) {
    const TreeNode& n = decodeTree.nodes[node];
    uint64_t* const entries = decodeTable.entries;
    if (n.first == kLeafMarker) {
        const uint32_t spread = kTableBits - depth;
        const uint64_t leaf =
            depth | 1u << 6 | depth << 12 | static_cast<uint64_t>(n.second & 0xFFu) << 32;
        std::fill_n(entries + (prefix << spread), 1u << spread, leaf);
    } else if (depth == kTableBits) {
        entries[prefix] = uint64_t{node} << 16;
    } else {
        FillTable(n.first, depth + 1, prefix << 1);
        FillTable(n.second, depth + 1, prefix << 1 | 1);
    }
}

// Builds the table for the tree: single code words first, then every entry takes the following
// whole code words that still fit in its prefix, up to kMaxWordsPerEntry. The code word after
// the first `used` bits is the first code word of the entry for the prefix shifted left by
// `used`; it lies within the prefix when its length is at most kTableBits - used, and then the
// zeros shifted in do not decide it. Only first code words are read while extending, and
// extending keeps an entry's first code word, so extending in place is safe.
void BuildTable(uint32_t root) {
    FillTable(root, 0, 0);
    uint64_t* const entries = decodeTable.entries;
    for (uint32_t prefix = 0; prefix < kTableSize; ++prefix) {
        const uint64_t first = entries[prefix];
        if (Words(first) == 0) continue;
        uint32_t used = FirstBits(first);
        uint32_t words = 1;
        uint64_t bytes = FirstByte(first);
        while (words < kMaxWordsPerEntry) {
            const uint64_t next = entries[(prefix << used) & kTableMask];
            if (Words(next) == 0 || used + FirstBits(next) > kTableBits) break;
            bytes |= uint64_t{FirstByte(next)} << (8 * words);
            used += FirstBits(next);
            ++words;
        }
        entries[prefix] = used | words << 6 | FirstBits(first) << 12 | bytes << 32;
    }
}

inline uint64_t LoadBigEndian64(const uint8_t* bytes) {
    uint64_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    return value;
}

// Makes the source's next chunk current; false when it is used up.
template <typename Source>
inline bool RefillFrom(Source& source, const uint8_t*& next, const uint8_t*& end) {
    source.next = next;
    const bool more = source.Refill();
    next = source.next;
    end = source.end;
    return more;
}

// The table decoder. Bits are kept in a 64-bit window, most significant first; below its
// `count` valid bits the window holds either zeros or the stream's next bits, so OR-ing a fresh
// load over it is harmless and a lookup near the end of the stream sees the true prefix.
//
// The fast loop runs while 8 stream bytes and kFastOutputRoom output bytes are at hand: one
// branch-free load tops the window up to at least 56 bits, enough for kStepsPerLoad table steps
// of at most 11 bits without a check, each writing four bytes of which its one to four code words
// are the first (the next step overwrites the rest). The careful loop does one code word at a
// time with every check: near the ends, and for code words longer than the table. A code word is
// accepted only when all its bits lie within the stream, exactly where the reference decoder
// would have run out. unusedBytes receives the whole bytes fetched into the window but never
// consumed.
constexpr uint32_t kStepsPerLoad = 5;
static_assert(kStepsPerLoad * kTableBits <= 56);
constexpr std::ptrdiff_t kFastOutputRoom = kStepsPerLoad * kMaxWordsPerEntry;  // bytes
static_assert(std::endian::native == std::endian::little);  // four bytes stored as one word

template <typename Source>
const char* DecodeWithTable(Source& source, uint8_t* out, const BlockShape& shape,
                            uint32_t& unusedBytes) {
    BuildTable(shape.root);
    const uint64_t* const table = decodeTable.entries;
    const TreeNode* const nodes = decodeTree.nodes;
    uint8_t* const stop = out + shape.length;
    const uint8_t* next = source.next;
    const uint8_t* end = source.end;
    uint64_t bits = 0;
    uint32_t count = 0;
    const char* failure = nullptr;
    while (out != stop) {
        bool longCode = false;
        while (!longCode && stop - out >= kFastOutputRoom && end - next >= 8) {
            bits |= LoadBigEndian64(next) >> count;
            next += (63 - count) >> 3;
            count |= 56;
            for (uint32_t step = 0; step < kStepsPerLoad; ++step) {
                const uint64_t entry = table[bits >> kTableShift];
                if (Words(entry) == 0) {
                    longCode = true;
                    break;
                }
                const auto bytes = static_cast<uint32_t>(entry >> 32);
                std::memcpy(out, &bytes, sizeof bytes);
                out += Words(entry);
                bits <<= AllBits(entry);
                count -= AllBits(entry);
            }
        }
        if (out == stop) break;

        while (count <= 56 && (next != end || RefillFrom(source, next, end))) {
            bits |= static_cast<uint64_t>(*next++) << (56 - count);
            count += 8;
        }
        const uint64_t entry = table[bits >> kTableShift];
        if (Words(entry) != 0) {
            const uint32_t length = FirstBits(entry);
            if (length > count) {
                failure = source.EndCause();
                break;
            }
            *out++ = FirstByte(entry);
            bits <<= length;
            count -= length;
            continue;
        }
        // A code word longer than the table: walk on from the inner node it led to.
        if (count < kTableBits) {
            failure = source.EndCause();
            break;
        }
        bits <<= kTableBits;
        count -= kTableBits;
        uint32_t node = InnerNode(entry);
        do {
            if (count == 0) {
                if (next == end && !RefillFrom(source, next, end)) break;
                bits = static_cast<uint64_t>(*next++) << 56;
                count = 8;
            }
            node = (bits >> 63) != 0 ? nodes[node].second : nodes[node].first;
            bits <<= 1;
            --count;
        } while (nodes[node].first != kLeafMarker);
        if (nodes[node].first != kLeafMarker) {
            failure = source.EndCause();
            break;
        }
        *out++ = static_cast<uint8_t>(nodes[node].second);
    }
    source.next = next;
    unusedBytes = count / 8;
    return failure;
}

template <typename Source>
bool DecodeBlock(Source& source, uint8_t* destination, uint32_t capacity, bool bitwise) {
    decodeReport = {};
    BlockShape shape;
    const char* failure = ReadTree(source, capacity, shape);
    uint32_t unusedBytes = 0;
    if (failure == nullptr) {
        failure = bitwise ? WalkBits(source, destination, shape)
                          : DecodeWithTable(source, destination, shape, unusedBytes);
    }
    if (failure != nullptr) {
        decodeReport.failure = failure;
        return false;
    }
    decodeReport.bytesUsed = source.Taken() - unusedBytes;
    return true;
}

bool DecodeMemory(const uint8_t* source, uint32_t sourceSize, uint8_t* destination,
                  uint32_t capacity, bool bitwise) {
    MemorySource bytes{source, source, source + sourceSize};
    return DecodeBlock(bytes, destination, capacity, bitwise);
}

}  // namespace

bool LoadEntry(uint32_t entryNumber, uint8_t* destination, uint32_t capacity) {
    EntrySource source;
    uint32_t storedSize = 0;
    if (!FindEntry(entryNumber, source.fileOffset, storedSize)) {
        decodeReport = {archiveState.failure, 0};
        return false;
    }
    entryReader.entrySize = storedSize;
    entryReader.bytesFetched = 0;
    return DecodeBlock(source, destination, capacity, false);
}

bool DecompressMemory(const uint8_t* source, uint32_t sourceSize, uint8_t* destination,
                      uint32_t capacity) {
    return DecodeMemory(source, sourceSize, destination, capacity, false);
}

bool DecompressMemoryBitwise(const uint8_t* source, uint32_t sourceSize, uint8_t* destination,
                             uint32_t capacity) {
    return DecodeMemory(source, sourceSize, destination, capacity, true);
}

}  // namespace qx
