// Helpers of the clipping properties: a picture with guard zones on both sides that no drawing
// routine may touch, and random shapes placed so that every clip case occurs at every magnitude
// up to 2^31, while shapes that cover the whole picture (the costly case) stay rare.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "base/host_settings.h"

namespace qx::test {

class GuardedPicture {
public:
    static constexpr uint32_t kGuardWords = 4 * kPictureWidth;
    static constexpr uint32_t kGuard = 0xA5C3E1F7;
    static constexpr uint32_t kBackground = 0x00404040;

    GuardedPicture() : words_(2 * kGuardWords + kPicturePixels, kGuard) {
        std::fill_n(Pixels(), kPicturePixels, kBackground);
    }
    uint32_t* Pixels() { return words_.data() + kGuardWords; }
    bool GuardsIntact() const {
        const auto isGuard = [](uint32_t w) { return w == kGuard; };
        return std::all_of(words_.begin(), words_.begin() + kGuardWords, isGuard) &&
               std::all_of(words_.end() - kGuardWords, words_.end(), isGuard);
    }
    bool AnyPixelChanged() const {
        const auto first = words_.begin() + kGuardWords;
        return std::any_of(first, first + kPicturePixels,
                           [](uint32_t w) { return w != kBackground; });
    }

private:
    std::vector<uint32_t> words_;
};

class ShapeSource {
public:
    explicit ShapeSource(uint32_t seed) : random_(seed) {}
    int64_t Within(int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(random_);
    }
    // Log-uniform in 0 .. 2^31 - 1.
    int64_t Length() { return Within(0, (int64_t{1} << Within(0, 31)) - 1); }
    // The low end of a range of that length along an axis of `extent` pixels: ending just past
    // the near edge, starting just before the far edge, anywhere in int32, or inside.
    int64_t PlaceLow(int64_t length, int32_t extent) {
        switch (Within(0, 7)) {
            case 0:
            case 1:
                return Within(-32, 96) - length;
            case 2:
            case 3:
                return Within(extent - 96, extent + 32);
            case 4:
                return Within(INT32_MIN, INT32_MAX);
            default:
                return Within(-32, extent + 32);
        }
    }
    static int32_t Clamp(int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    }
    // Both ends of a placed range and one point between, in random order.
    std::array<int32_t, 3> Corners(int32_t extent) {
        const int64_t length = Length(), low = PlaceLow(length, extent);
        std::array<int32_t, 3> v = {Clamp(low), Clamp(low + length),
                                    Clamp(low + Within(0, length))};
        std::shuffle(v.begin(), v.end(), random_);
        return v;
    }

private:
    std::mt19937 random_;
};

}  // namespace qx::test
