#include "tools/music/soundtrack/soundtrack_checks.h"

#include <algorithm>

namespace qx {

namespace {

constexpr uint32_t kRowsPerOrder = 64;

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
    checks.longestQuietSeconds = LongestQuiet(render, closing, kQuietDb);
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
            Format("silence of %.2f s before the closing chord", checks.longestQuietSeconds));
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
    std::fprintf(out, "\nsection                       orders  RMS dBFS  peak dBFS\n");
    for (uint32_t k = 0; k < kSongSectionCount; ++k)
        std::fprintf(out, "%-28s  %2u-%-2u  %8.1f  %9.1f\n", kSongSections[k].name,
                     kSongSections[k].firstOrder, kSongSections[k].lastOrder,
                     checks.sections[k].rmsDb, checks.sections[k].peakDb);
    std::fprintf(
        out, "\nwhole song: RMS %.1f dBFS, peak %.2f dBFS; longest quiet before order %u: %.2f s\n",
        checks.whole.rmsDb, checks.whole.peakDb, kClosingOrder, checks.longestQuietSeconds);
    std::fprintf(out, "\nsync row  onset rise  at (rows)\n");
    for (uint32_t k = 0; k < kSyncRowCount; ++k)
        std::fprintf(out, "%5u/%-2u  %7.1f dB  %+8.2f\n", kSyncRows[k].order, kSyncRows[k].row,
                     checks.onsets[k].strengthDb, checks.onsets[k].offsetRows);
    for (const std::string& failure : checks.failures)
        std::fprintf(out, "FAILED: %s\n", failure.c_str());
}

}  // namespace qx
