// Tunnel and interference: two lookup-table effects over one pair of large tables built at
// start-up. The distance table holds 4000 / distance from the grid centre (low byte), the angle
// table the direction from the centre in 256ths of a turn. The tunnel reads the central 320 x 200
// window of both; the interference adds three moving windows of each, placed by two sine tables.
// Textures are 256 x 256 words, texel (row r, column c) at r * 256 + c; pictures are 320 x 200
// words. Both are owned by the caller.
#pragma once

#include <array>
#include <cstdint>

namespace qx {

inline constexpr uint32_t kTunnelTableColumns = 640;
inline constexpr uint32_t kTunnelTableRows = 408;
inline constexpr uint32_t kTunnelTableBytes = kTunnelTableColumns * kTunnelTableRows;
inline constexpr uint32_t kInterferenceSineEntries = 512;  // one period per table
inline constexpr uint32_t kInterferenceCentres = 3;

extern uint8_t distanceTable[kTunnelTableBytes];
extern uint8_t angleTable[kTunnelTableBytes];
extern int32_t columnSineTable[kInterferenceSineEntries];  // window columns 20..300
extern int32_t rowSineTable[kInterferenceSineEntries];     // window rows 20..180

// Indices 0..511 into the column and row sine tables.
struct InterferencePhase {
    uint32_t column = 0;
    uint32_t row = 0;
};

using InterferencePhases = std::array<InterferencePhase, kInterferenceCentres>;
inline constexpr InterferencePhases kInterferenceStartPhases = {{{0, 0}, {112, 192}, {224, 384}}};

struct TunnelState {
    uint8_t tunnelPhase = 0;  // added to every distance entry, wraps
    InterferencePhases interferencePhases = kInterferenceStartPhases;
};
extern TunnelState tunnelState;

// 640 x 408 bytes: low byte of round(sqrt(4000^2 / (x^2 + y^2))) over the grid x = 245 .. -245
// (left to right), y = -245 .. 243 (top to bottom), stepped in 16.16.
void BuildDistanceTable(uint8_t* destination);
// 640 x 408 bytes: direction of the point from row 200, column 320, counter-clockwise from the
// right with screen up at 64; 128 at the centre itself.
void BuildAngleTable(uint8_t* destination);
// count entries round(sin(2 pi i / count) * h + h + low) with h = (high - low) / 2.
void BuildSineRangeTable(int32_t high, int32_t low, uint32_t count, int32_t* destination);
// Both big tables, both sine tables and the interference phases; once at start-up.
void SetUpTunnelTables();

// Pixel (x, y) = texel (row distance + tunnel phase, column angle) at table (y + 100, x + 160).
void DrawTunnel(const uint32_t* texture, uint32_t* destination);
void AdvanceTunnel();
// Pixel = texel (row sum of three distance windows, column sum of three angle windows), each sum
// a byte that wraps; window origins from the sine tables at the interference phases.
void DrawInterference(const uint32_t* texture, uint32_t* destination);
void AdvanceInterference();

namespace reference {
// Entry by entry, the distance and the angle worked out for each.
void BuildDistanceTable(uint8_t* destination);
void BuildAngleTable(uint8_t* destination);
// Pixel by pixel, the six table reads summed one at a time.
void DrawInterference(const uint32_t* texture, uint32_t* destination);
}  // namespace reference

}  // namespace qx
