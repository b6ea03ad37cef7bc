// The two 320 x 200 pictures every scene composes in. Neither is cleared between scenes.
#pragma once

#include <cstdint>

#include "base/host_settings.h"

namespace qx {

// Rows below the picture that no scene writes and that stay black; the film roll's scroller
// reads them as rows 200 to 229 of its source.
inline constexpr uint32_t kWorkPictureSpareRows = 30;
inline constexpr uint32_t kWorkPicturePixels =
    kPicturePixels + kWorkPictureSpareRows * kPictureWidth;

extern uint32_t workPicture[kWorkPicturePixels];
extern uint32_t sparePicture[kPicturePixels];

// Copies a finished picture (the pixel count of HostSettings) into the framebuffer.
void CopyToFramebuffer(const uint32_t* picture);

}  // namespace qx
