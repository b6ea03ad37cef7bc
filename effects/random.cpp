#include "effects/random.h"

#include <bit>

namespace qx {

RandomState randomState;

namespace {

constexpr uint32_t kRandomIncrement = 0x9C1A4E25;

}  // namespace

void SeedRandom() { randomState.state = 0; }

uint32_t NextRandom(uint32_t limit) {
    const uint32_t s = randomState.state + kRandomIncrement;
    // The multiplier is s with its two low bytes exchanged and the new low byte raised by one.
    const uint32_t m = (s & 0xFFFF0000) + ((s & 0xFF) << 8) + (((s >> 8) + 1) & 0xFF);
    randomState.state = std::rotr(s, static_cast<int>(m & 31)) * m;
    return (randomState.state & 0x7FFFFFFF) % limit;
}

}  // namespace qx
