#include "scenes/work_pictures.h"

#include <algorithm>

#include "effects/drawing_switch.h"

namespace qx {

alignas(64) uint32_t workPicture[kWorkPicturePixels];
alignas(64) uint32_t sparePicture[kPicturePixels];

void CopyToFramebuffer(const uint32_t* picture) {
    if (hostSettings.framebuffer == nullptr || DrawingOff()) return;
    std::copy_n(picture, std::min(hostSettings.pixelCount, kPicturePixels),
                hostSettings.framebuffer);
}

}  // namespace qx
