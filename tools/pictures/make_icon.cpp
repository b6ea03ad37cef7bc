// qx_make_icon SIZE OUT.png: the program's icon, SIZE pixels square, as an RGB PNG (the menu entry
// shows it; the build makes it at 48, 128 and 256 pixels).
//
// Exit codes: 0 success; 1 the font or the output failed, with one line on standard error; 64 a
// usage error.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/error_code.h"
#include "platform/png_file.h"
#include "tools/pictures/picture_recipes.h"

int main(int argc, char** argv) {
    using namespace qx;
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: qx_make_icon SIZE OUT.png   (SIZE 16 to 1024)\n");
        return kExitUsage;
    }
    Plane grey;
    std::string failure;
    if (!MakeIconPicture(size, grey, failure)) {
        std::fprintf(stderr, "qx_make_icon: %s\n", failure.c_str());
        return 1;
    }
    const std::vector<uint8_t> levels = GreyBytes(grey);
    RgbImage image{size, size, {}};
    for (const uint8_t level : levels) image.rgb.insert(image.rgb.end(), {level, level, level});
    if (!WritePng(argv[2], image, failure)) {
        std::fprintf(stderr, "qx_make_icon: %s: %s\n", argv[2], failure.c_str());
        return 1;
    }
    return 0;
}
