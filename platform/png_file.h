// Pictures for people to look at: an RGB image record, its 2 x 2 reduction and a PNG writer on
// libpng. Linked into the program and the tools that write such pictures, never into the engine,
// which only fills the record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, red first, rows top first
};

// A picture of 0x00RRGGBB pixels, rows packed, as an RGB image.
RgbImage ImageOfPixels(const uint32_t* pixels, int width, int height);

// Half the width and height (an odd last column or row is dropped), each pixel the mean of a
// 2 x 2 block rounded to nearest.
RgbImage HalveImage(const RgbImage& image);

// Writes the image as an 8-bit RGB PNG, compressed hard: these pictures are written once and
// kept. On failure `failure` names the cause.
bool WritePng(const char* path, const RgbImage& image, std::string& failure);

}  // namespace qx
