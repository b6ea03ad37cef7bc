#include "host/flash_analysis.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/relative_luminance.h"

namespace qx {

namespace {

const std::array<double, 256>& kLinear = LinearLight();

// CIE 1976 u'v' of the D65 white point, which sRGB's grey and black are given.
constexpr double kWhiteU = 0.1978;
constexpr double kWhiteV = 0.4683;

// How far linear sRGB (r, g, b) is from the white point while it is a saturated red, else 0.
double Redness(double r, double g, double b) {
    const double sum = r + g + b;
    if (sum <= 0 || r < kSaturatedRedShare * sum) return 0;
    const double x = 0.4124 * r + 0.3576 * g + 0.1805 * b;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = 0.0193 * r + 0.1192 * g + 0.9505 * b;
    const double d = x + 15 * y + 3 * z;
    return std::hypot(4 * x / d - kWhiteU, 9 * y / d - kWhiteV);
}

}  // namespace

FlashAnalyser::FlashAnalyser(uint32_t width, uint32_t height, uint32_t framesPerSecond,
                             bool squarePixels)
    : width_(width),
      blocksAcross_(width / kFlashBlockSize),
      blocksDown_(height / kFlashBlockSize),
      fieldAcross_(std::min(kFlashFieldBlocksAcross, blocksAcross_)),
      fieldDown_(std::min(squarePixels ? kFlashFieldBlocksDownSquare : kFlashFieldBlocksDown,
                          blocksDown_)),
      window_(std::max(framesPerSecond, 1u)),
      concurrent_(std::max(window_ / kFlashConcurrencyDivisor, 1u)),
      fieldsAcross_(blocksAcross_ - fieldAcross_ + 1),
      fieldsDown_(blocksDown_ - fieldDown_ + 1),
      quarter_((fieldAcross_ * fieldDown_ + 3) / 4) {
    const size_t blocks = size_t{blocksAcross_} * blocksDown_;
    const size_t fields = size_t{fieldsAcross_} * fieldsDown_;
    luminance_.assign(blocks, 0);
    redness_.assign(blocks, 0);
    for (Kind* kind : {&general_, &red_}) {
        kind->trackers.assign(blocks, {});
        kind->lastUp.assign(blocks, 0);
        kind->lastDown.assign(blocks, 0);
        kind->fieldDirection.assign(fields, 0);
        kind->fieldTransitions.assign(fields, {});
    }
    for (uint32_t c = 0; c < 256; ++c) {
        redShare_[c] = 0.2126 * kLinear[c];
        greenShare_[c] = 0.7152 * kLinear[c];
        blueShare_[c] = 0.0722 * kLinear[c];
    }
    upSums_.assign(size_t{blocksAcross_ + 1} * (blocksDown_ + 1), 0);
    downSums_ = upSums_;
}

int FlashAnalyser::Track(Tracker& t, double value, double step, double darkerLimit) {
    const auto way = [&](double from, int direction) {
        return darkerLimit < 0 || std::min(from, value) < darkerLimit ? direction : 0;
    };
    if (!t.started) {
        t.started = true;
        t.low = t.high = value;
        return 0;
    }
    if (t.direction == 0) {  // not turned yet: the first move of a step from either extreme
        t.low = std::min(t.low, value);
        t.high = std::max(t.high, value);
        if (value - t.low >= step) {
            t.direction = 1;
            t.turn = value;
            return way(t.low, 1);
        }
        if (t.high - value >= step) {
            t.direction = -1;
            t.turn = value;
            return way(t.high, -1);
        }
        return 0;
    }
    // `turn` follows the extreme of the present direction; a step back from it turns the block.
    if (t.direction > 0 ? value >= t.turn : value <= t.turn) {
        t.turn = value;
        return 0;
    }
    if (std::fabs(t.turn - value) < step) return 0;
    const int transition = way(t.turn, -t.direction);
    t.direction = static_cast<int8_t>(-t.direction);
    t.turn = value;
    return transition;
}

namespace {

// The indices of the `count` smallest of eight values, as set bits.
uint32_t SmallestOfEight(const double (&values)[kFlashBlockSize], uint32_t count) {
    uint32_t taken = 0;
    for (uint32_t n = 0; n < count; ++n) {
        uint32_t best = kFlashBlockSize;
        for (uint32_t i = 0; i < kFlashBlockSize; ++i)
            if (!(taken >> i & 1) && (best == kFlashBlockSize || values[i] < values[best]))
                best = i;
        taken |= 1u << best;
    }
    return taken;
}

}  // namespace

void FlashAnalyser::MeasureBlocks(const uint32_t* pixels) {
    constexpr uint32_t kSide = kFlashBlockSize;
    constexpr double kPerKept = 1.0 / ((kSide - kFlashMarkColumns) * (kSide - kFlashMarkRows));
    for (uint32_t by = 0; by < blocksDown_; ++by)
        for (uint32_t bx = 0; bx < blocksAcross_; ++bx) {
            const uint32_t* block = pixels + size_t{by * kSide} * width_ + bx * kSide;
            double y[kSide][kSide], columns[kSide] = {}, rows[kSide] = {};
            for (uint32_t row = 0; row < kSide; ++row)
                for (uint32_t x = 0; x < kSide; ++x) {
                    const uint32_t p = block[size_t{row} * width_ + x];
                    y[row][x] = redShare_[(p >> 16) & 0xFF] + greenShare_[(p >> 8) & 0xFF] +
                                blueShare_[p & 0xFF];
                    columns[x] += y[row][x];
                }
            // The darkest columns out (scratches), then the darkest rows of the rest (bands).
            const uint32_t markColumns = SmallestOfEight(columns, kFlashMarkColumns);
            for (uint32_t row = 0; row < kSide; ++row)
                for (uint32_t x = 0; x < kSide; ++x)
                    if (!(markColumns >> x & 1)) rows[row] += y[row][x];
            const uint32_t markRows = SmallestOfEight(rows, kFlashMarkRows);
            double r = 0, g = 0, b = 0;
            for (uint32_t row = 0; row < kSide; ++row) {
                if (markRows >> row & 1) continue;
                for (uint32_t x = 0; x < kSide; ++x) {
                    if (markColumns >> x & 1) continue;
                    const uint32_t p = block[size_t{row} * width_ + x];
                    r += kLinear[(p >> 16) & 0xFF];
                    g += kLinear[(p >> 8) & 0xFF];
                    b += kLinear[p & 0xFF];
                }
            }
            r *= kPerKept;
            g *= kPerKept;
            b *= kPerKept;
            const size_t index = size_t{by} * blocksAcross_ + bx;
            luminance_[index] = 0.2126 * r + 0.7152 * g + 0.0722 * b;
            redness_[index] = Redness(r, g, b);
        }
}

void FlashAnalyser::SumRecent(const std::vector<uint64_t>& last, uint64_t recent,
                              std::vector<uint32_t>& sums) const {
    const uint32_t across = blocksAcross_ + 1;
    for (uint32_t y = 0; y < blocksDown_; ++y)
        for (uint32_t x = 0; x < blocksAcross_; ++x) {
            const uint32_t hit = last[size_t{y} * blocksAcross_ + x] > recent;
            sums[size_t{y + 1} * across + x + 1] = hit + sums[size_t{y} * across + x + 1] +
                                                   sums[size_t{y + 1} * across + x] -
                                                   sums[size_t{y} * across + x];
        }
}

uint32_t FlashAnalyser::SumInField(const std::vector<uint32_t>& sums, uint32_t x,
                                   uint32_t y) const {
    const uint32_t across = blocksAcross_ + 1;
    const size_t top = size_t{y} * across, bottom = size_t{y + fieldDown_} * across;
    return sums[bottom + x + fieldAcross_] - sums[bottom + x] - sums[top + x + fieldAcross_] +
           sums[top + x];
}

FlashWindow FlashAnalyser::Step(Kind& kind, const std::vector<double>& values, double step,
                                double darkerLimit) {
    bool any = false;
    for (size_t block = 0; block < values.size(); ++block) {
        const int way = Track(kind.trackers[block], values[block], step, darkerLimit);
        if (way > 0) kind.lastUp[block] = pictures_ + 1;
        if (way < 0) kind.lastDown[block] = pictures_ + 1;
        any |= way != 0;
    }
    const uint32_t fieldBlocks = fieldAcross_ * fieldDown_;
    // Picture numbers are kept + 1, so that 0 is "never".
    const uint64_t now = pictures_ + 1;
    const uint64_t recent = now > concurrent_ ? now - concurrent_ : 0;
    if (any) {
        SumRecent(kind.lastUp, recent, upSums_);
        SumRecent(kind.lastDown, recent, downSums_);
    }
    FlashWindow worst;
    for (uint32_t fy = 0; fy < fieldsDown_; ++fy)
        for (uint32_t fx = 0; fx < fieldsAcross_; ++fx) {
            const size_t field = size_t{fy} * fieldsAcross_ + fx;
            auto& transitions = kind.fieldTransitions[field];
            while (!transitions.empty() && transitions.front().first + window_ <= now)
                transitions.pop_front();
            if (any) {
                // Block transitions since the field's last one and within the concurrency time,
                // the way opposite to the field's last (either way before its first).
                const int8_t direction = kind.fieldDirection[field];
                const uint64_t last = transitions.empty() ? 0 : transitions.back().first;
                uint32_t up = 0, down = 0;
                if (last <= recent) {
                    up = SumInField(upSums_, fx, fy);
                    down = SumInField(downSums_, fx, fy);
                } else {  // the field turned within the concurrency time: count since then
                    for (uint32_t y = fy; y < fy + fieldDown_; ++y)
                        for (uint32_t x = fx; x < fx + fieldAcross_; ++x) {
                            const size_t block = size_t{y} * blocksAcross_ + x;
                            up += kind.lastUp[block] > last;
                            down += kind.lastDown[block] > last;
                        }
                }
                // Blocks going the other way in the same time balance them out: moving
                // contrast brightens as many blocks as it darkens.
                const uint32_t netUp = direction > 0 || up < down ? 0 : up - down;
                const uint32_t netDown = direction < 0 || down < up ? 0 : down - up;
                const uint32_t area = std::max(netUp, netDown);
                if (area >= quarter_) {
                    kind.fieldDirection[field] = static_cast<int8_t>(netUp >= netDown ? 1 : -1);
                    transitions.emplace_back(
                        now, static_cast<uint8_t>((area * 100 + fieldBlocks / 2) / fieldBlocks));
                }
            }
            FlashWindow window;
            window.flashes = static_cast<uint32_t>(transitions.size() / 2);
            if (window.flashes == 0 || window.flashes < worst.flashes) continue;
            window.percent = 100;
            for (const auto& transition : transitions)
                window.percent = std::min<uint32_t>(window.percent, transition.second);
            if (window.WorseThan(worst)) worst = window;
        }
    return worst;
}

FlashWindow FlashAnalyser::AddPicture(const uint32_t* pixels) {
    MeasureBlocks(pixels);
    FlashWindow window = Step(general_, luminance_, kFlashLuminanceStep, kFlashDarkerBelow);
    const FlashWindow red = Step(red_, redness_, kRedChromaticityStep, -1);
    if (red.flashes > window.flashes) {
        window = red;
        window.red = true;
    }
    ++pictures_;
    return window;
}

}  // namespace qx
