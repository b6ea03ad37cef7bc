// The timing report of the offline run (--bench), as a timedemo prints it: how long every
// scene's frame routine took (frames rendered, median and worst milliseconds, share of the
// run's wall time), one line per scene in table order, then the whole run's frames, seconds and
// multiple of real time. Consecutive rows with the same scene name make one scene.
//
// Wall time comes from the steady clock, not the platform's clock: the offline run's platform
// clock is virtual. Medians come from histograms of kTimingBinMicroseconds-wide bins, so that
// the frame loop only counts; the worst time and the totals are exact.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "scenes/scene_table.h"

namespace qx {

inline constexpr uint32_t kTimingBinMicroseconds = 10;
inline constexpr uint32_t kTimingBins = 10000;  // up to 100 ms; slower frames go in the last bin

struct SceneTiming {
    const char* name = "";
    uint32_t firstRow = 0;
    uint32_t lastRow = 0;
    uint64_t frames = 0;
    std::chrono::nanoseconds total{0};
    std::chrono::nanoseconds worst{0};
};

struct TimingReportState {
    bool recording = false;
    uint32_t sceneCount = 0;
    SceneTiming scenes[kSceneRowCount];
    uint32_t sceneOfRow[kSceneRowCount] = {};
    std::vector<uint32_t> histograms;  // sceneCount x kTimingBins frame counts
    std::chrono::steady_clock::time_point runStart;
    std::chrono::steady_clock::duration runTime{0};
    uint32_t showStart = 0;         // platform clock at the start of the frame loop, ms
    uint32_t showMilliseconds = 0;  // platform time the frame loop played
};
extern TimingReportState timingReportState;

// Groups the table rows into scenes, allocates the histograms and starts recording. Before the
// frame loop, once.
void StartTimingReport();

// The frame loop's sequencer step while recording: RunSequencer, timed when it ran a frame.
bool RunSequencerTimed();
void NoteRunStart();
void NoteRunEnd();

// The scene's median frame time from its histogram: the middle bin's centre.
double MedianMilliseconds(uint32_t scene);

// The table, then the whole run: frames, passes of the frame loop, the show's length on the
// platform clock (virtual offline) against the wall time it took.
void PrintTimingReport(std::FILE* stream, uint64_t passes);

}  // namespace qx
