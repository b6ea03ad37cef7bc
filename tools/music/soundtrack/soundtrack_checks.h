// The listening stand-ins for the soundtrack: measured on a render, each a pass or a named
// failure. No clipping; sections within a sane loudness range, the intro rising, the peak the
// loudest; no silence before the closing chord; an onset at every sync row.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/music/soundtrack/composer.h"
#include "tools/music/soundtrack/song_analysis.h"

namespace qx {

inline constexpr double kMaxPeakDb = -0.3;
inline constexpr double kQuietDb = -60.0;  // RMS of a 50 ms window that counts as silence
inline constexpr double kMaxQuietSeconds = 0.5;
inline constexpr double kMinOnsetDb = 6.0;
inline constexpr double kQuietestSectionDb = -34.0;  // RMS bounds of every section
inline constexpr double kLoudestSectionDb = -10.0;
inline constexpr double kIntroStepDb = 0.5;   // an intro order may fall this much at most
inline constexpr uint32_t kPeakSection = 12;  // kSongSections index of the peak
inline constexpr uint32_t kTitleSection = 0;
inline constexpr uint32_t kIntroOrders = 5;

struct SoundtrackChecks {
    Level whole{};
    Level orders[kClosingOrder + 1]{};
    Level sections[kSongSectionCount]{};
    double longestQuietSeconds = 0.0;
    Onset onsets[kSyncRowCount]{};
    std::vector<std::string> failures;  // empty when every check passes
};

SoundtrackChecks CheckSoundtrack(const SongRender& render);

// The per-order and per-section tables, the quiet gap and the onsets, then the failures.
void PrintSoundtrackChecks(const SoundtrackChecks& checks, std::FILE* out);

}  // namespace qx
