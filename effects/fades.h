// The fade state shared by every scene and its two tick callbacks. The level moves by one every
// (fade delay + 1) calls and saturates at 0 and 255.
#pragma once

#include <cstdint>

namespace qx {

struct FadeState {
    uint8_t fadeLevel = 0;      // 0 = untouched .. 255 = fully black or white
    uint8_t fadeDelay = 0;      // extra calls between two steps of the level
    uint8_t fadeCountdown = 0;  // calls still to wait before the next step
    // The level was set by a scene's flicker pulse rather than by a flash or a fade; a show with
    // reduced flashing applies such a level gently (effects/picture_filters.h).
    bool flickerPulse = false;
};
extern FadeState fadeState;

void FadeDownTick();
void FadeUpTick();

}  // namespace qx
