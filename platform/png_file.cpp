#include "platform/png_file.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/os_services.h"

namespace qx {

namespace {

// libpng reports failures by a long jump back into this frame, which therefore holds nothing
// that needs destroying.
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

bool WritePng(const char* path, const RgbImage& image, std::string& failure) {
    std::FILE* file = os::OpenStandardFile(path, "wb");
    if (file == nullptr) {
        failure = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    const bool written = WritePngStream(file, image);
    const bool closed = std::fclose(file) == 0;
    if (!closed)
        failure = std::string("cannot write the file: ") + std::strerror(errno);
    else if (!written)
        failure = "cannot write the file";
    return written && closed;
}

}  // namespace qx
