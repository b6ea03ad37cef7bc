// The contact sheet's layout (every picture in its cell, other entries left out, half size as
// 2 x 2 means) and the PNG it is written as, read back with libpng.
#include "tools/pictures/contact_sheet.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "base/picture.h"

namespace qx::test {
namespace {

TEST(ContactSheet, PlacesEachPictureInItsCellAndWritesAPng) {
    std::vector<SheetEntry> entries(3);
    entries[0] = {1, "grey", std::vector<uint8_t>(kGreyPictureBytes, 7)};
    entries[0].bytes[3 * 320 + 5] = 200;
    entries[1] = {2, "song", std::vector<uint8_t>(100, 1)};  // no picture: left out
    entries[2] = {3, "texture", std::vector<uint8_t>(kTextureBytes, 0)};
    entries[2].bytes[0] = 0x33;  // texel 0 = 0x00112233, blue byte first
    entries[2].bytes[1] = 0x22;
    entries[2].bytes[2] = 0x11;
    const RgbImage sheet = MakeContactSheet(entries, false);
    ASSERT_EQ(sheet.width, kSheetColumns * 328 + 8);
    ASSERT_EQ(sheet.height, 256 + 17 + 8 + 8);
    auto pixel = [&](const RgbImage& image, int x, int y) {
        const uint8_t* p = &image.rgb[static_cast<size_t>((y * image.width + x) * 3)];
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(pixel(sheet, 8 + 5, 8 + 3), (std::vector<int>{200, 200, 200}));
    EXPECT_EQ(pixel(sheet, 8 + 6, 8 + 3), (std::vector<int>{7, 7, 7}));
    EXPECT_EQ(pixel(sheet, 8 + 328 + 32, 8), (std::vector<int>{0x11, 0x22, 0x33}));

    const RgbImage half = MakeContactSheet(entries, true);
    EXPECT_EQ(half.width, kSheetColumns * 168 + 8);
    EXPECT_EQ(pixel(half, 8 + 2, 8 + 1), (std::vector<int>{55, 55, 55}));  // (200 + 3 x 7 + 2) / 4
    EXPECT_TRUE(MakeContactSheet(std::span(entries).subspan(1, 1), false).rgb.empty());

    const std::string path = ::testing::TempDir() + "contact_sheet_test.png";
    std::string failure;
    ASSERT_TRUE(WritePng(path.c_str(), sheet, failure)) << failure;
    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&read, path.c_str()), 0) << read.message;
    read.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(read));
    ASSERT_NE(png_image_finish_read(&read, nullptr, rgb.data(), 0, nullptr), 0) << read.message;
    EXPECT_EQ(static_cast<int>(read.width), sheet.width);
    EXPECT_EQ(rgb, sheet.rgb);
    std::remove(path.c_str());
    EXPECT_FALSE(WritePng("/nonexistent/sheet.png", sheet, failure));
}

}  // namespace
}  // namespace qx::test
