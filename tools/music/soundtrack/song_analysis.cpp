#include "tools/music/soundtrack/song_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qx {

namespace {

constexpr uint32_t kRowsPerOrder = 64;
constexpr double kSilenceDb = -200.0;                        // level reported for digital silence
constexpr uint64_t kQuietWindow = kAnalysisRate / 20;        // 50 ms
constexpr uint64_t kQuietHop = kAnalysisRate / 100;          // 10 ms
constexpr uint64_t kOnsetWindow = kAnalysisRate / 100;       // 10 ms
constexpr uint64_t kOnsetHop = kAnalysisRate / 400;          // 2.5 ms
constexpr uint64_t kOnsetHistory = kAnalysisRate * 8 / 100;  // 80 ms compared against
constexpr uint64_t kOnsetGuard = kAnalysisRate / 100;        // 10 ms left out before the window
constexpr double kLowCornerHz = 150.0;
constexpr double kHighCornerHz = 3000.0;
constexpr double kTinyEnergy = 1e-12;
constexpr uint32_t kBands = 3;

double Decibels(double power) { return power > 0.0 ? 10.0 * std::log10(power) : kSilenceDb; }

// The mono mix split into three bands for the onset search.
struct BandSignals {
    std::vector<float> bands[kBands];  // whole, lows, highs; mono
};

BandSignals SplitBands(const SongRender& render, uint64_t from, uint64_t to) {
    BandSignals out;
    const double low = 1.0 - std::exp(-2.0 * std::numbers::pi * kLowCornerHz / kAnalysisRate);
    const double high = 1.0 - std::exp(-2.0 * std::numbers::pi * kHighCornerHz / kAnalysisRate);
    double lowState = 0.0;
    double highState = 0.0;
    for (auto& band : out.bands) band.reserve(to - from);
    for (uint64_t n = from; n < to; ++n) {
        const double mono = 0.5 * (render.samples[2 * n] + render.samples[2 * n + 1]);
        lowState += low * (mono - lowState);
        highState += high * (mono - highState);
        out.bands[0].push_back(static_cast<float>(mono));
        out.bands[1].push_back(static_cast<float>(lowState));
        out.bands[2].push_back(static_cast<float>(mono - highState));
    }
    return out;
}

double MeanPower(const std::vector<float>& signal, uint64_t from, uint64_t to) {
    double sum = 0.0;
    for (uint64_t n = from; n < to; ++n) sum += static_cast<double>(signal[n]) * signal[n];
    return sum / static_cast<double>(std::max<uint64_t>(1, to - from));
}

}  // namespace

Level LevelOf(const SongRender& render, uint64_t from, uint64_t to) {
    to = std::min(to, render.Frames());
    if (from >= to) return {kSilenceDb, kSilenceDb};
    double sum = 0.0;
    float peak = 0.0f;
    for (uint64_t k = 2 * from; k < 2 * to; ++k) {
        sum += static_cast<double>(render.samples[k]) * render.samples[k];
        peak = std::max(peak, std::fabs(render.samples[k]));
    }
    return {Decibels(sum / static_cast<double>(2 * (to - from))),
            Decibels(static_cast<double>(peak) * peak)};
}

uint64_t OrderStart(const SongRender& render, uint32_t order) {
    const uint64_t row = static_cast<uint64_t>(order) * kRowsPerOrder;
    return row < render.rowStart.size() ? render.rowStart[row] : render.Frames();
}

Level OrdersLevel(const SongRender& render, uint32_t firstOrder, uint32_t lastOrder) {
    return LevelOf(render, OrderStart(render, firstOrder), OrderStart(render, lastOrder + 1));
}

