// The program's one pseudo-random generator. Film grain, scratches, dim bands, sprite sizes and
// the scenes' flicker, jitter and water seed all draw from it, so the order of the calls fixes
// every random value of the production; its state is 0 at start and only FillNoiseTable seeds it.
#pragma once

#include <cstdint>

namespace qx {

struct RandomState {
    uint32_t state = 0;
};
extern RandomState randomState;

void SeedRandom();
// A number in 0 .. limit - 1; limit must be greater than 0.
uint32_t NextRandom(uint32_t limit);

}  // namespace qx
