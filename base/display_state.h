// The display's description: the framebuffer's size and depth as start-up chose them, and whether
// the window exists and covers the screen. Written by the host's window code, read by every layer
// that lays out pixels on the framebuffer (the text renderer, the presentation).
#pragma once

#include <cstdint>

namespace qx {

struct DisplayState {
    uint32_t width = 0;   // framebuffer width
    uint32_t height = 0;  // framebuffer height (200, or 224 with "/w")
    int32_t depth = 0;    // -1 window, 0 automatic full screen, else full screen at that depth
    bool windowCreated = false;
    bool fullScreenNow = false;  // follows the viewer's toggles
};
extern DisplayState displayState;

}  // namespace qx
