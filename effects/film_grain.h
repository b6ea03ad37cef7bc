// The program's one pseudo-random generator and the old-film treatment built on it: coloured
// grain from the noise table, black vertical scratches and darkened bands. Every user shares the
// generator, so the order of the calls fixes every random value of the production.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kNoiseTableBytes = 16016;    // each byte 0..63
inline constexpr uint32_t kGrainBytes = 16000;         // grain of one quarter picture (50 rows)
inline constexpr uint32_t kEvolvedNoiseBytes = 16012;  // 4003 words mixed by EvolveNoise

struct FilmGrainState {
    uint32_t randomState = 0;
    uint8_t noiseTable[kNoiseTableBytes] = {};
};
extern FilmGrainState filmGrainState;

void SeedRandom();
// A number in 0 .. limit - 1; limit must be greater than 0.
uint32_t NextRandom(uint32_t limit);
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
