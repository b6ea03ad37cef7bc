#include "effects/rasterisers.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/host_settings.h"
#include "effects/guarded_picture.h"

namespace qx {
namespace {

using test::GuardedPicture;

// Every texel tells its own row and column.
uint32_t TexelAt(uint32_t row, uint32_t column) { return 0x00800000 | (row << 8) | column; }

class RasterisersTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostSettings = {};
        for (uint32_t i = 0; i < kTextureTexels; ++i) texture[i] = TexelAt(i >> 8, i & 0xFF);
    }
    uint32_t& At(int x, int y) { return picture.Pixels()[y * 320 + x]; }
    bool Untouched(int x, int y) { return At(x, y) == GuardedPicture::kBackground; }
    void Textured(TexturedVertex a, TexturedVertex b, TexturedVertex c) {
        DrawTexturedTriangle(a, b, c, texture.data(), picture.Pixels());
    }

    std::vector<uint32_t> texture = std::vector<uint32_t>(kTextureTexels);
    GuardedPicture picture;
};

TEST_F(RasterisersTest, TexturedTriangleWithFlatTopMapsTheTextureOneToOne) {
    Textured({0, 0, 0, 0}, {100, 0, 100, 0}, {0, 100, 0, 100});
    // Row y covers columns 0 .. 99 - y; row 100, the bottom vertex's, is never drawn.
    for (int y = 0; y <= 100; ++y)
        for (int x = 0; x < 320; ++x) {
            if (y < 100 && x < 100 - y)
                ASSERT_EQ(At(x, y), TexelAt(y, x)) << x << "," << y;
            else
                ASSERT_TRUE(Untouched(x, y)) << x << "," << y;
        }
}

TEST_F(RasterisersTest, PointedTopAndDegenerateTrianglesDrawNoFirstRow) {
    Textured({50, 10, 0, 0}, {20, 60, 0, 0}, {80, 60, 0, 0});
    for (int x = 0; x < 320; ++x) ASSERT_TRUE(Untouched(x, 10)) << x;
    EXPECT_FALSE(Untouched(49, 11));
    EXPECT_TRUE(Untouched(50, 11));
    EXPECT_FALSE(Untouched(50, 59));
    EXPECT_TRUE(Untouched(50, 60));

    picture = GuardedPicture();
    Textured({0, 50, 0, 0}, {300, 50, 0, 0}, {150, 50, 0, 0});  // one row
    Textured({0, -400, 0, 0}, {300, -300, 0, 0}, {150, 0, 0, 0});
    DrawGlassTriangle({0, 200}, {300, 200}, {150, 400}, picture.Pixels());
    EXPECT_FALSE(picture.AnyPixelChanged());
}

TEST_F(RasterisersTest, SpanCutAtTheLeftEdgeSamplesAsFarInAsTheCutReaches) {
    Textured({-10, 0, 0, 0}, {90, 0, 100, 0}, {-10, 50, 0, 50});
    // Row y spans columns -10 .. 89 - 2y; column 0 shows texture column 10.
    for (int y = 0; y < 45; ++y) {
        ASSERT_EQ(At(0, y), TexelAt(y, 10)) << y;
        ASSERT_EQ(At(89 - 2 * y, y), TexelAt(y, 99 - 2 * y)) << y;
        ASSERT_TRUE(Untouched(90 - 2 * y, y)) << y;
    }
    EXPECT_TRUE(Untouched(0, 45));
}

TEST_F(RasterisersTest, ZeroWidthMiddleRowGivesEverySpanOneTexel) {
    // The middle vertex lies within a pixel of the long edge, but slope truncation over six
    // million rows opens row 0 to columns 122..216: with a per-pixel step of 0 the whole span
    // shows the texel at its left end.
    Textured({217, -6198185, 0, 0}, {118, 291764, 255, 100}, {56, 615869, 100, 200});
    EXPECT_TRUE(Untouched(121, 0));
    EXPECT_TRUE(Untouched(217, 0));
    EXPECT_FALSE(Untouched(122, 0));
    for (int x = 123; x <= 216; ++x) ASSERT_EQ(At(x, 0), At(122, 0)) << x;
}

