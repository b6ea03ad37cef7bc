// Snapshots of the whole show: every byte of the show's state (host/state_registry.h: the
// production's records, the overlay's counters, the frame loop's pacing and frame-rate window,
// the song's start), the framebuffer and the clock reading they were taken at. Restored, the show
// goes on exactly as it went on from where the snapshot was taken, on any clock: every time it
// holds is moved by the distance between the two clocks.
//
// The bytes are kept in pages of kSnapshotPageBytes, and a snapshot taken beside another shares
// every page that did not change with it: the pictures of a quiet scene, the object image that
// only the animation touches, the water fields outside the water scenes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qx {

inline constexpr size_t kSnapshotPageBytes = 4096;

class ShowSnapshot {
public:
    // Bytes held by every page of every snapshot alive, shared pages counted once.
    static size_t PageBytesInUse();

    bool Empty() const { return pages_.empty(); }
    uint32_t Clock() const { return clock_; }
    // How long the song had played, by the clock, when the snapshot was taken.
    uint32_t SongMilliseconds() const { return clock_ - songStartClock_; }
    // Passes the show had played, presented or not.
    uint64_t ShowPasses() const { return showPasses_; }

    // Takes the show as it is now, the platform's clock reading `clock`, sharing the pages that
    // equal those of `beside` (which may be this snapshot itself, or empty).
    void Take(uint32_t clock, const ShowSnapshot& beside);
    // Puts the show back as it was, its times moved to a clock that reads `clock` now.
    void Restore(uint32_t clock) const;

    // The snapshot as bytes for another instance of this same program (the browser builds its
    // seek index in a second one): only the pages that differ from `beside`'s are written, so
    // the reader needs `beside` as it was read before. Appends to `bytes`.
    void Write(const ShowSnapshot& beside, std::vector<uint8_t>& bytes) const;
    // Reads what Write wrote, from `*at` (moved past it) up to `end`, sharing pages with
    // `beside`; false, and the snapshot unchanged, for bytes that are short, damaged or of a
    // program whose show state is laid out differently.
    bool Read(const uint8_t*& at, const uint8_t* end, const ShowSnapshot& beside);
    // Every page the same bytes as `other`'s.
    bool SameAs(const ShowSnapshot& other) const;

private:
    struct Page;
    std::vector<std::shared_ptr<const Page>> pages_;
    uint32_t clock_ = 0;
    // Read off the show's state when it was taken (the pages hold them too).
    uint32_t songStartClock_ = 0;  // on the clock of the snapshot
    uint64_t showPasses_ = 0;
};

}  // namespace qx
