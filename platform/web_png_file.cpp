// The browser build writes no files a viewer could find: a PNG picture (F12) is offered as a
// download under its file name instead, encoded by the browser. Without a page (the engine's
// tests under Node) nothing can be offered, and the cause says so.
#include <emscripten.h>

#include <string>

#include "platform/png_file.h"

namespace {

// 1 when the page took the picture; 0 without a document. (JavaScript: kept from clang-format.)
// clang-format off
EM_JS(int, OfferPictureDownload,
      (const char* name, const unsigned char* rgb, int width, int height), {
    if (typeof document === 'undefined') return 0;
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext('2d');
    const image = context.createImageData(width, height);
    for (let i = 0; i < width * height; ++i) {
        image.data[i * 4] = HEAPU8[rgb + i * 3];
        image.data[i * 4 + 1] = HEAPU8[rgb + i * 3 + 1];
        image.data[i * 4 + 2] = HEAPU8[rgb + i * 3 + 2];
        image.data[i * 4 + 3] = 255;
    }
    context.putImageData(image, 0, 0);
    const fileName = UTF8ToString(name);
    canvas.toBlob(function(blob) {
        const link = document.createElement('a');
        link.href = URL.createObjectURL(blob);
        link.download = fileName;
        link.click();
        setTimeout(function() { URL.revokeObjectURL(link.href); }, 10000);
    }, 'image/png');
    return 1;
});
// clang-format on

}  // namespace

namespace qx {

bool WritePng(const char* path, const RgbImage& image, std::string& failure) {
    const std::string name = std::string(path).substr(std::string(path).find_last_of('/') + 1);
    if (OfferPictureDownload(name.c_str(), image.rgb.data(), image.width, image.height) == 1)
        return true;
    failure = "the browser build has no page to offer the picture on";
    return false;
}

}  // namespace qx
