// The processor-side fit of the picture to the window, against a plain rendition of what it
// stands for: the picture enlarged by a whole factor (nearest neighbour), then sampled
// bilinearly at the output's pixel centres.
#include "platform/sharp_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace qx::test {
namespace {

std::vector<uint32_t> Picture(uint32_t width, uint32_t height) {
    std::vector<uint32_t> picture(size_t{width} * height);
    uint32_t state = 12345;
    for (uint32_t& pixel : picture) {
        state = state * 1103515245 + 12345;
        pixel = state >> 4;  // top byte too: it must not reach the output
    }
    return picture;
}

// The enlargement and the bilinear fit, in doubles, one channel of one output pixel.
double Expected(const std::vector<uint32_t>& picture, uint32_t width, uint32_t height,
                uint32_t outputWidth, uint32_t outputHeight, uint32_t x, uint32_t y, int shift) {
    const auto factor = [](uint32_t source, uint32_t output) {
        return std::clamp<uint32_t>((output + source - 1) / source, 1, kMaxSharpFactor);
    };
    const uint32_t enlargedWidth = width * factor(width, outputWidth);
    const uint32_t enlargedHeight = height * factor(height, outputHeight);
    const auto at = [&](int64_t ex, int64_t ey) {
        ex = std::clamp<int64_t>(ex, 0, enlargedWidth - 1);
        ey = std::clamp<int64_t>(ey, 0, enlargedHeight - 1);
        const uint32_t sx = static_cast<uint32_t>(ex) / factor(width, outputWidth);
        const uint32_t sy = static_cast<uint32_t>(ey) / factor(height, outputHeight);
        return double((picture[size_t{sy} * width + sx] >> shift) & 0xFF);
    };
    const double u = (x + 0.5) * enlargedWidth / outputWidth - 0.5;
    const double v = (y + 0.5) * enlargedHeight / outputHeight - 0.5;
    const double u0 = std::floor(u), v0 = std::floor(v);
    const double fu = u - u0, fv = v - v0;
    const auto ix = static_cast<int64_t>(u0);
    const auto iy = static_cast<int64_t>(v0);
    const double top = at(ix, iy) * (1 - fu) + at(ix + 1, iy) * fu;
    const double bottom = at(ix, iy + 1) * (1 - fu) + at(ix + 1, iy + 1) * fu;
    return top * (1 - fv) + bottom * fv;
}

// Every output pixel within 3 of the plain rendition per channel (weights are rounded 256ths,
// rounded down once per axis), the top byte 0, and nothing written past the output
// rows' width in a wider pitch.
void ExpectFit(uint32_t width, uint32_t height, uint32_t outputWidth, uint32_t outputHeight) {
    SCOPED_TRACE(testing::Message()
                 << width << "x" << height << " -> " << outputWidth << "x" << outputHeight);
    const std::vector<uint32_t> picture = Picture(width, height);
    SharpScaler scaler;
    ASSERT_TRUE(scaler.Configure(width, height, outputWidth, outputHeight));
    const uint32_t pitch = outputWidth + 3;
    std::vector<uint32_t> output(size_t{pitch} * outputHeight, 0xDEADBEEF);
    scaler.Scale(picture.data(), width, output.data(), pitch);
    for (uint32_t y = 0; y < outputHeight; ++y) {
        for (uint32_t x = 0; x < pitch; ++x) {
            const uint32_t pixel = output[size_t{y} * pitch + x];
            if (x >= outputWidth) {
                ASSERT_EQ(pixel, 0xDEADBEEF) << x << "," << y;
                continue;
            }
            ASSERT_EQ(pixel >> 24, 0u) << x << "," << y;
            for (const int shift : {0, 8, 16}) {
                const double expected =
                    Expected(picture, width, height, outputWidth, outputHeight, x, y, shift);
                ASSERT_NEAR(double((pixel >> shift) & 0xFF), expected, 3.0)
                    << x << "," << y << " channel " << shift / 8;
            }
        }
    }
}

TEST(SharpScalerTest, FitsAsTheWholeFactorEnlargementSampledBilinearly) {
    ExpectFit(320, 200, 960, 720);   // the default window, 4:3: rows from 800 down to 720
    ExpectFit(320, 200, 1280, 960);  // full screen at 1280 x 1024
    ExpectFit(320, 200, 960, 600);   // square pixels: exactly 3 x 3
    ExpectFit(320, 200, 533, 401);   // a resized window, odd sizes
    ExpectFit(320, 200, 160, 100);   // the smallest window: less than the picture
    ExpectFit(320, 206, 1001, 751);  // a framebuffer with caption rows
    ExpectFit(7, 5, 100, 61);        // past the largest factor: the fit enlarges further
}

TEST(SharpScalerTest, WholeMultiplesAreCopiesAndOnlyPixelEdgesBlend) {
    for (const SharpTap& tap : SharpTaps(320, 960)) EXPECT_EQ(tap.weight, 0u);
    const std::vector<SharpTap> rows = SharpTaps(200, 720);
    const auto blended =
        std::count_if(rows.begin(), rows.end(), [](SharpTap t) { return t.weight != 0; });
    EXPECT_GT(blended, 0);
    EXPECT_LT(blended, 200);  // at most one output row per picture row edge
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_GE(rows[i].first, rows[i - 1].first);
    EXPECT_EQ(rows.front().first, 0u);
    EXPECT_EQ(rows.back().first, 199u);
}

TEST(SharpScalerTest, RefusesEmptySizesAndKeepsItsTablesForTheSameSizes) {
    SharpScaler scaler;
    EXPECT_FALSE(scaler.Configure(320, 200, 0, 720));
    EXPECT_FALSE(scaler.Configure(0, 200, 960, 720));
    EXPECT_EQ(scaler.OutputWidth(), 0u);
    std::vector<uint32_t> untouched(4, 7);
    scaler.Scale(untouched.data(), 2, untouched.data(), 2);  // not configured: nothing written
    EXPECT_EQ(untouched, std::vector<uint32_t>(4, 7));
    ASSERT_TRUE(scaler.Configure(2, 1, 4, 2));
    const std::vector<uint32_t> picture = {0x000000, 0xFFFFFF};
    std::vector<uint32_t> output(8);
    scaler.Scale(picture.data(), 2, output.data(), 4);
    // 2 -> 4 is exactly 2 x: copies; a second call with the same sizes gives the same.
    EXPECT_EQ(output, (std::vector<uint32_t>{0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0xFFFFFF, 0xFFFFFF}));
    ASSERT_TRUE(scaler.Configure(2, 1, 4, 2));
    scaler.Scale(picture.data(), 2, output.data(), 4);
    EXPECT_EQ(output[3], 0xFFFFFFu);
}

}  // namespace
}  // namespace qx::test
