#include "effects/tunnel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "effects/table_effects_support.h"

namespace qx::test {
namespace {

uint8_t DistanceAt(uint32_t row, uint32_t column) {
    return distanceTable[row * kTunnelTableColumns + column];
}
uint8_t AngleAt(uint32_t row, uint32_t column) {
    return angleTable[row * kTunnelTableColumns + column];
}

class TunnelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SetUpTunnelTables(); }
    void SetUp() override { tunnelState = {}; }
};

TEST_F(TunnelTest, DistanceTableHoldsTheListedEntries) {
    EXPECT_EQ(DistanceAt(0, 0), 12);       // x = 245, y = -245
    EXPECT_EQ(DistanceAt(204, 320), 160);  // x = 0, y = -1: 4000 mod 256
    EXPECT_EQ(DistanceAt(100, 160), 23);
    EXPECT_EQ(DistanceAt(200, 320), 32);  // x = 0, y = -5: 800 mod 256
}

// The grid mapping worked out in floating point with floor, and 4000 over the hypotenuse.
TEST_F(TunnelTest, DistanceTableMatchesAnIndependentComputationEverywhere) {
    uint32_t mismatches = 0;
    for (uint32_t r = 0; r < kTunnelTableRows; ++r) {
        const double y = std::floor((-245.0 * 65536 + r * 78707.0) / 65536);
        for (uint32_t c = 0; c < kTunnelTableColumns; ++c) {
            const double x = std::floor((245.0 * 65536 - c * 50176.0) / 65536);
            const uint8_t expected = static_cast<uint8_t>(std::lrint(4000.0 / std::hypot(x, y)));
            if (DistanceAt(r, c) != expected && ++mismatches < 5)
                ADD_FAILURE() << "row " << r << " column " << c;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST_F(TunnelTest, AngleTableHoldsTheListedEntries) {
    EXPECT_EQ(AngleAt(200, 400), 0);
    EXPECT_EQ(AngleAt(100, 320), 64);  // straight up
    EXPECT_EQ(AngleAt(200, 200), 128);
    EXPECT_EQ(AngleAt(300, 320), 192);
    EXPECT_EQ(AngleAt(100, 420), 32);
    EXPECT_EQ(AngleAt(300, 420), 224);
    EXPECT_EQ(AngleAt(200, 320), 128);  // the centre itself
}

// The direction of (dx, -dy) from atan2, in 256ths of a turn.
TEST_F(TunnelTest, AngleTableMatchesAtan2Everywhere) {
    uint32_t mismatches = 0;
    for (uint32_t r = 0; r < kTunnelTableRows; ++r) {
        for (uint32_t c = 0; c < kTunnelTableColumns; ++c) {
            const double dy = double(r) - 200, dx = double(c) - 320;
            const long turns = (dx == 0 && dy == 0)
                                   ? 128
                                   : std::lrint(std::atan2(-dy, dx) * 128 / std::numbers::pi);
            const uint8_t expected = static_cast<uint8_t>(turns);
            if (AngleAt(r, c) != expected && ++mismatches < 5)
                ADD_FAILURE() << "row " << r << " column " << c << ": " << int(AngleAt(r, c));
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

// The tables built from entries shared by mirrored points are the plain entry-by-entry ones.
TEST_F(TunnelTest, BothTablesEqualTheirReferencesEntryByEntry) {
    using Build = void (*)(uint8_t*);
    for (const auto& [build, plainBuild] :
         {std::pair<Build, Build>{BuildDistanceTable, reference::BuildDistanceTable},
          std::pair<Build, Build>{BuildAngleTable, reference::BuildAngleTable}}) {
        std::vector<uint8_t> plain(kTunnelTableBytes, 0xA5);
        plainBuild(plain.data());
        std::vector<uint8_t> built(kTunnelTableBytes + 1, 0xA5);
        build(built.data());
        EXPECT_EQ(built.back(), 0xA5);  // nothing written past the table
        built.pop_back();
        EXPECT_TRUE(plain == built);
    }
}

TEST_F(TunnelTest, SineRangeTablesSwingOncePerTableBetweenTheirBounds) {
    EXPECT_EQ(columnSineTable[0], 160);
    EXPECT_EQ(columnSineTable[128], 300);
    EXPECT_EQ(columnSineTable[256], 160);
    EXPECT_EQ(columnSineTable[384], 20);
    EXPECT_EQ(rowSineTable[0], 100);
    EXPECT_EQ(rowSineTable[128], 180);
    EXPECT_EQ(rowSineTable[384], 20);
    for (uint32_t i = 0; i < kInterferenceSineEntries; ++i) {
        ASSERT_GE(columnSineTable[i], 20);
        ASSERT_LE(columnSineTable[i], 300);
        ASSERT_GE(rowSineTable[i], 20);
        ASSERT_LE(rowSineTable[i], 180);
    }

    // The bump scene's light tables: (140, 0) peaks at 140 at entry 64, (80, 0) starts at 40.
    int32_t light[256];
    BuildSineRangeTable(140, 0, 256, light);
    EXPECT_EQ(light[0], 70);
    EXPECT_EQ(light[64], 140);
    EXPECT_EQ(light[192], 0);
    BuildSineRangeTable(80, 0, 256, light);
    EXPECT_EQ(light[0], 40);
    EXPECT_EQ(light[64], 80);

    // h = (high - low) / 2 truncates: (11, 0) swings between 0 and 10.
    int32_t odd[4];
    BuildSineRangeTable(11, 0, 4, odd);
    EXPECT_EQ(odd[0], 5);
    EXPECT_EQ(odd[1], 10);
    EXPECT_EQ(odd[3], 0);
}

TEST_F(TunnelTest, TunnelLooksUpTheCentralWindowWithThePhaseAddedToTheRow) {
    const std::vector<uint32_t> texture = IndexTexture();
    std::vector<uint32_t> picture = Picture();
    for (uint32_t phase : {0u, 255u, 77u}) {
        tunnelState.tunnelPhase = static_cast<uint8_t>(phase);
        DrawTunnel(texture.data(), picture.data());
        for (uint32_t y = 0; y < kPictureHeight; ++y)
            for (uint32_t x = 0; x < kPictureWidth; ++x)
                ASSERT_EQ(picture[y * kPictureWidth + x],
                          TexelAt(DistanceAt(y + 100, x + 160) + phase, AngleAt(y + 100, x + 160)))
                    << "phase " << phase << " x " << x << " y " << y;
    }
    tunnelState.tunnelPhase = 0;
    DrawTunnel(texture.data(), picture.data());
    EXPECT_EQ(picture[100 * kPictureWidth + 160], TexelAt(32, 128));  // the table centre
}

TEST_F(TunnelTest, InterferenceAfter512AdvancesIsBackAtItsStart) {
    const TunnelState start = tunnelState;
    AdvanceInterference();
    EXPECT_EQ(tunnelState.interferencePhases[2].row, 385u);
    for (int i = 1; i < 512; ++i) AdvanceInterference();
    for (uint32_t k = 0; k < kInterferenceCentres; ++k) {
        EXPECT_EQ(tunnelState.interferencePhases[k].column, start.interferencePhases[k].column);
        EXPECT_EQ(tunnelState.interferencePhases[k].row, start.interferencePhases[k].row);
    }
}

TEST_F(TunnelTest, InterferenceSumsThreeWindowsAsWrappingBytes) {
    const std::vector<uint32_t> texture = IndexTexture();
    std::vector<uint32_t> picture = Picture();
    DrawInterference(texture.data(), picture.data());
    // Windows at the start phases: rows 100, sine(192), sine(384) and columns 160, sine(112),
    // sine(224).
    for (uint32_t y : {0u, 57u, 199u}) {
        for (uint32_t x : {0u, 1u, 200u, 319u}) {
            uint32_t d = 0, a = 0;
            for (const InterferencePhase& p : tunnelState.interferencePhases) {
                const uint32_t row = rowSineTable[p.row] + y,
                               column = columnSineTable[p.column] + x;
                d += DistanceAt(row, column);
                a += AngleAt(row, column);
            }
            EXPECT_EQ(picture[y * kPictureWidth + x], TexelAt(d, a)) << x << "," << y;
        }
    }
}

TEST_F(TunnelTest, FastInterferenceMatchesThePlainLoopAtEveryPhase) {
    const std::vector<uint32_t> texture = IndexTexture();
    std::vector<uint32_t> fast = Picture(), plain = Picture(1);
    for (int step = 0; step < 512; step += 37) {
        DrawInterference(texture.data(), fast.data());
        reference::DrawInterference(texture.data(), plain.data());
        ASSERT_EQ(FirstDifference(fast, plain), -1) << "after " << step << " advances";
        for (int i = 0; i < 37; ++i) AdvanceInterference();
    }
}

}  // namespace
}  // namespace qx::test
