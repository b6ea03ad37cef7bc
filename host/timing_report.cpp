#include "host/timing_report.h"

#include <algorithm>
#include <cstring>

#include "music/scene_sequencer.h"
#include "platform/platform.h"

namespace qx {

TimingReportState timingReportState;

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

void StartTimingReport() {
    TimingReportState& t = timingReportState;
    t = {};
    for (uint32_t row = 0; row < kSceneRowCount; ++row) {
        const char* name = SceneRowName(row);
        if (t.sceneCount == 0 || std::strcmp(t.scenes[t.sceneCount - 1].name, name) != 0)
            t.scenes[t.sceneCount++] = {name, row, row};
        t.scenes[t.sceneCount - 1].lastRow = row;
        t.sceneOfRow[row] = t.sceneCount - 1;
    }
    t.histograms.assign(static_cast<size_t>(t.sceneCount) * kTimingBins, 0);
    t.recording = true;
}

bool RunSequencerTimed() {
    const Clock::time_point start = Clock::now();
    const bool running = RunSequencer();
    const auto spent = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
    TimingReportState& t = timingReportState;
    if (sequencerState.lastPass != SequencerPass::Frame ||
        sequencerState.lastPassRow >= kSceneRowCount)
        return running;
    const uint32_t scene = t.sceneOfRow[sequencerState.lastPassRow];
    SceneTiming& timing = t.scenes[scene];
    ++timing.frames;
    timing.total += spent;
    timing.worst = std::max(timing.worst, spent);
    const auto bin =
        std::min<int64_t>(std::chrono::duration_cast<std::chrono::microseconds>(spent).count() /
                              kTimingBinMicroseconds,
                          kTimingBins - 1);
    ++t.histograms[static_cast<size_t>(scene) * kTimingBins + static_cast<size_t>(bin)];
    return running;
}

void NoteRunStart() {
    timingReportState.runStart = Clock::now();
    timingReportState.showStart = ThePlatform().Milliseconds();
}

void NoteRunEnd() {
    timingReportState.runTime = Clock::now() - timingReportState.runStart;
    timingReportState.showMilliseconds = ThePlatform().Milliseconds() - timingReportState.showStart;
}

double MedianMilliseconds(uint32_t scene) {
    const TimingReportState& t = timingReportState;
    const uint64_t frames = t.scenes[scene].frames;
    if (frames == 0) return 0;
    const uint32_t* bins = t.histograms.data() + static_cast<size_t>(scene) * kTimingBins;
    uint64_t seen = 0;
    for (uint32_t bin = 0; bin < kTimingBins; ++bin) {
        seen += bins[bin];
        if (2 * seen >= frames) return (bin + 0.5) * kTimingBinMicroseconds / 1000.0;
    }
    return kTimingBins * kTimingBinMicroseconds / 1000.0;
}

void PrintTimingReport(std::FILE* stream, uint64_t passes) {
    const TimingReportState& t = timingReportState;
    const double runMs = Milliseconds(t.runTime);
    std::fprintf(stream, "%-18s %-6s %8s %10s %10s %8s\n", "scene", "rows", "frames", "median ms",
                 "worst ms", "share");
    uint64_t frames = 0;
    for (uint32_t scene = 0; scene < t.sceneCount; ++scene) {
        const SceneTiming& s = t.scenes[scene];
        char rows[16];
        if (s.firstRow == s.lastRow)
            std::snprintf(rows, sizeof rows, "%u", s.firstRow);
        else
            std::snprintf(rows, sizeof rows, "%u-%u", s.firstRow, s.lastRow);
        const double share = runMs > 0 ? 100.0 * Milliseconds(s.total) / runMs : 0;
        std::fprintf(stream, "%-18s %-6s %8llu %10.3f %10.3f %7.1f%%\n", s.name, rows,
                     static_cast<unsigned long long>(s.frames), MedianMilliseconds(scene),
                     Milliseconds(s.worst), share);
        frames += s.frames;
    }
    const double seconds = runMs / 1000.0;
    const double shown = t.showMilliseconds / 1000.0;
    std::fprintf(stream,
                 "whole run: %llu frames in %llu passes, %.1f s of show in %.3f s: %.0fx real "
                 "time\n",
                 static_cast<unsigned long long>(frames), static_cast<unsigned long long>(passes),
                 shown, seconds, seconds > 0 ? shown / seconds : 0.0);
}

}  // namespace qx
