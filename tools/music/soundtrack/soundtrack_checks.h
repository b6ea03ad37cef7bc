// The listening stand-ins for the soundtrack, each a pass or a named failure. On a render: no
// clipping; sections within a sane loudness range, the intro rising, the peak the loudest and
// clearly above the median section; no section's power mostly below 60 Hz; no silence before
// the cadence, silence by the show's end; stereo that still sounds in mono; no DC; an onset at
// every sync row. On the module itself: no DC in any sample, every instrument played, drums
// varied across the orders, no copied order where a scene begins.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/music/soundtrack/composer.h"
#include "tools/music/soundtrack/song_analysis.h"
#include "tools/music/xm_writer.h"

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
inline constexpr double kArcDb = 3.0;             // the loudest section over the median one
inline constexpr double kLowHz = 60.0;            // below this is felt more than heard
inline constexpr double kMaxLowShare = 0.35;      // of a section's power
inline constexpr double kEndWindowSeconds = 0.1;  // the show's last moment, before the coda
inline constexpr double kEndQuietDb = -45.0;
inline constexpr double kMaxCorrelation = 0.93;   // left against right over the show
inline constexpr double kMaxMonoLossDb = 1.5;     // mono fold-down against the stereo level
inline constexpr double kMaxDc = 0.001;           // of full scale: the mix and every sample
inline constexpr double kMaxDrumBarShare = 0.25;  // of the show's orders one drum bar plays in

struct SoundtrackChecks {
    Level whole{};
    Level orders[kClosingOrder + 1]{};
    Level sections[kSongSectionCount]{};
    double longestQuietSeconds = 0.0;
    double lowShares[kSongSectionCount]{};  // power below kLowHz, 0..1
    double arcDb = 0.0;                     // loudest section minus the median section
    Level end{};                            // the last kEndWindowSeconds before kClosingOrder
    double correlation = 1.0;               // over the show
    double monoLossDb = 0.0;
    Offset dc{};
    Onset onsets[kSyncRowCount]{};
    std::vector<std::string> failures;  // empty when every check passes
};

SoundtrackChecks CheckSoundtrack(const SongRender& render);

// The drum channels whose bars count as the groove: kick and snare (hats and percussion
// decorate the same groove).
inline constexpr uint32_t kDrumChannels = 2;

struct ModuleChecks {
    double largestSampleDc = 0.0;  // of full scale, over a whole sample or its loop
    std::string largestDcSample;
    std::vector<std::string> unusedInstruments;
    double drumBarShare = 0.0;  // of the show's orders that the most common drum bar plays in
    std::vector<uint32_t> copiedSceneOrders;  // scene orders whose pattern another order plays
    std::vector<std::string> failures;
};

// Checks the module as written: its samples, which instruments the show plays, its patterns.
ModuleChecks CheckModule(const XmModule& module);

// The per-order and per-section tables, the quiet gap and the onsets, then the failures.
void PrintSoundtrackChecks(const SoundtrackChecks& checks, std::FILE* out);
void PrintModuleChecks(const ModuleChecks& checks, std::FILE* out);

}  // namespace qx
