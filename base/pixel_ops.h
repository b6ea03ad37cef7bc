// Byte arithmetic inside a 32-bit 0x00RRGGBB pixel, shared by every layer that mixes pixels (the
// effects, the presentation's scaler, the viewer's note): each channel is combined on its own
// without unpacking the pixel, and no channel ever carries or borrows into its neighbour. The helpers return the three colour channels; callers decide the top byte.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kColourMask = 0x00FFFFFF;
inline constexpr uint32_t kHalvingMask = 0x00FEFEFE;  // drops each channel's low bit

// Per channel min(255, a + b).
inline uint32_t AddChannelsSaturated(uint32_t a, uint32_t b) {
    uint32_t redBlue = (a & 0x00FF00FF) + (b & 0x00FF00FF);  // 9 bits of room per lane
    uint32_t green = (a & 0x0000FF00) + (b & 0x0000FF00);
    redBlue |= ((redBlue >> 8) & 0x00010001) * 0xFF;  // overflowed lanes become 255
    green |= ((green >> 16) & 1) * 0xFF00;
    return (redBlue & 0x00FF00FF) | (green & 0x0000FF00);
}

// Per channel max(0, a - b).
inline uint32_t SubtractChannelsClamped(uint32_t a, uint32_t b) {
    // Each lane starts at 0x100 + a, so it stays positive; bit 8 of the lane survives exactly
    // when a >= b.
    uint32_t redBlue = ((a & 0x00FF00FF) | 0x01000100) - (b & 0x00FF00FF);
    uint32_t green = ((a & 0x0000FF00) | 0x00010000) - (b & 0x0000FF00);
    redBlue &= ((redBlue >> 8) & 0x00010001) * 0xFF;
    green &= ((green >> 16) & 1) * 0xFF00;
    return redBlue | green;
}

// Per channel floor(a / 2) + floor(b / 2); the top byte becomes 0.
inline uint32_t AverageChannels(uint32_t a, uint32_t b) {
    return ((a & kHalvingMask) >> 1) + ((b & kHalvingMask) >> 1);
}

// Per channel floor((a x (256 - w) + b x w) / 256) for a weight w of 0..256; the top byte
// becomes 0.
inline uint32_t LerpChannels(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t redBlue = ((a & 0x00FF00FF) * (256 - w) + (b & 0x00FF00FF) * w) >> 8;
    const uint32_t green = ((a & 0x0000FF00) * (256 - w) + (b & 0x0000FF00) * w) >> 8;
    return (redBlue & 0x00FF00FF) | (green & 0x0000FF00);
}

// The same level in all three channels, e.g. for a fade or a grey pixel.
inline uint32_t Grey(uint32_t level) { return level * 0x010101u; }

}  // namespace qx
