#include "effects/lines.h"

#include <utility>

#include "base/picture.h"
#include "base/pixel_ops.h"
#include "effects/drawing_switch.h"

namespace qx {

LineState lineState;

namespace {

// The clip bounds are the picture's fixed size, not the render size.
constexpr int32_t kRowPixels = kPictureWidth;
constexpr int64_t kLineWidth = kPictureWidth;
constexpr int64_t kLineHeight = kPictureHeight;
constexpr int64_t kLastColumn = kLineWidth - 1;
constexpr int64_t kLastRow = kLineHeight - 1;

// Cuts the segment (a0, b0)-(a1, b1) to 0 <= a <= last, first ordering its ends so that
// a0 <= a1; false when none of it lies there. DrawLine calls it for rows (a = y), then for
// columns (a = x).
bool ClipToAxis(int64_t& a0, int64_t& b0, int64_t& a1, int64_t& b1, int64_t last) {
    if (a0 > a1) {
        std::swap(a0, a1);
        std::swap(b0, b1);
    }
    if (a0 > last || a1 <= 0) return false;
    if (a0 < 0) {
        b0 = (b0 * a1 - b1 * a0) / (a1 - a0);
        a0 = 0;
    }
    if (a1 > last) {
        b1 = (a0 * b1 - a1 * b0 - last * (b1 - b0)) / (a0 - a1);
        a1 = last;
    }
    return true;
}

}  // namespace

void PlotAdditive(uint32_t* pixel, uint32_t colour) {
    *pixel = AddChannelsSaturated(*pixel, colour) | (colour & ~kColourMask);
}

void FillRowOffsetTable() {
    for (uint32_t i = 0; i < kRowOffsetEntries; ++i)
        lineState.rowOffsetTable[i] = static_cast<int32_t>(i) * kRowPixels;
}

void DrawLine(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
    if (DrawingOff()) return;
    // Clipping in 64 bits. A product of two int32 values is below 2^62 in magnitude; the one
    // numerator with two such products (the cut at row 0) has y1 > 0 > y0, so its two terms
    // cannot both reach -2^62 and it stays below 2^63; the other cuts multiply by rows 0..199.
    // Every cut point lies on the segment and the divisions truncate toward zero, so the cut
    // coordinates stay between the endpoints' and inside the picture.
    int64_t x0 = fromX, y0 = fromY, x1 = toX, y1 = toY;
    if (!ClipToAxis(y0, x0, y1, x1, kLastRow) || !ClipToAxis(x0, y0, x1, y1, kLastColumn)) return;

    // Both endpoints are now inside the picture and x0 <= x1.
    const int32_t dx = static_cast<int32_t>(x1 - x0);
    const int32_t dy = static_cast<int32_t>(y1 - y0);
    const int32_t rowStep = dy < 0 ? -kRowPixels : kRowPixels;
    const int32_t absDy = dy < 0 ? -dy : dy;
    const bool alongX = dx >= absDy;
    const int32_t major = alongX ? dx : absDy;
    const int32_t minor = alongX ? absDy : dx;
    const int32_t majorStep = alongX ? 1 : rowStep;
    const int32_t minorStep = alongX ? rowStep : 1;
    if (major == 0) return;

    const PlotRoutine plot = lineState.plotRoutine;
    const uint32_t colour = lineState.lineColour;
    uint32_t* pixel = lineState.lineTarget + lineState.rowOffsetTable[y0] + x0;
    int32_t error = 0;  // starts at 0, not at half the major length
    for (int32_t n = major; n > 0; --n) {
        error += minor;
        if (error >= major) {
            error -= major;
            pixel += minorStep;
        }
        pixel += majorStep;
        plot(pixel, colour);
    }
}

}  // namespace qx