TEST_F(RasterisersTest, GlassCarriesBetweenChannelsAndSparesTheLastColumn) {
    At(10, 5) = 0x000000E0;
    At(11, 5) = 0x00FFFFFF;  // carries into the top byte, not out of the word
    At(12, 5) = 0xFFD00000;  // carries out of the word
    DrawGlassTriangle({-1000, -1000}, {5000, -1000}, {-1000, 5000}, picture.Pixels());
    EXPECT_EQ(At(10, 5), 0x00343514u);
    EXPECT_EQ(At(11, 5), 0x01343433u);
    EXPECT_EQ(At(12, 5), 0x00FFFFFFu);
    EXPECT_EQ(At(318, 199), 0x00747474u);
    for (int y = 0; y < 200; ++y) ASSERT_TRUE(Untouched(319, y)) << y;
}

TEST_F(RasterisersTest, SpritesAddTheScaledTextureAndCutWithoutSquashing) {
    DrawAdditiveSprite(texture.data(), 5, 5, 1, picture.Pixels());
    EXPECT_EQ(At(5, 5), 0x00C04040u);  // + TexelAt(0, 0), one pixel
    At(5, 5) = GuardedPicture::kBackground;
    DrawAdditiveSprite(texture.data(), 50, 50, 0, picture.Pixels());
    EXPECT_FALSE(picture.AnyPixelChanged());

    // Size 64 centred at (100, 10): corner (68, -22), 1024 per pixel in 16.16, so the first
    // visible row samples texture row 22 x 256 / 64 = 88 and 42 rows remain.
    DrawAdditiveSprite(texture.data(), 100, 10, 64, picture.Pixels());
    EXPECT_EQ(At(68, 0), 0x00404040u + TexelAt(88, 0));
    EXPECT_EQ(At(70, 1), 0x00404040u + TexelAt(92, 8));
    EXPECT_FALSE(Untouched(68, 41));
    EXPECT_TRUE(Untouched(68, 42));

    // Centred at (-10, 100): corner (-42, 68); column 0 samples texture column 168.
    DrawAdditiveSprite(texture.data(), -10, 100, 64, picture.Pixels());
    EXPECT_EQ(At(0, 68), 0x00404040u + TexelAt(0, 168));
    EXPECT_EQ(At(21, 68), 0x00C040FFu);  // + TexelAt(0, 252), blue saturated
    EXPECT_TRUE(Untouched(22, 68));

    // Size 10 at (319, 199): corner (314, 194), 6 x 6 visible pixels, top bytes kept.
    At(314, 194) = 0x7FF0F0F0;
    At(319, 199) = 0x7F404040;
    DrawAdditiveSprite(texture.data(), 319, 199, 10, picture.Pixels());
    EXPECT_EQ(At(314, 194), 0x7FFFF0F0u);  // red saturates with TexelAt(0, 0)
    EXPECT_EQ(At(319, 199), 0x7FC0BFBFu);  // + TexelAt(127, 127): 5 x 6553 = 32765 in 16.16
    EXPECT_TRUE(Untouched(313, 194));
    EXPECT_TRUE(Untouched(314, 193));
}

TEST_F(RasterisersTest, RandomTrianglesAndSpritesNeverTouchAnythingOutsideThePicture) {
    test::ShapeSource shapes(3);
    uint32_t* pixels = picture.Pixels();
    for (int i = 0; i < 100000; ++i) {
        const auto x = shapes.Corners(320), y = shapes.Corners(200);
        const auto u = shapes.Corners(256), t = shapes.Corners(256);
        if (i % 2)
            DrawTexturedTriangle({x[0], y[0], u[0], t[0]}, {x[1], y[1], u[1], t[1]},
                                 {x[2], y[2], u[2], t[2]}, texture.data(), pixels);
        else
            DrawGlassTriangle({x[0], y[0]}, {x[1], y[1]}, {x[2], y[2]}, pixels);

        const int64_t size = shapes.Length();
        const int64_t left = shapes.PlaceLow(size, 320), top = shapes.PlaceLow(size, 200);
        DrawAdditiveSprite(texture.data(), shapes.Clamp(left + size / 2),
                           shapes.Clamp(top + size / 2), static_cast<uint32_t>(size), pixels);
    }
    EXPECT_TRUE(picture.GuardsIntact());
    EXPECT_TRUE(picture.AnyPixelChanged());
}

}  // namespace
}  // namespace qx
