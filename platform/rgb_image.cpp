// RGB images from pixels and their 2 x 2 reduction, on every platform (the PNG writer is the
// desktop's).
#include "platform/png_file.h"

namespace qx {

RgbImage ImageOfPixels(const uint32_t* pixels, int width, int height) {
    RgbImage image{width, height, {}};
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    image.rgb.resize(count * 3);
    for (size_t i = 0; i < count; ++i) {
        image.rgb[i * 3] = static_cast<uint8_t>(pixels[i] >> 16);
        image.rgb[i * 3 + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        image.rgb[i * 3 + 2] = static_cast<uint8_t>(pixels[i]);
    }
    return image;
}

RgbImage HalveImage(const RgbImage& image) {
    RgbImage half{image.width / 2, image.height / 2, {}};
    half.rgb.resize(static_cast<size_t>(half.width * half.height * 3));
    for (int y = 0; y < half.height; ++y) {
        const uint8_t* upper = &image.rgb[static_cast<size_t>(2 * y * image.width * 3)];
        const uint8_t* lower = upper + static_cast<size_t>(image.width * 3);
        uint8_t* out = &half.rgb[static_cast<size_t>(y * half.width * 3)];
        for (int i = 0; i < half.width * 3; ++i) {
            const int left = (i / 3) * 6 + i % 3;  // byte of the block's left pixel
            out[i] = static_cast<uint8_t>(
                (upper[left] + upper[left + 3] + lower[left] + lower[left + 3] + 2) / 4);
        }
    }
    return half;
}

}  // namespace qx
