#include "tools/pictures/picture_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/asset_catalogue.h"
#include "effects/bump_water.h"
#include "tools/pictures/lettering.h"

namespace qx::test {
namespace {

constexpr uint32_t kBack3 = 3, kFlare = 6, kFlareBbw = 7, kPicBump = 9, kPicBump8 = 10;
constexpr uint32_t kPicText = 12, kTexture6 = 17, kTexture8 = 19;

using Entries = std::vector<std::vector<uint8_t>>;  // indexed by entry number

// The given entries, or all 21 when none are given; the others stay empty.
Entries MakePictures(std::vector<uint32_t> wanted = {}) {
    if (wanted.empty()) {
        for (uint32_t k = 1; k <= kCatalogueEntryCount; ++k)
            if (k != kModuleEntry) wanted.push_back(k);
    }
    Entries entries(kCatalogueEntryCount + 1);
    for (const uint32_t k : wanted) {
        std::string failure;
        EXPECT_TRUE(MakePictureEntry(k, entries[k], failure)) << failure;
    }
    return entries;
}

std::vector<uint32_t> Textures() {
    std::vector<uint32_t> textures;
    for (uint32_t k = 1; k <= kCatalogueEntryCount; ++k)
        if (kCatalogue[k - 1].format == AssetFormat::Texture) textures.push_back(k);
    return textures;
}

uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t pixel) {
    return ReadU32(bytes.data() + 4 * pixel);
}

// Sum of the three channels of texel (row, column).
int TexelWeight(const std::vector<uint8_t>& texture, int row, int column) {
    const uint32_t word = WordAt(texture, static_cast<size_t>(row * 256 + column));
    return static_cast<int>((word & 0xFF) + (word >> 8 & 0xFF) + (word >> 16 & 0xFF));
}

// Mean difference across the boundary between columns c and c + 1 (mod 256), or between rows.
double BoundaryStep(const std::vector<uint8_t>& texture, int c, bool acrossRows) {
    long sum = 0;
    for (int i = 0; i < 256; ++i) {
        sum += acrossRows
                   ? std::abs(TexelWeight(texture, c, i) - TexelWeight(texture, (c + 1) % 256, i))
                   : std::abs(TexelWeight(texture, i, c) - TexelWeight(texture, i, (c + 1) % 256));
    }
    return static_cast<double>(sum) / 256.0;
}

TEST(PictureGenerator, EveryEntryHasItsCatalogueFormat) {
    const Entries entries = MakePictures();
    for (uint32_t k = 1; k <= kCatalogueEntryCount; ++k) {
        const CatalogueEntry& entry = kCatalogue[k - 1];
        if (entry.format == AssetFormat::Module) continue;
        ASSERT_EQ(entries[k].size(), entry.decodedSize) << entry.name;
        if (entry.format == AssetFormat::GreyPicture) continue;
        for (size_t p = 0; p < entries[k].size() / 4; ++p) {
            const uint32_t word = WordAt(entries[k], p);
            ASSERT_EQ(word >> 24, 0u) << entry.name << " pixel " << p;
            if (entry.format == AssetFormat::ColourPicture) {  // all grey
                ASSERT_EQ(word, (word & 0xFF) * 0x010101u) << entry.name << " pixel " << p;
            }
        }
    }
    std::vector<uint8_t> bytes;
    std::string failure;
    for (const uint32_t other : {0u, kModuleEntry, 23u}) {
        EXPECT_FALSE(MakePictureEntry(other, bytes, failure)) << other;
        EXPECT_FALSE(failure.empty());
    }
}

TEST(PictureGenerator, KeepsTheInvariantsTheScenesRelyOn) {
    const Entries entries =
        MakePictures({1, 2, kBack3, 4, 5, kPicBump, kPicBump8, kTexture6, kTexture8, 20});
    const auto [darkest, brightest] =
        std::minmax_element(entries[kBack3].begin(), entries[kBack3].end());
    EXPECT_EQ(*darkest, 0);
    EXPECT_EQ(*brightest, 31);  // the glass lights it from there
    EXPECT_EQ(entries[kTexture8], entries[kTexture6]);
    for (size_t p = 0; p < kGreyPictureBytes; ++p)
        ASSERT_EQ(WordAt(entries[kPicBump], p), entries[kPicBump8][p] * 0x010101u) << p;
    // Grain adds up to 63 to every channel: the backgrounds and the title need a wide spread.
    for (const uint32_t k : {1u, 2u, 4u, 5u, 20u}) {
        const auto [low, high] = std::minmax_element(entries[k].begin(), entries[k].end());
        EXPECT_GE(*high - *low, 100) << kCatalogue[k - 1].name;
    }
}

TEST(PictureGenerator, BumpHeightsStayWithinTheSlopeRange) {
    // The slopes are 8 x the step between smoothed neighbours, modulo 256: a step of 16 or more
    // would wrap round and throw the light to the far side of the light map.
    std::vector<uint8_t> heights = MakePictures({kPicBump8})[kPicBump8];
    BlurGrey8(heights.data(), heights.data());
    BlurGrey8(heights.data(), heights.data());
    int steepest = 0;
    for (int y = 1; y < 199; ++y) {
        for (int x = 1; x < 319; ++x) {
            const int here = heights[static_cast<size_t>(y * 320 + x)];
            steepest =
                std::max({steepest, std::abs(here - heights[static_cast<size_t>(y * 320 + x - 1)]),
                          std::abs(here - heights[static_cast<size_t>((y - 1) * 320 + x)])});
        }
    }
    EXPECT_LT(steepest, 16);
    EXPECT_GT(steepest, 2);  // there is relief to light
}

TEST(PictureGenerator, TexturesTileWithoutSeams) {
    const Entries entries = MakePictures(Textures());
    for (const uint32_t k : Textures()) {
        for (const bool acrossRows : {false, true}) {
            double interior = 0.0;
            for (int c = 0; c < 255; ++c)
                interior = std::max(interior, BoundaryStep(entries[k], c, acrossRows));
            EXPECT_LE(BoundaryStep(entries[k], 255, acrossRows), interior)
                << kCatalogue[k - 1].name << (acrossRows ? " top to bottom" : " left to right");
        }
    }
    // The flares are drawn as scaled square sprites: their border must be black.
    for (const uint32_t k : {kFlare, kFlareBbw}) {
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(TexelWeight(entries[k], 0, i) + TexelWeight(entries[k], 255, i) +
                          TexelWeight(entries[k], i, 0) + TexelWeight(entries[k], i, 255),
                      0)
                << kCatalogue[k - 1].name << " border " << i;
        }
    }
}

