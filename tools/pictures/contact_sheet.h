// A contact sheet of an archive's pictures and textures, for people to look at: every entry
// whose decoded size is a picture format (grey picture, colour picture, texture) in entry order,
// in a grid on dark grey, each with its entry number and name underneath, for WritePng.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/png_file.h"

namespace qx {

struct SheetEntry {
    uint32_t entryNumber = 0;
    std::string name;            // without the ".~" ending
    std::vector<uint8_t> bytes;  // decoded
};

inline constexpr int kSheetColumns = 4;

// The sheet of the picture entries (others are left out); `halve` shows every picture at half
// size, each pixel the mean of a 2 x 2 block. No picture entries give an empty image.
RgbImage MakeContactSheet(std::span<const SheetEntry> entries, bool halve);

}  // namespace qx
