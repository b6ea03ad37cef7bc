// HostSettings: the one statically initialised settings record that start-up fills from the
// command line and that the display, the scenes, the effects and the overlay read.
#pragma once

#include <cstdint>

#include "base/picture.h"

namespace qx {

inline constexpr uint32_t kWindowedHeight = 224;  // framebuffer rows with "/w"

inline constexpr int32_t kDepthWindow = -1;
inline constexpr int32_t kDepthAutomatic = 0;

inline constexpr uint32_t kFullScreenWindowStyle = 0x80880000;  // popup, border, system menu
inline constexpr uint32_t kWindowedWindowStyle = 0x80C80200;    // popup, caption, system menu
inline constexpr uint32_t kWindowedClassStyle = 3;              // redraw on width and height

inline constexpr char kTitle[] = "Marrowtide 2k - Tamberlinoth";

struct HostSettings {
    uint32_t displayWidth = kPictureWidth;
    uint32_t displayHeight = kPictureHeight;
    uint32_t pixelCount = kPicturePixels;  // words every scene copies into the framebuffer
    int32_t depth = kDepthAutomatic;       // -1 window, 0 automatic full screen, else bits
    uint32_t* framebuffer = nullptr;
    uint32_t renderWidth = kPictureWidth;  // row length and clip bound of the rasterisers
    uint32_t renderHeight = kPictureHeight;
    uint32_t frameRate = 0;  // frames per second over the frame loop's last window; 0 at first
    uint32_t shownFrameRate = 0;
    uint32_t timerCounter = 0;
    uint32_t shownMusicPosition = 0;
    uint32_t debugFlag = 0;  // the overlay draws only when this is exactly 1
    uint32_t windowClassStyle = 0;
    uint32_t windowStyle = kFullScreenWindowStyle;
    void (*presentRoutine)() = nullptr;  // null: the framebuffer's own PresentWithBlit
    char className[12] = "QXClassName";
    const char* title = nullptr;
};
extern HostSettings hostSettings;

}  // namespace qx
