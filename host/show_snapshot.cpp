#include "host/show_snapshot.h"

#include <algorithm>
#include <cstring>

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

}  // namespace qx
