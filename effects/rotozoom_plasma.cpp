#include "effects/rotozoom_plasma.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "data/wave_table.h"
#include "effects/drawing_switch.h"

namespace qx {

int32_t rotozoomRowTable[kRotozoomRowEntries];
int32_t rotozoomColumnTable[kRotozoomColumnEntries];
RotozoomState rotozoomState;
PlasmaState plasmaState;
ScrollState scrollState;

namespace {

constexpr uint32_t kTexelRowShift = 8;  // texel (row r, column c) at r * 256 + c
constexpr uint32_t kScreenCentreRow = 100;
constexpr uint32_t kHalfPictureWidth = kPictureWidth / 2;
constexpr uint8_t kTextureCentre = 128;
constexpr uint32_t kPlasmaPixelsPerRow = kPictureWidth / 2;

// round(v * zoom) as a 32-bit number; the table arithmetic wraps modulo 2^32.
uint32_t ScaleByZoom(double v, int32_t zoom) {
    return static_cast<uint32_t>(std::llrint(v * zoom));
}

}  // namespace

// All coordinates are pairs of bytes in one 32-bit word, summed with plain wrapping 32-bit
// additions; only the low 16 bits of the entries are read when drawing.
void BuildRotozoomTables() {
    const double radians = rotozoomState.rotozoomAngle * std::numbers::pi / 180.0;
    const uint32_t c = ScaleByZoom(std::cos(radians), rotozoomState.rotozoomZoom);
    const uint32_t s = ScaleByZoom(std::sin(radians), rotozoomState.rotozoomZoom);
    const uint32_t startU = 0u - kHalfPictureWidth * c;
    const uint32_t startV = 0u - kHalfPictureWidth * s;

    uint32_t u = startU, v = startV;
    for (uint32_t r = 0; r < kRotozoomRowEntries; ++r) {
        u += s;
        v -= c;
        rotozoomRowTable[r] = static_cast<int32_t>(((u + c) & 0xFF00) + ((v + s) >> 8));
    }

    const uint32_t centreEntry = static_cast<uint32_t>(rotozoomRowTable[kScreenCentreRow]);
    uint32_t previousLow = centreEntry & 0xFF;
    uint32_t previousHigh = centreEntry >> 8;
    u = startU;
    v = startV;
    for (uint32_t k = 0; k < kRotozoomColumnEntries; ++k) {
        u += c;
        v += s;
        const uint32_t high = u >> 8, low = v >> 8;
        rotozoomColumnTable[k] =
            static_cast<int32_t>(((high - previousHigh) << 8) | ((low - previousLow) & 0xFF));
        previousHigh = high;
        previousLow = low;
    }
}

void DrawRotozoom(const uint32_t* texture, uint32_t* destination) {
    if (DrawingOff()) return;
    uint8_t rowStep[kRotozoomColumnEntries], columnStep[kRotozoomColumnEntries];
    for (uint32_t k = 0; k < kRotozoomColumnEntries; ++k) {
        const uint32_t entry = static_cast<uint32_t>(rotozoomColumnTable[k]);
        rowStep[k] = static_cast<uint8_t>(entry >> 8);
        columnStep[k] = static_cast<uint8_t>(entry);
    }
    for (uint32_t r = 0; r < kRotozoomRowEntries; ++r) {
        const uint32_t entry = static_cast<uint32_t>(rotozoomRowTable[r]);
        uint8_t h = static_cast<uint8_t>((entry >> 8) + kTextureCentre);
        uint8_t l = static_cast<uint8_t>(entry + kTextureCentre);
        uint32_t* out = destination + r * kPictureWidth;
        for (uint32_t k = 0; k < kRotozoomColumnEntries; ++k) {
            h = static_cast<uint8_t>(h + rowStep[k]);
            l = static_cast<uint8_t>(l + columnStep[k]);
            out[k] = texture[(uint32_t{h} << kTexelRowShift) | l];
        }
    }
}

void AdvanceRotozoom() {
    rotozoomState.rotozoomAngle = static_cast<int32_t>(uint32_t(rotozoomState.rotozoomAngle) + 4);
    rotozoomState.rotozoomZoom = static_cast<int32_t>(uint32_t(rotozoomState.rotozoomZoom) - 2);
}

void DrawTablePlasma(const uint32_t* texture, uint32_t* destination) {
    const uint8_t* w = waveTable;  // indexed by bytes only, so every read wraps modulo 256
    const uint8_t a = plasmaState.plasmaPhaseA;
    uint8_t b = plasmaState.plasmaPhaseB;
    const uint32_t parity = plasmaState.plasmaParity;
    for (uint32_t r = 0; r < kPictureHeight && !DrawingOff(); ++r) {
        uint8_t x = w[uint8_t(a + r)] / 2;
        uint8_t z = w[b] / 2;
        uint32_t* out = destination + r * kPictureWidth + ((parity + r) & 1);
        for (uint32_t i = 0; i < kPlasmaPixelsPerRow; ++i) {
            uint8_t q = static_cast<uint8_t>(w[uint8_t(x + z)] / 2 + w[uint8_t(z + r)]);
            q = static_cast<uint8_t>((q / 2) | 1);
            x = static_cast<uint8_t>(x - 2);
            z = static_cast<uint8_t>(z + 2);
            out[2 * i] = texture[(uint32_t{x} << kTexelRowShift) | q];
        }
        b = static_cast<uint8_t>(b + 2);
    }
    plasmaState.plasmaParity = static_cast<uint8_t>(1 - parity);
    --plasmaState.plasmaPhaseA;
    ++plasmaState.plasmaPhaseB;
}

void CopyScrolled(const uint32_t* source, uint32_t* destination, uint32_t rowsOn) {
    if (DrawingOff()) return;
    uint32_t row = (scrollState.scrollRow + rowsOn) % kScrollSourceRows;
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        std::memcpy(destination + y * kPictureWidth, source + row * kPictureWidth,
                    kPictureWidth * sizeof(uint32_t));
        if (++row == kScrollSourceRows) row = 0;
    }
}

void AdvanceScroll() {
    const uint32_t next = uint32_t{scrollState.scrollRow} + kScrollStep;
    scrollState.scrollRow = next >= kScrollSourceRows ? 0 : static_cast<uint8_t>(next);
}

}  // namespace qx
