// The wave table baked into the program image: one period of a smooth wave over 256 entries,
// lowest (0) at entries 58..68, highest (253) at entries 187..196. The table plasma reads it.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kWaveTableEntries = 256;  // indexed by a byte, so it wraps by itself

extern const uint8_t waveTable[kWaveTableEntries];

}  // namespace qx
