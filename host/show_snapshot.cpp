#include "host/show_snapshot.h"

#include <algorithm>
#include <cstring>

#include "base/byte_stream.h"
#include "host/frame_loop.h"
#include "host/production_state.h"
#include "music/music_binding.h"

namespace qx {

namespace {

size_t pageBytesInUse = 0;

// Calls visit(index, bytes, size) for every page of the regions, in order: each region is cut
// into pages of kSnapshotPageBytes, its last one shorter.
template <typename Visit>
void ForEachPage(const std::vector<StateRegion>& regions, Visit visit) {
    size_t index = 0;
    for (const StateRegion& region : regions)
        for (size_t offset = 0; offset < region.size; offset += kSnapshotPageBytes, ++index)
            visit(index, static_cast<uint8_t*>(region.bytes) + offset,
                  std::min(kSnapshotPageBytes, region.size - offset));
}

inline constexpr uint32_t kSnapshotMagic = 0x31535851;  // "QXS1"
enum PageMark : uint8_t { kPageBeside = 0, kPageBytes = 1 };

// The layout of the show's state: its regions' sizes, FNV-1a over them.
uint32_t LayoutCode(const std::vector<StateRegion>& regions) {
    uint32_t code = 2166136261u;
    for (const StateRegion& region : regions)
        for (int shift = 0; shift < 64; shift += 8)
            code = (code ^ static_cast<uint8_t>(uint64_t{region.size} >> shift)) * 16777619u;
    return code;
}

size_t PageCount(const std::vector<StateRegion>& regions) {
    size_t count = 0;
    for (const StateRegion& region : regions)
        count += (region.size + kSnapshotPageBytes - 1) / kSnapshotPageBytes;
    return count;
}

}  // namespace

struct ShowSnapshot::Page {
    Page(const uint8_t* from, size_t size) : bytes(from, from + size) { pageBytesInUse += size; }
    ~Page() { pageBytesInUse -= bytes.size(); }
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;
    std::vector<uint8_t> bytes;
};

size_t ShowSnapshot::PageBytesInUse() { return pageBytesInUse; }

void ShowSnapshot::Take(uint32_t clock, const ShowSnapshot& beside) {
    const std::vector<StateRegion> regions = ProductionRegions();
    std::vector<std::shared_ptr<const Page>> pages;
    ForEachPage(regions, [&](size_t index, const uint8_t* bytes, size_t size) {
        if (index < beside.pages_.size()) {
            const std::shared_ptr<const Page>& old = beside.pages_[index];
            if (old->bytes.size() == size && std::memcmp(old->bytes.data(), bytes, size) == 0) {
                pages.push_back(old);
                return;
            }
        }
        pages.push_back(std::make_shared<const Page>(bytes, size));
    });
    pages_ = std::move(pages);
    clock_ = clock;
    songStartClock_ = musicBinding.songStartClock;
    showPasses_ = loopState.showPasses;
}

void ShowSnapshot::Restore(uint32_t clock) const {
    if (pages_.empty()) return;
    ForEachPage(ProductionRegions(), [&](size_t index, uint8_t* bytes, size_t size) {
        if (index < pages_.size() && pages_[index]->bytes.size() == size)
            std::memcpy(bytes, pages_[index]->bytes.data(), size);
    });
    MoveShowTimes(clock - clock_);
}

void ShowSnapshot::Write(const ShowSnapshot& beside, std::vector<uint8_t>& bytes) const {
    const std::vector<StateRegion> regions = ProductionRegions();
    AppendValue(bytes, kSnapshotMagic);
    AppendValue(bytes, LayoutCode(regions));
    AppendValue(bytes, clock_);
    AppendValue(bytes, songStartClock_);
    AppendValue(bytes, showPasses_);
    AppendValue(bytes, static_cast<uint32_t>(pages_.size()));
    for (size_t i = 0; i < pages_.size(); ++i) {
        const std::shared_ptr<const Page>& page = pages_[i];
        if (i < beside.pages_.size() && beside.pages_[i] == page) {
            bytes.push_back(kPageBeside);
            continue;
        }
        bytes.push_back(kPageBytes);
        bytes.insert(bytes.end(), page->bytes.begin(), page->bytes.end());
    }
}

bool ShowSnapshot::Read(const uint8_t*& at, const uint8_t* end, const ShowSnapshot& beside) {
    const std::vector<StateRegion> regions = ProductionRegions();
    const uint8_t* cursor = at;
    uint32_t magic = 0, layout = 0, clock = 0, songStartClock = 0, pageCount = 0;
    uint64_t showPasses = 0;
    if (!TakeValue(cursor, end, magic) || magic != kSnapshotMagic || !TakeValue(cursor, end, layout) ||
        layout != LayoutCode(regions) || !TakeValue(cursor, end, clock) ||
        !TakeValue(cursor, end, songStartClock) || !TakeValue(cursor, end, showPasses) ||
        !TakeValue(cursor, end, pageCount) || pageCount != PageCount(regions))
        return false;
    std::vector<std::shared_ptr<const Page>> pages;
    pages.reserve(pageCount);
    bool whole = true;
    ForEachPage(regions, [&](size_t index, const uint8_t*, size_t size) {
        uint8_t mark = 0;
        if (!whole || !TakeValue(cursor, end, mark)) {
            whole = false;
        } else if (mark == kPageBeside && index < beside.pages_.size() &&
                   beside.pages_[index]->bytes.size() == size) {
            pages.push_back(beside.pages_[index]);
        } else if (mark == kPageBytes && static_cast<size_t>(end - cursor) >= size) {
            pages.push_back(std::make_shared<const Page>(cursor, size));
            cursor += size;
        } else {
            whole = false;
        }
    });
    if (!whole) return false;
    pages_ = std::move(pages);
    clock_ = clock;
    songStartClock_ = songStartClock;
    showPasses_ = showPasses;
    at = cursor;
    return true;
}

bool ShowSnapshot::SameAs(const ShowSnapshot& other) const {
    if (pages_.size() != other.pages_.size()) return false;
    for (size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i] != other.pages_[i] && pages_[i]->bytes != other.pages_[i]->bytes)
            return false;
    return true;
}

}  // namespace qx
