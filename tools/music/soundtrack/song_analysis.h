// Measurements of a rendered soundtrack, for the checks that stand in for listening: levels per
// order and per section, the longest quiet stretch, and the energy onset near a music position.
// The render itself (tools/music/soundtrack/render_song.h) records where every row begins, so the
// measurements are placed by the player's own clock.
#pragma once

#include <cstdint>
#include <vector>

namespace qx {

inline constexpr uint32_t kAnalysisRate = 44100;  // frames per second

struct SongRender {
    std::vector<float> samples;      // interleaved left, right; nominally -1..1
    std::vector<uint64_t> rowStart;  // frame at which row order x 64 + row begins
    std::vector<uint32_t> speed;     // ticks per row at each row
    std::vector<uint32_t> tempo;     // BPM at each row

    uint64_t Frames() const { return samples.size() / 2; }
};

struct Level {
    double rmsDb;   // dBFS, both channels together
    double peakDb;  // dBFS of the largest absolute sample
};

// Level of frames [from, to).
Level LevelOf(const SongRender& render, uint64_t from, uint64_t to);

// Frames [from, to) of orders [firstOrder, lastOrder].
uint64_t OrderStart(const SongRender& render, uint32_t order);
Level OrdersLevel(const SongRender& render, uint32_t firstOrder, uint32_t lastOrder);

// The longest run, in seconds, of 50 ms windows (10 ms apart) quieter than thresholdDb RMS,
// among windows that start before frame `until`.
double LongestQuiet(const SongRender& render, uint64_t until, double thresholdDb);

struct Onset {
    double strengthDb;  // rise of the strongest band over the 80 ms before it
    double offsetRows;  // where that rise is, from the row's start (negative: before)
};

// The strongest energy rise within one row either side of the start of (order, row), measured
// in 10 ms windows on the whole signal, its lows (below 150 Hz) and its highs (above 3 kHz).
Onset OnsetNear(const SongRender& render, uint32_t order, uint32_t row);

// Share (0..1) of the power of frames [from, to) below `hz`, both channels, measured through a
// fourth-order Butterworth low-pass.
double LowShare(const SongRender& render, uint64_t from, uint64_t to, double hz);

// Correlation of left and right over frames [from, to): 1 for mono, 0 for unrelated channels.
double StereoCorrelation(const SongRender& render, uint64_t from, uint64_t to);

// The level of the mono fold-down (left + right) / 2 of frames [from, to).
Level MonoLevel(const SongRender& render, uint64_t from, uint64_t to);

// The mean value (DC offset, of full scale) of each channel over frames [from, to).
struct Offset {
    double left;
    double right;
};
Offset MeanOffset(const SongRender& render, uint64_t from, uint64_t to);

}  // namespace qx
