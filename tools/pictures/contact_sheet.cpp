#include "tools/pictures/contact_sheet.h"

#include <algorithm>
#include <cstring>

#include "archive/asset_catalogue.h"
#include "data/font.h"

namespace qx {

namespace {

constexpr int kGap = 8;  // pixels between and around cells
constexpr int kLabelRows = kGlyphRows + 4;
constexpr uint8_t kBackdrop = 0x28;  // dark grey, so black picture edges stay visible
constexpr uint8_t kLabelLevel = 0xE0;
constexpr int kPictureSide = static_cast<int>(kPictureWidth);  // the widest picture, pixels
constexpr int kTextureRows = static_cast<int>(kTextureSize);   // the tallest picture, pixels

// The entry as an RGB picture; false when its size is no picture format.
bool Unpack(const SheetEntry& entry, RgbImage& picture) {
    const size_t size = entry.bytes.size();
    const bool grey = size == kGreyPictureBytes;
    if (grey || size == kColourPictureBytes) {
        picture.width = kPictureSide;
        picture.height = static_cast<int>(kPictureHeight);
    } else if (size == kTextureBytes) {
        picture.width = kTextureRows;
        picture.height = kTextureRows;
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
        const GlyphRecord* found = GlyphFor(static_cast<unsigned char>(character));
        if (found != nullptr && x + kGlyphWidth <= static_cast<uint32_t>(sheet.width)) {
            const uint8_t* glyph = GlyphBits(*found);
            for (uint32_t row = 0; row < kGlyphRows; ++row)
                for (uint32_t column = 0; column < kGlyphWidth; ++column)
                    if (glyph[row * kGlyphWidth + column] != 0)
                        std::memset(&sheet.rgb[((top + row) * sheet.width + x + column) * 3],
                                    kLabelLevel, 3);
        }
        x += kGlyphWidth;
    }
}

}  // namespace

RgbImage MakeContactSheet(std::span<const SheetEntry> entries, bool halve) {
    std::vector<std::pair<const SheetEntry*, RgbImage>> pictures;
    for (const SheetEntry& entry : entries) {
        RgbImage picture;
        if (!Unpack(entry, picture)) continue;
        pictures.emplace_back(&entry, halve ? HalveImage(picture) : std::move(picture));
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

}  // namespace qx
