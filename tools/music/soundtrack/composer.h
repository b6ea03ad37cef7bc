// The production's soundtrack, composed in code: a drum-and-bass piece of 37 orders at speed 5
// and 149 BPM (4 rows a beat, 179 BPM felt; an order is 4 bars, 5.36 s) whose sections change
// on the first row of the order where a scene starts, with accents on the rows where scenes
// flash; the cadence lands at the start of order 36 and dies away with the picture before the
// show ends at order 37, where a slow coda at speed 31 plays for the module alone. Written as an XM
// module of exactly kModuleSize bytes: 20 channels, 42 orders, 39 patterns of 64 rows, 49
// instruments.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/music/xm_writer.h"

namespace qx {

inline constexpr uint32_t kSongChannels = 20;
inline constexpr uint32_t kSongOrders = 42;
inline constexpr uint32_t kSongPatterns = 39;
inline constexpr uint32_t kSongRows = 64;  // per pattern
inline constexpr uint32_t kSongSpeed = 5;  // ticks per row, orders 0 to 36
inline constexpr uint32_t kSongBpm = 149;
inline constexpr uint32_t kClosingOrder = 37;  // speed kClosingSpeed from here; the show ends here
inline constexpr uint32_t kClosingSpeed = 31;
// The closing cadence lands on row 0 of this order and has died away before the show ends;
// the coda after it (order kClosingOrder) plays only when the module plays on its own.
inline constexpr uint32_t kCadenceOrder = 36;
inline constexpr uint32_t kCadenceRingRows = 16;  // rows after the cadence that still sound

// The orders in which a row of the scene table begins (a scene starts, flashes or turns).
inline constexpr uint32_t kSceneOrderCount = 24;
extern const uint32_t kSceneOrders[kSceneOrderCount];

// A stretch of orders with one key and its own progression. scale: bit k set when pitch class
// k (0 = C) belongs to the section's scale; every pitched note of the section sounds only these.
struct SongSection {
    const char* name;
    uint32_t firstOrder;
    uint32_t lastOrder;
    uint32_t scale;
};
inline constexpr uint32_t kSongSectionCount = 14;
extern const SongSection kSongSections[kSongSectionCount];

// A music position (order, row) where a scene flashes or changes and the music hits.
struct SyncRow {
    uint32_t order;
    uint32_t row;
};
inline constexpr uint32_t kSyncRowCount = 20;
extern const SyncRow kSyncRows[kSyncRowCount];

// The section playing at an order (the closing chord belongs to the last one).
const SongSection& SectionOfOrder(uint32_t order);

// The module with a film-crackle loop of crackleFrames 8-bit frames (the size adjuster).
XmModule ComposeSoundtrack(uint32_t crackleFrames);

// The finished file, exactly kModuleSize bytes; empty when the song cannot reach that size.
std::vector<uint8_t> MakeSoundtrack();

}  // namespace qx
