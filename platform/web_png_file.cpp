// The browser build has no PNG writer: a storyboard asked of it fails with this cause.
#include "platform/png_file.h"

namespace qx {

bool WritePng(const char*, const RgbImage&, std::string& failure) {
    failure = "PNG pictures are not written by the browser build";
    return false;
}

}  // namespace qx
