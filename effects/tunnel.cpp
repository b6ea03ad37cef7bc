#include "effects/tunnel.h"

#include <cmath>
#include <numbers>

#include "base/picture.h"
#include "base/simd_pixels.h"
#include "effects/drawing_switch.h"

namespace qx {

uint8_t distanceTable[kTunnelTableBytes];
uint8_t angleTable[kTunnelTableBytes];
int32_t columnSineTable[kInterferenceSineEntries];
int32_t rowSineTable[kInterferenceSineEntries];
TunnelState tunnelState;

namespace {

// Half the grid's side: 256 * sin(350 radians) = -245.49, rounded; the grid spans -245 .. 245.
constexpr int32_t kGridExtent = 245;
// 16.16 steps, truncated toward zero: -490 / 640 per column (x falls), 490 / 408 per row.
constexpr int32_t kColumnStep = (-2 * kGridExtent * 65536) / int32_t{kTunnelTableColumns};
constexpr int32_t kRowStep = (2 * kGridExtent * 65536) / int32_t{kTunnelTableRows};
static_assert(kColumnStep == -50176 && kRowStep == 78707);

constexpr int32_t kAngleCentreRow = 200;
constexpr int32_t kAngleCentreColumn = 320;

// The tunnel shows the window of the big tables whose centre is the angle table's centre.
constexpr uint32_t kTunnelWindowRow = kAngleCentreRow - kPictureHeight / 2;       // 100
constexpr uint32_t kTunnelWindowColumn = kAngleCentreColumn - kPictureWidth / 2;  // 160

constexpr uint32_t kTexelRowShift = 8;  // texel (row r, column c) at r * 256 + c
constexpr uint32_t kInterferencePhaseMask = kInterferenceSineEntries - 1;

uint32_t InterferenceWindowOffset(const InterferencePhase& phase) {
    const uint32_t row = static_cast<uint32_t>(rowSineTable[phase.row & kInterferencePhaseMask]);
    const uint32_t column =
        static_cast<uint32_t>(columnSineTable[phase.column & kInterferencePhaseMask]);
    return row * kTunnelTableColumns + column;
}

// The grid point of a column and of a row: x from 245 down, y from -245 up, stepped in 16.16.
constexpr int32_t GridX(int32_t column) {
    return (kGridExtent * 65536 + column * kColumnStep) >> 16;
}
constexpr int32_t GridY(int32_t row) { return (-kGridExtent * 65536 + row * kRowStep) >> 16; }
static_assert(GridX(int32_t{kTunnelTableColumns} - 1) >= -kGridExtent);

// The low byte of round(4000 / distance from the grid centre); y is never 0 on the grid.
uint8_t InverseDistance(int32_t x, int32_t y) {
    const double inverseDistance = std::sqrt(4000.0 * 4000.0 / double(x * x + y * y));
    return static_cast<uint8_t>(std::lrint(inverseDistance));
}

// The angle's size within its quadrant, 0 .. 64: arcsin(dy / rho) in degrees, then in 256ths of
// a turn. It depends only on |dx| and |dy|: rho and |s| do, and atan(-t) is exactly -atan(t).
uint8_t AngleSize(int32_t dx, int32_t dy) {
    if (dy == 0) return 0;
    const double rho = std::sqrt(double(dx * dx + dy * dy));
    const double s = dy / rho;
    const double degrees = std::atan(s / std::sqrt(1.0 - s * s)) * 180.0 / std::numbers::pi;
    return degrees == 0.0 ? 0 : uint8_t(std::lrint(std::fabs(256.0 / (360.0 / degrees))));
}

// The table entry for the angle size by quadrant; 256 - a wraps to 0 for a = 0, and the centre
// itself is 128.
uint8_t AngleEntry(int32_t dx, int32_t dy, uint8_t a) {
    if (dx == 0 && dy == 0) return 128;
    int32_t entry;
    if (dy <= 0)
        entry = dx > 0 ? a : 128 - a;
    else
        entry = dx <= 0 ? 128 + a : 256 - a;
    return static_cast<uint8_t>(entry);
}

}  // namespace

void BuildDistanceTable(uint8_t* destination) {
    // Within a row the entry depends on x * x only: worked out once for each |x|.
    uint8_t entries[kGridExtent + 1];
    for (int32_t r = 0; r < int32_t{kTunnelTableRows}; ++r) {
        const int32_t y = GridY(r);
        for (int32_t x = 0; x <= kGridExtent; ++x) entries[x] = InverseDistance(x, y);
        uint8_t* row = destination + r * kTunnelTableColumns;
        for (int32_t c = 0; c < int32_t{kTunnelTableColumns}; ++c) {
            const int32_t x = GridX(c);
            row[c] = entries[x < 0 ? -x : x];
        }
    }
}

void BuildAngleTable(uint8_t* destination) {
    // Rows above and below the centre by the same distance share their angle sizes.
    constexpr int32_t kLastDy = int32_t{kTunnelTableRows} - 1 - kAngleCentreRow;  // 207
    constexpr int32_t kLastDx = kAngleCentreColumn;  // |dx| of column 0
    static_assert(kLastDy >= kAngleCentreRow);
    uint8_t sizes[kLastDx + 1];
    const auto fillRow = [&](int32_t dy) {
        uint8_t* row = destination + (dy + kAngleCentreRow) * int32_t{kTunnelTableColumns};
        for (int32_t c = 0; c < int32_t{kTunnelTableColumns}; ++c) {
            const int32_t dx = c - kAngleCentreColumn;
            row[c] = AngleEntry(dx, dy, sizes[dx < 0 ? -dx : dx]);
        }
    };
    for (int32_t dy = 0; dy <= kLastDy; ++dy) {
        for (int32_t dx = 0; dx <= kLastDx; ++dx) sizes[dx] = AngleSize(dx, dy);
        fillRow(dy);
        if (dy != 0 && dy <= kAngleCentreRow) fillRow(-dy);
    }
}

void BuildSineRangeTable(int32_t high, int32_t low, uint32_t count, int32_t* destination) {
    const int32_t h = (high - low) / 2;
    for (uint32_t i = 0; i < count; ++i)
        destination[i] =
            int32_t(std::lrint(std::sin(2.0 * std::numbers::pi * i / count) * h + h + low));
}

void SetUpTunnelTables() {
    BuildDistanceTable(distanceTable);
    BuildAngleTable(angleTable);
    tunnelState.interferencePhases = kInterferenceStartPhases;
    BuildSineRangeTable(300, 20, kInterferenceSineEntries, columnSineTable);
    BuildSineRangeTable(180, 20, kInterferenceSineEntries, rowSineTable);
}

void DrawTunnel(const uint32_t* texture, uint32_t* destination) {
    if (DrawingOff()) return;
    const uint8_t phase = tunnelState.tunnelPhase;
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        const uint32_t offset = (y + kTunnelWindowRow) * kTunnelTableColumns + kTunnelWindowColumn;
        const uint8_t* distances = distanceTable + offset;
        const uint8_t* angles = angleTable + offset;
        uint32_t* out = destination + y * kPictureWidth;
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            const uint8_t d = static_cast<uint8_t>(distances[x] + phase);
            out[x] = texture[(uint32_t{d} << kTexelRowShift) | angles[x]];
        }
    }
}

