#include "tools/music/soundtrack/soundtrack_checks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace qx {

namespace {

constexpr uint32_t kRowsPerOrder = 64;
constexpr uint32_t kRowsPerBar = 16;

std::string Format(const char* format, double a, double b = 0.0, double c = 0.0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

}  // namespace

SoundtrackChecks CheckSoundtrack(const SongRender& render) {
    SoundtrackChecks checks;
    std::vector<std::string>& failures = checks.failures;
    if (render.rowStart.size() <= static_cast<uint64_t>(kClosingOrder) * kRowsPerOrder) {
        failures.push_back("the render ends before the closing order");
        return checks;
    }
    const uint64_t closing = OrderStart(render, kClosingOrder);
    checks.whole = LevelOf(render, 0, render.Frames());
    for (uint32_t order = 0; order <= kClosingOrder; ++order)
        checks.orders[order] = OrdersLevel(render, order, order);
    for (uint32_t k = 0; k < kSongSectionCount; ++k)
        checks.sections[k] = OrdersLevel(render, kSongSections[k].firstOrder,
                                         std::min(kSongSections[k].lastOrder, kClosingOrder - 1));
    const uint64_t cadenceRow = uint64_t{kCadenceOrder} * kRowsPerOrder + kCadenceRingRows;
    checks.longestQuietSeconds = LongestQuiet(render, render.rowStart[cadenceRow], kQuietDb);
    for (uint32_t k = 0; k < kSongSectionCount; ++k)
        checks.lowShares[k] = LowShare(
            render, OrderStart(render, kSongSections[k].firstOrder),
            OrderStart(render, std::min(kSongSections[k].lastOrder, kClosingOrder - 1) + 1),
            kLowHz);
    std::vector<double> levels;
    for (const Level& level : checks.sections) levels.push_back(level.rmsDb);
    std::sort(levels.begin(), levels.end());
    const size_t middle = levels.size() / 2;
    const double median =
        levels.size() % 2 == 1 ? levels[middle] : 0.5 * (levels[middle - 1] + levels[middle]);
    checks.arcDb = levels.back() - median;
    const auto endFrames = static_cast<uint64_t>(kEndWindowSeconds * kAnalysisRate);
    checks.end = LevelOf(render, closing - std::min(closing, endFrames), closing);
    checks.correlation = StereoCorrelation(render, 0, closing);
    checks.monoLossDb = LevelOf(render, 0, closing).rmsDb - MonoLevel(render, 0, closing).rmsDb;
    checks.dc = MeanOffset(render, 0, closing);
    for (uint32_t k = 0; k < kSyncRowCount; ++k)
        checks.onsets[k] = OnsetNear(render, kSyncRows[k].order, kSyncRows[k].row);

    if (checks.whole.peakDb >= kMaxPeakDb)
        failures.push_back(Format("clipping: peak %.2f dBFS", checks.whole.peakDb));
    for (uint32_t k = 0; k < kSongSectionCount; ++k) {
        const double rms = checks.sections[k].rmsDb;
        if (rms < kQuietestSectionDb || rms > kLoudestSectionDb)
            failures.push_back(std::string(kSongSections[k].name) +
                               Format(": RMS %.1f dBFS out of range", rms));
        if (k != kPeakSection && rms >= checks.sections[kPeakSection].rmsDb)
            failures.push_back(std::string(kSongSections[k].name) + " is as loud as the peak");
    }
    for (uint32_t order = 1; order < kIntroOrders; ++order)
        if (checks.orders[order].rmsDb < checks.orders[order - 1].rmsDb - kIntroStepDb)
            failures.push_back(Format("the intro falls at order %.0f", order));
    if (checks.sections[kTitleSection].rmsDb >= checks.sections[kTitleSection + 1].rmsDb)
        failures.push_back("the beat does not lift the title");
    if (checks.longestQuietSeconds > kMaxQuietSeconds)
        failures.push_back(
            Format("silence of %.2f s before the cadence", checks.longestQuietSeconds));
    for (uint32_t k = 0; k < kSongSectionCount; ++k)
        if (checks.lowShares[k] > kMaxLowShare)
            failures.push_back(
                std::string(kSongSections[k].name) +
                Format(": %.0f %% of the power below 60 Hz", 100 * checks.lowShares[k]));
    if (checks.arcDb < kArcDb)
        failures.push_back(
            Format("flat: the loudest section %.1f dB over the median", checks.arcDb));
    if (checks.end.rmsDb > kEndQuietDb)
        failures.push_back(
            Format("the show ends sounding: %.1f dBFS in its last 100 ms", checks.end.rmsDb));
    if (checks.correlation > kMaxCorrelation)
        failures.push_back(Format("nearly mono: left/right correlation %.3f", checks.correlation));
    if (checks.monoLossDb > kMaxMonoLossDb)
        failures.push_back(Format("the mono fold-down loses %.1f dB", checks.monoLossDb));
    if (std::fabs(checks.dc.left) >= kMaxDc || std::fabs(checks.dc.right) >= kMaxDc)
        failures.push_back(
            Format("DC in the mix: %.4f left, %.4f right", checks.dc.left, checks.dc.right));
    for (uint32_t k = 0; k < kSyncRowCount; ++k)
        if (checks.onsets[k].strengthDb < kMinOnsetDb)
            failures.push_back(Format("no onset at %.0f/%.0f (rise %.1f dB)", kSyncRows[k].order,
                                      kSyncRows[k].row, checks.onsets[k].strengthDb));
    return checks;
}

void PrintSoundtrackChecks(const SoundtrackChecks& checks, std::FILE* out) {
    std::fprintf(out, "order  section                       RMS dBFS  peak dBFS\n");
    for (uint32_t order = 0; order <= kClosingOrder; ++order)
        std::fprintf(out, "%5u  %-28s  %8.1f  %9.1f\n", order, SectionOfOrder(order).name,
                     checks.orders[order].rmsDb, checks.orders[order].peakDb);
    std::fprintf(out, "\nsection                       orders  RMS dBFS  peak dBFS  <60 Hz\n");
    for (uint32_t k = 0; k < kSongSectionCount; ++k)
        std::fprintf(out, "%-28s  %2u-%-2u  %8.1f  %9.1f  %5.1f %%\n", kSongSections[k].name,
                     kSongSections[k].firstOrder, kSongSections[k].lastOrder,
                     checks.sections[k].rmsDb, checks.sections[k].peakDb,
                     100.0 * checks.lowShares[k]);
    std::fprintf(out,
                 "\nloudest section over the median: %.1f dB; last 100 ms of the show: %.1f dBFS"
                 "\nleft/right correlation %.3f, mono fold-down %.2f dB down; DC %.5f / %.5f\n",
                 checks.arcDb, checks.end.rmsDb, checks.correlation, checks.monoLossDb,
                 checks.dc.left, checks.dc.right);
    std::fprintf(out,
                 "\nwhole song: RMS %.1f dBFS, peak %.2f dBFS; longest quiet before the cadence in "
                 "order %u: %.2f s\n",
                 checks.whole.rmsDb, checks.whole.peakDb, kCadenceOrder,
                 checks.longestQuietSeconds);
    std::fprintf(out, "\nsync row  onset rise  at (rows)\n");
    for (uint32_t k = 0; k < kSyncRowCount; ++k)
        std::fprintf(out, "%5u/%-2u  %7.1f dB  %+8.2f\n", kSyncRows[k].order, kSyncRows[k].row,
                     checks.onsets[k].strengthDb, checks.onsets[k].offsetRows);
    for (const std::string& failure : checks.failures)
        std::fprintf(out, "FAILED: %s\n", failure.c_str());
}

namespace {

// The mean of frames [from, to) of a sample, of full scale.
double SampleMean(const XmSample& sample, size_t from, size_t to) {
    if (from >= to) return 0.0;
    double sum = 0.0;
    for (size_t n = from; n < to; ++n) sum += sample.frames[n];
    return sum / static_cast<double>(to - from) / (sample.sixteenBit ? 32768.0 : 128.0);
}

}  // namespace

ModuleChecks CheckModule(const XmModule& module) {
    ModuleChecks checks;
    std::vector<std::string>& failures = checks.failures;
    for (const XmInstrument& instrument : module.instruments)
        for (const XmSample& sample : instrument.samples) {
            const double whole = std::fabs(SampleMean(sample, 0, sample.frames.size()));
            const double loop =
                sample.loop == XmLoop::None
                    ? 0.0
                    : std::fabs(SampleMean(sample, sample.loopStart,
                                           std::min<size_t>(sample.frames.size(),
                                                            sample.loopStart + sample.loopLength)));
            if (std::max(whole, loop) > checks.largestSampleDc) {
                checks.largestSampleDc = std::max(whole, loop);
                checks.largestDcSample = instrument.name;
            }
            if (std::max(whole, loop) >= kMaxDc)
                failures.push_back(Format("DC of %.4f in sample ", std::max(whole, loop)) +
                                   instrument.name);
        }
    if (module.orders.size() < kClosingOrder || module.channels < kDrumChannels) {
        failures.push_back("the module is shorter than the show");
        return checks;
    }

    // Instruments the show and the coda play; bars of the drum channels by the orders that
    // play them (note and instrument of every cell, volumes aside: the same groove quieter is
    // the same groove).
    std::set<uint32_t> played;
    std::map<std::string, std::set<uint32_t>> drumBars;
    for (uint32_t order = 0; order < module.orders.size(); ++order) {
        if (module.orders[order] >= module.patterns.size()) continue;
        const XmPattern& pattern = module.patterns[module.orders[order]];
        for (const XmCell& cell : pattern.cells)
            if (cell.instrument != 0) played.insert(cell.instrument);
        if (order >= kClosingOrder) continue;
        for (uint32_t bar = 0; bar * kRowsPerBar < pattern.rows; ++bar) {
            std::string key;
            bool any = false;
            for (uint32_t row = bar * kRowsPerBar;
                 row < std::min(pattern.rows, (bar + 1) * kRowsPerBar); ++row)
                for (uint32_t channel = 0; channel < kDrumChannels; ++channel) {
                    const XmCell& cell = pattern.cells[row * pattern.channels + channel];
                    key.push_back(static_cast<char>(cell.note));
                    key.push_back(static_cast<char>(cell.instrument));
                    any = any || cell.note != 0;
                }
            if (any) drumBars[key].insert(order);
        }
    }
    for (uint32_t k = 0; k < module.instruments.size(); ++k)
        if (played.count(k + 1) == 0) {
            checks.unusedInstruments.push_back(module.instruments[k].name);
            failures.push_back("instrument never played: " + module.instruments[k].name);
        }
    size_t mostOrders = 0;
    for (const auto& [bar, orders] : drumBars) mostOrders = std::max(mostOrders, orders.size());
    checks.drumBarShare = static_cast<double>(mostOrders) / kClosingOrder;
    if (checks.drumBarShare > kMaxDrumBarShare)
        failures.push_back(Format("one drum bar plays in %.0f of %.0f orders",
                                  static_cast<double>(mostOrders), kClosingOrder));
    for (const uint32_t order : kSceneOrders)
        for (uint32_t other = 0; other < kClosingOrder; ++other)
            if (other != order && module.orders[other] == module.orders[order]) {
                checks.copiedSceneOrders.push_back(order);
                failures.push_back(Format(
                    "order %.0f, where a scene begins, is a copy of order %.0f", order, other));
                break;
            }
    return checks;
}

void PrintModuleChecks(const ModuleChecks& checks, std::FILE* out) {
    std::fprintf(out,
                 "largest sample DC %.5f (%s); most common drum bar in %.0f %% of the orders; "
                 "%zu unused instruments; %zu copied scene orders\n",
                 checks.largestSampleDc, checks.largestDcSample.c_str(),
                 100.0 * checks.drumBarShare, checks.unusedInstruments.size(),
                 checks.copiedSceneOrders.size());
    for (const std::string& failure : checks.failures)
        std::fprintf(out, "FAILED: %s\n", failure.c_str());
}

}  // namespace qx
