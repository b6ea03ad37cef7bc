#include "tools/contact_sheet.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "archive/asset_catalogue.h"
#include "data/font.h"

namespace qx {

namespace {

constexpr int kGap = 8;  // pixels between and around cells
constexpr int kLabelRows = kGlyphRows + 4;
constexpr uint8_t kBackdrop = 0x28;  // dark grey, so black picture edges stay visible
constexpr uint8_t kLabelLevel = 0xE0;
constexpr int kPictureSide = 320;  // the widest picture, pixels
constexpr int kTextureRows = 256;  // the tallest picture, pixels

// The entry as an RGB picture; false when its size is no picture format.
bool Unpack(const SheetEntry& entry, RgbImage& picture) {
    const size_t size = entry.bytes.size();
    const bool grey = size == kGreyPictureSize;
    if (grey || size == kColourPicturePixels * 4) {
        picture.width = 320;
        picture.height = 200;
    } else if (size == kTexturePixels * 4) {
        picture.width = 256;
        picture.height = 256;
    } else {
        return false;
    }
    const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    picture.rgb.resize(pixels * 3);
    for (size_t p = 0; p < pixels; ++p) {
        for (size_t channel = 0; channel < 3; ++channel) {
            // Words are stored blue byte first: red is byte 2.
            picture.rgb[3 * p + channel] = grey ? entry.bytes[p] : entry.bytes[4 * p + 2 - channel];
        }
    }
    return true;
}

RgbImage Halve(const RgbImage& picture) {
    RgbImage half{picture.width / 2, picture.height / 2, {}};
    half.rgb.resize(static_cast<size_t>(half.width * half.height * 3));
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                int sum = 2;  // rounds the mean to nearest
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += picture.rgb[static_cast<size_t>(
                            ((2 * y + dy) * picture.width + 2 * x + dx) * 3 + channel)];
                half.rgb[static_cast<size_t>((y * half.width + x) * 3 + channel)] =
                    static_cast<uint8_t>(sum / 4);
            }
        }
    }
    return half;
}

void Blit(const RgbImage& picture, RgbImage& sheet, int left, int top) {
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&sheet.rgb[static_cast<size_t>(((top + y) * sheet.width + left) * 3)],
                    &picture.rgb[static_cast<size_t>(y * picture.width * 3)],
                    static_cast<size_t>(picture.width * 3));
}

// Text in the overlay font; letters come out in lower case, as the font has them.
void Label(const std::string& text, RgbImage& sheet, int left, int top) {
    int x = left;
    for (const char character : text) {
        uint32_t code = static_cast<unsigned char>(character);
        if (code >= kFirstGlyphCode + kGlyphCount) code -= 0x20;
        if (code >= kFirstGlyphCode && code < kFirstGlyphCode + kGlyphCount &&
            x + kGlyphWidth <= static_cast<uint32_t>(sheet.width)) {
            const uint8_t* glyph = &kGlyphBitmaps[(code - kFirstGlyphCode) * kGlyphBytes];
            for (uint32_t row = 0; row < kGlyphRows; ++row)
                for (uint32_t column = 0; column < kGlyphWidth; ++column)
                    if (glyph[row * kGlyphWidth + column] != 0)
                        std::memset(&sheet.rgb[((top + row) * sheet.width + x + column) * 3],
                                    kLabelLevel, 3);
        }
        x += kGlyphWidth;
    }
}

// libpng reports failures by a long jump back into this frame, which therefore holds nothing
// that needs destroying. The sheet is written once and kept, so it is compressed hard.
bool WritePngStream(std::FILE* file, const RgbImage& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, Z_BEST_COMPRESSION);
    png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);  // smaller than libpng's choice here
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, &image.rgb[static_cast<size_t>(y * image.width * 3)]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

RgbImage MakeContactSheet(std::span<const SheetEntry> entries, bool halve) {
    std::vector<std::pair<const SheetEntry*, RgbImage>> pictures;
    for (const SheetEntry& entry : entries) {
        RgbImage picture;
        if (!Unpack(entry, picture)) continue;
        pictures.emplace_back(&entry, halve ? Halve(picture) : std::move(picture));
    }
    if (pictures.empty()) return {};
    const int scale = halve ? 2 : 1;
    const int cellWidth = kPictureSide / scale + kGap;
    const int cellHeight = kTextureRows / scale + kLabelRows + kGap;
    const int rows = (static_cast<int>(pictures.size()) + kSheetColumns - 1) / kSheetColumns;
    RgbImage sheet{kSheetColumns * cellWidth + kGap, rows * cellHeight + kGap, {}};
    sheet.rgb.assign(static_cast<size_t>(sheet.width * sheet.height * 3), kBackdrop);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const auto& [entry, picture] = pictures[i];
        const int left = kGap + static_cast<int>(i % kSheetColumns) * cellWidth;
        const int top = kGap + static_cast<int>(i / kSheetColumns) * cellHeight;
        Blit(picture, sheet, left + (cellWidth - kGap - picture.width) / 2, top);
        Label(std::to_string(entry->entryNumber) + " " + entry->name, sheet, left,
              top + picture.height + 2);
    }
    return sheet;
}

bool WritePng(const char* path, const RgbImage& image, std::string& failure) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        failure = "cannot open the file";
        return false;
    }
    const bool written = WritePngStream(file, image);
    if (std::fclose(file) != 0 || !written) {
        failure = "cannot write the file";
        return false;
    }
    return true;
}

}  // namespace qx