void AdvanceTunnel() { ++tunnelState.tunnelPhase; }

void DrawInterference(const uint32_t* texture, uint32_t* destination) {
    if (DrawingOff()) return;
    // The sums of one row at a time, in locals instead of whole-picture accumulation buffers.
    uint32_t window[kInterferenceCentres];
    for (uint32_t k = 0; k < kInterferenceCentres; ++k)
        window[k] = InterferenceWindowOffset(tunnelState.interferencePhases[k]);

    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        const uint32_t rowOffset = y * kTunnelTableColumns;
        const uint8_t* distanceRows[kInterferenceCentres];
        const uint8_t* angleRows[kInterferenceCentres];
        for (uint32_t k = 0; k < kInterferenceCentres; ++k) {
            distanceRows[k] = distanceTable + window[k] + rowOffset;
            angleRows[k] = angleTable + window[k] + rowOffset;
        }
        uint8_t distanceSum[kPictureWidth];
        uint8_t angleSum[kPictureWidth];
        SumByteRows(distanceRows, distanceSum, kPictureWidth);
        SumByteRows(angleRows, angleSum, kPictureWidth);
        uint32_t* out = destination + y * kPictureWidth;
        for (uint32_t x = 0; x < kPictureWidth; ++x)
            out[x] = texture[(uint32_t{distanceSum[x]} << kTexelRowShift) | angleSum[x]];
    }
}

void AdvanceInterference() {
    for (InterferencePhase& phase : tunnelState.interferencePhases) {
        phase.column = (phase.column + 1) & kInterferencePhaseMask;
        phase.row = (phase.row + 1) & kInterferencePhaseMask;
    }
}

namespace reference {

void BuildDistanceTable(uint8_t* destination) {
    for (int32_t r = 0; r < int32_t{kTunnelTableRows}; ++r) {
        uint8_t* row = destination + r * kTunnelTableColumns;
        for (int32_t c = 0; c < int32_t{kTunnelTableColumns}; ++c)
            row[c] = InverseDistance(GridX(c), GridY(r));
    }
}

void BuildAngleTable(uint8_t* destination) {
    for (int32_t r = 0; r < int32_t{kTunnelTableRows}; ++r) {
        const int32_t dy = r - kAngleCentreRow;
        uint8_t* row = destination + r * kTunnelTableColumns;
        for (int32_t c = 0; c < int32_t{kTunnelTableColumns}; ++c) {
            const int32_t dx = c - kAngleCentreColumn;
            row[c] = AngleEntry(dx, dy, AngleSize(dx, dy));
        }
    }
}

void DrawInterference(const uint32_t* texture, uint32_t* destination) {
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            uint8_t distanceSum = 0, angleSum = 0;
            for (const InterferencePhase& phase : tunnelState.interferencePhases) {
                const uint32_t at = InterferenceWindowOffset(phase) + y * kTunnelTableColumns + x;
                distanceSum = static_cast<uint8_t>(distanceSum + distanceTable[at]);
                angleSum = static_cast<uint8_t>(angleSum + angleTable[at]);
            }
            destination[y * kPictureWidth + x] =
                texture[(uint32_t{distanceSum} << kTexelRowShift) | angleSum];
        }
    }
}

}  // namespace reference

}  // namespace qx
