// The effects' start-up precalculation: everything the effects need that does not come from the
// archive, computed once after the archive entries are in their buffers and before the frame
// loop starts. It also owns the bump scene's two light sine tables.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kLightSineEntries = 256;  // indexed by a byte
extern int32_t lightSineTableA[kLightSineEntries];  // 0 .. 140, highest at entry 64
extern int32_t lightSineTableB[kLightSineEntries];  // 0 .. 80, highest at entry 64

// In this order: row offset table; noise table (which seeds the random generator, so it is the
// generator's first use); projection matrix; SetUpObjects on the object list as loaded (the
// camera object alone); sort buckets cleared; tunnel tables; bump tables (picbump8 smoothed twice
// with BlurGrey8 and picbump twice with BlurPixelBytes8, both in place, the two slope maps of
// picbump8, the light sine tables); water buffers, field A current.
void PrepareEffects();

}  // namespace qx
