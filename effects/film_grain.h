// The old-film treatment: coloured grain from the noise table, black vertical scratches and
// darkened bands, all drawn from the program's one random generator (effects/random.h).
#pragma once

#include <cstdint>

#include "effects/random.h"

namespace qx {

inline constexpr uint32_t kNoiseTableBytes = 16016;    // each byte 0..63
inline constexpr uint32_t kGrainBytes = 16000;         // grain of one quarter picture (50 rows)
inline constexpr uint32_t kEvolvedNoiseBytes = 16012;  // 4003 words mixed by EvolveNoise

struct FilmGrainState {
    uint8_t noiseTable[kNoiseTableBytes] = {};
};
extern FilmGrainState filmGrainState;

// Seeds the generator and fills the noise table with NextRandom(64) in order.
void FillNoiseTable();
// Adds noise byte i to the three colour channels of pixel i of each quarter picture, clamped at
// 255; the top byte is kept.
void AddGrain(const uint32_t* source, uint32_t* destination);
// Word i of the first 4003 becomes word i xor the old word i + 1, for i = 0..4001 in order.
void EvolveNoise();
// Blackens one whole column: draws a length 200..399, then the column.
void DrawScratch(uint32_t* picture);
// Draws a row 0..195, then a length 320..959, and halves-and-lifts that many pixels in memory
// order from the row's start: p becomes ((p & 0xFEFEFE) >> 1) + 0x080808.
void DrawDimBand(uint32_t* picture);

namespace reference {
void AddGrain(const uint32_t* source, uint32_t* destination);
}  // namespace reference

}  // namespace qx
