// Light as the eye and the photosensitivity guidelines measure it: an sRGB channel value (0..255)
// in linear light (0..1), and a pixel's relative luminance, Y = 0.2126 R + 0.7152 G + 0.0722 B of
// its linearised channels (sRGB's primaries and white).
#pragma once

#include <array>
#include <cstdint>

namespace qx {

// Linear light of every sRGB channel value: c / 255 / 12.92 up to 0.04045, else
// ((c / 255 + 0.055) / 1.055) ^ 2.4. Made on first use, so that tables of other files made
// before main may use it.
const std::array<double, 256>& LinearLight();

inline double RelativeLuminance(uint32_t pixel) {
    const std::array<double, 256>& linear = LinearLight();
    return 0.2126 * linear[(pixel >> 16) & 0xFF] + 0.7152 * linear[(pixel >> 8) & 0xFF] +
           0.0722 * linear[pixel & 0xFF];
}

}  // namespace qx
