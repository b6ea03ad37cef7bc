#include "base/relative_luminance.h"

#include <cmath>

namespace qx {

namespace {

std::array<double, 256> MakeLinearLight() {
    std::array<double, 256> table{};
    for (uint32_t c = 0; c < 256; ++c) {
        const double s = c / 255.0;
        table[c] = s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    }
    return table;
}

}  // namespace

const std::array<double, 256>& LinearLight() {
    static const std::array<double, 256> table = MakeLinearLight();
    return table;
}

}  // namespace qx
