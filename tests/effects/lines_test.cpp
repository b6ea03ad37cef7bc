#include "effects/lines.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "effects/guarded_picture.h"

namespace qx {
namespace {

using Pixels = std::vector<std::pair<int, int>>;

// Records every plotted pixel as (x, y) of the line target.
Pixels plotted;
uint32_t* recordedTarget = nullptr;
void RecordPlot(uint32_t* pixel, uint32_t) {
    const long index = pixel - recordedTarget;
    plotted.emplace_back(static_cast<int>(index % 320), static_cast<int>(index / 320));
}

class LinesTest : public ::testing::Test {
protected:
    void SetUp() override {
        lineState = {};
        FillRowOffsetTable();
        lineState.lineTarget = recordedTarget = picture.Pixels();
        lineState.plotRoutine = &RecordPlot;
    }
    Pixels Draw(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        plotted.clear();
        DrawLine(x0, y0, x1, y1);
        return plotted;
    }
    test::GuardedPicture picture;
};

TEST_F(LinesTest, PlotsFromJustAfterTheFirstEndpointToTheSecond) {
    EXPECT_EQ(lineState.rowOffsetTable[199], 63680);
    EXPECT_EQ(lineState.rowOffsetTable[1023], 327360);

    const Pixels horizontal = {{11, 10}, {12, 10}, {13, 10}};
    EXPECT_EQ(Draw(10, 10, 13, 10), horizontal);
    EXPECT_EQ(Draw(13, 10, 10, 10), horizontal);  // exchanged by x first
    EXPECT_EQ(
        Draw(0, 0, 10, 5),
        (Pixels{{1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 4}, {9, 4}, {10, 5}}));
    EXPECT_EQ(Draw(20, 30, 21, 27), (Pixels{{20, 29}, {20, 28}, {21, 27}}));  // major y, upward
    EXPECT_EQ(Draw(50, 50, 50, 50), Pixels{});
    EXPECT_EQ(Draw(5, 0, 5, 10).size(), 10u);
}

TEST_F(LinesTest, LinesAtOrAboveRowZeroOrBesideThePictureDrawNothing) {
    EXPECT_EQ(Draw(10, 0, 100, 0), Pixels{});
    EXPECT_EQ(Draw(10, -5, 100, 0), Pixels{});
    EXPECT_EQ(Draw(10, 200, 100, 250), Pixels{});
    EXPECT_EQ(Draw(320, 10, 400, 20), Pixels{});
    EXPECT_EQ(Draw(-30, 10, 0, 20), Pixels{});  // x1 <= 0 after ordering by x
}

TEST_F(LinesTest, ClippedLinesAreCutAtTheEdgesWithoutOverflow) {
    Pixels diagonal, row100;
    for (int i = 1; i <= 199; ++i) diagonal.emplace_back(i, i);
    for (int x = 1; x <= 319; ++x) row100.emplace_back(x, 100);
    EXPECT_EQ(Draw(-100, -100, 300, 300), diagonal);
    // The same line from the extremes of int32: the cut products need 63 bits.
    EXPECT_EQ(Draw(INT_MIN, INT_MIN, INT_MAX, INT_MAX), diagonal);
    EXPECT_EQ(Draw(INT_MAX, INT_MAX, INT_MIN, INT_MIN), diagonal);
    EXPECT_EQ(Draw(INT_MAX, 100, INT_MIN, 100), row100);
}

TEST_F(LinesTest, PlotAdditiveSaturatesAndTakesTheColoursTopByte) {
    uint32_t pixel = 0x00F0F0F0;
    PlotAdditive(&pixel, 0x00202020);
    EXPECT_EQ(pixel, 0x00FFFFFFu);
    pixel = 0xAA102030;
    PlotAdditive(&pixel, 0x55010203);
    EXPECT_EQ(pixel, 0x55112233u);
}

TEST_F(LinesTest, RandomLinesNeverTouchAnythingOutsideThePicture) {
    lineState.plotRoutine = &PlotAdditive;
    lineState.lineColour = 0x01010101;
    test::ShapeSource shapes(5);
    for (int i = 0; i < 100000; ++i) {
        const auto x = shapes.Corners(320), y = shapes.Corners(200);
        DrawLine(x[0], y[0], x[1], y[1]);
    }
    EXPECT_TRUE(picture.GuardsIntact());
    EXPECT_TRUE(picture.AnyPixelChanged());
}

}  // namespace
}  // namespace qx