double LongestQuiet(const SongRender& render, uint64_t until, double thresholdDb) {
    uint64_t run = 0;
    uint64_t longest = 0;
    for (uint64_t start = 0; start < until && start + kQuietWindow <= render.Frames();
         start += kQuietHop) {
        run = LevelOf(render, start, start + kQuietWindow).rmsDb < thresholdDb ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    // A run of r windows spans (r - 1) hops and one window.
    return longest == 0
               ? 0.0
               : static_cast<double>((longest - 1) * kQuietHop + kQuietWindow) / kAnalysisRate;
}

Onset OnsetNear(const SongRender& render, uint32_t order, uint32_t row) {
    const uint64_t at = static_cast<uint64_t>(order) * kRowsPerOrder + row;
    if (at + 1 >= render.rowStart.size()) return {0.0, 0.0};
    const uint64_t start = render.rowStart[at];
    const uint64_t rowFrames = render.rowStart[at + 1] - start;
    const uint64_t margin = kOnsetHistory + kOnsetGuard;
    if (start < rowFrames + margin || start + rowFrames + kOnsetWindow > render.Frames())
        return {0.0, 0.0};
    const uint64_t from = start - rowFrames - margin;
    const BandSignals split = SplitBands(render, from, start + rowFrames + kOnsetWindow);
    Onset best{kSilenceDb, 0.0};
    for (uint64_t t = margin; t + from <= start + rowFrames; t += kOnsetHop) {
        for (const auto& band : split.bands) {
            const double now = MeanPower(band, t, t + kOnsetWindow);
            const double before = MeanPower(band, t - margin, t - kOnsetGuard);
            const double rise = Decibels(now + kTinyEnergy) - Decibels(before + kTinyEnergy);
            if (rise > best.strengthDb) {
                best.strengthDb = rise;
                best.offsetRows =
                    (static_cast<double>(t + from) - static_cast<double>(start)) / rowFrames;
            }
        }
    }
    return best;
}

namespace {

// One section of a Butterworth low-pass (bilinear transform), direct form II transposed.
class LowPassSection {
public:
    LowPassSection(double hz, double q) {
        const double w = 2.0 * std::numbers::pi * hz / kAnalysisRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        b0 = (1.0 - std::cos(w)) / 2.0 / a0;
        b1 = 2.0 * b0;
        a1 = -2.0 * std::cos(w) / a0;
        a2 = (1.0 - alpha) / a0;
    }
    double Run(double x) {
        const double y = b0 * x + s1;
        s1 = b1 * x - a1 * y + s2;
        s2 = b0 * x - a2 * y;
        return y;
    }

private:
    double b0, b1, a1, a2;
    double s1 = 0.0;
    double s2 = 0.0;
};

constexpr double kButterworthQ4[2] = {0.5412, 1.3066};  // the two sections of a fourth order

}  // namespace

double LowShare(const SongRender& render, uint64_t from, uint64_t to, double hz) {
    to = std::min(to, render.Frames());
    double low = 0.0;
    double all = 0.0;
    for (uint32_t channel = 0; channel < 2; ++channel) {
        LowPassSection first(hz, kButterworthQ4[0]);
        LowPassSection second(hz, kButterworthQ4[1]);
        for (uint64_t n = from; n < to; ++n) {
            const double x = render.samples[2 * n + channel];
            const double y = second.Run(first.Run(x));
            low += y * y;
            all += x * x;
        }
    }
    return all > 0.0 ? low / all : 0.0;
}

double StereoCorrelation(const SongRender& render, uint64_t from, uint64_t to) {
    to = std::min(to, render.Frames());
    double lr = 0.0;
    double ll = 0.0;
    double rr = 0.0;
    for (uint64_t n = from; n < to; ++n) {
        const double l = render.samples[2 * n];
        const double r = render.samples[2 * n + 1];
        lr += l * r;
        ll += l * l;
        rr += r * r;
    }
    return ll > 0.0 && rr > 0.0 ? lr / std::sqrt(ll * rr) : 1.0;
}

Level MonoLevel(const SongRender& render, uint64_t from, uint64_t to) {
    to = std::min(to, render.Frames());
    if (from >= to) return {kSilenceDb, kSilenceDb};
    double sum = 0.0;
    double peak = 0.0;
    for (uint64_t n = from; n < to; ++n) {
        const double mono = 0.5 * (render.samples[2 * n] + render.samples[2 * n + 1]);
        sum += mono * mono;
        peak = std::max(peak, std::fabs(mono));
    }
    return {Decibels(sum / static_cast<double>(to - from)), Decibels(peak * peak)};
}

Offset MeanOffset(const SongRender& render, uint64_t from, uint64_t to) {
    to = std::min(to, render.Frames());
    if (from >= to) return {0.0, 0.0};
    double left = 0.0;
    double right = 0.0;
    for (uint64_t n = from; n < to; ++n) {
        left += render.samples[2 * n];
        right += render.samples[2 * n + 1];
    }
    const auto count = static_cast<double>(to - from);
    return {left / count, right / count};
}

}  // namespace qx
