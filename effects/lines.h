// Line drawing: DrawLine clips one line against the 320 x 200 picture, walks it with an integer
// error term and hands every pixel to the plot routine; PlotAdditive adds the line colour with
// saturation, so that crossing lines brighten.
#pragma once

#include <cstdint>

namespace qx {

using PlotRoutine = void (*)(uint32_t* pixel, uint32_t colour);

// Per channel min(255, pixel + colour); the pixel's top byte becomes the colour's.
void PlotAdditive(uint32_t* pixel, uint32_t colour);

inline constexpr uint32_t kRowOffsetEntries = 1024;

struct LineState {
    uint32_t* lineTarget = nullptr;  // a 320 x 200 picture
    uint32_t lineColour = 0;         // 0x00RRGGBB, handed to the plot routine
    PlotRoutine plotRoutine = &PlotAdditive;
    int32_t rowOffsetTable[kRowOffsetEntries] = {};  // entry i = i x 320, see FillRowOffsetTable
};
extern LineState lineState;

// Entry i of the row offset table becomes i x 320 pixels; the first step of the effects'
// start-up precalculation.
void FillRowOffsetTable();

// Draws the line from (x0, y0) to (x1, y1) into the line target. Of the two endpoints, after
// ordering by y and then by x, the first is never plotted and the second always is. Any int32
// coordinates are safe: the line is clipped to rows 0..199 and columns 0..319 first.
void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

}  // namespace qx
