// The enlargement the window shows, done on the processor: the picture is first enlarged by a
// whole factor per axis with nearest neighbour (the smallest factor that reaches the output size,
// at most kMaxSharpFactor), and that is then fitted to the output size with linear
// interpolation. Only output pixels that straddle one of the picture's own pixel edges come out
// blended; the rest are copies of one picture pixel, so the picture stays crisp at any size. A
// renderer then only has to copy the result 1:1, which even a software one does cheaply.
//
// Pixels are 32-bit words 0x00RRGGBB; pitches are in pixels. The top byte of the output is 0.
#pragma once

#include <cstdint>
#include <vector>

namespace qx {

// Beyond this factor the linear fit is already visually sharp, and a larger enlargement (the
// renderer's intermediate texture, the capture's filter) would only cost memory.
inline constexpr uint32_t kMaxSharpFactor = 8;

// The whole enlargement factor of one axis: the smallest that reaches the output size, from 1 to
// kMaxSharpFactor. Sizes > 0.
uint32_t SharpFactor(uint32_t sourceSize, uint32_t outputSize);

// One output column (or row) of the fit: the picture column it starts from and the weight,
// 0..255 in 256ths, of the next picture column. Weight 0 reads the first column alone.
struct SharpTap {
    uint32_t first = 0;
    uint32_t weight = 0;
};

// The taps of one axis: `outputSize` output pixels from `sourceSize` picture pixels, both > 0.
// Sampling points sit at pixel centres of the whole-factor enlargement, clamped at its edges.
std::vector<SharpTap> SharpTaps(uint32_t sourceSize, uint32_t outputSize);

class SharpScaler {
public:
    // The sizes the next Scale calls use; the tables are rebuilt only when they change. False,
    // and nothing is set up, for a zero size.
    bool Configure(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t outputWidth,
                   uint32_t outputHeight);

    // Writes the configured output from the configured picture size.
    void Scale(const uint32_t* source, uint32_t sourcePitch, uint32_t* output,
               uint32_t outputPitch);

    uint32_t OutputWidth() const { return outputWidth_; }
    uint32_t OutputHeight() const { return outputHeight_; }

private:
    // One picture row spread to the output width into `row`.
    void SpreadRow(const uint32_t* source, uint32_t* row) const;

    uint32_t sourceWidth_ = 0;
    uint32_t sourceHeight_ = 0;
    uint32_t outputWidth_ = 0;
    uint32_t outputHeight_ = 0;
    std::vector<SharpTap> columns_;
    std::vector<SharpTap> rows_;
    std::vector<uint32_t> spread_;  // every picture row at the output width, rows top first
    std::vector<bool> spreadDone_;  // which rows of spread_ the current Scale call has filled
};

}  // namespace qx