TEST(PictureGenerator, PictextHoldsOneCentredLineInEveryBandTheScenesCopy) {
    struct Band {
        int firstRow;
        int rowCount;
    };
    constexpr Band kCopiedBands[] = {{0, 20}, {20, 24}, {95, 17}, {112, 25}, {137, 17}, {154, 25}};
    const std::vector<uint8_t> text = MakePictures({kPicText})[kPicText];
    auto inked = [&](int row, int column) {
        return WordAt(text, static_cast<size_t>(row * 320 + column)) != 0;
    };
    auto rowInked = [&](int row) {
        for (int x = 0; x < 320; ++x)
            if (inked(row, x)) return true;
        return false;
    };
    std::vector<bool> inBand(200, false);
    for (const Band& band : kCopiedBands) {
        std::vector<int> inkRows;
        int left = 320, right = -1;
        for (int y = band.firstRow; y < band.firstRow + band.rowCount; ++y) {
            inBand[static_cast<size_t>(y)] = true;
            if (!rowInked(y)) continue;
            inkRows.push_back(y);
            for (int x = 0; x < 320; ++x) {
                if (!inked(y, x)) continue;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        ASSERT_FALSE(inkRows.empty()) << "band from row " << band.firstRow;
        // One line, whole: a single run of rows clear of both edges of the band.
        EXPECT_EQ(inkRows.back() - inkRows.front() + 1, static_cast<int>(inkRows.size()))
            << band.firstRow;
        EXPECT_GT(inkRows.front(), band.firstRow);
        EXPECT_LT(inkRows.back(), band.firstRow + band.rowCount - 1);
        EXPECT_LE(std::abs(left - (319 - right)), 2) << "band from row " << band.firstRow;
    }
    for (int y = 0; y < 200; ++y) {
        if (!inBand[static_cast<size_t>(y)]) {
            EXPECT_FALSE(rowInked(y)) << "row " << y;
        }
    }
}

TEST(PictureGenerator, MakesTheSameBytesEveryTime) { EXPECT_EQ(MakePictures(), MakePictures()); }

TEST(Lettering, FitsTheLineIntoItsBoxOrSaysWhyNot) {
    Plane ink;
    std::string failure;
    ASSERT_TRUE(RenderFittedLine(Typeface::SansBold, "Marrowtide", 40, 0, 120, 20, ink, failure))
        << failure;
    EXPECT_LE(ink.width, 120);
    EXPECT_LE(ink.height, 20);
    EXPECT_GE(ink.width, 105);  // the largest size that fits: one size up would be too wide
    // Cropped to the ink: every edge row and column holds some.
    float top = 0, bottom = 0, left = 0, right = 0;
    for (int x = 0; x < ink.width; ++x) top += ink.At(x, 0), bottom += ink.At(x, ink.height - 1);
    for (int y = 0; y < ink.height; ++y) left += ink.At(0, y), right += ink.At(ink.width - 1, y);
    EXPECT_TRUE(top > 0 && bottom > 0 && left > 0 && right > 0);

    EXPECT_FALSE(
        RenderFittedLine(Typeface::Sans, "far too long a line", 20, 0, 30, 4, ink, failure));
    EXPECT_NE(failure.find("does not fit"), std::string::npos);
    EXPECT_FALSE(RenderLine(Typeface::Sans, "   ", 12, 0, ink, failure));
    EXPECT_EQ(failure, "the text has no ink");
}

}  // namespace
}  // namespace qx::test
