// Objects over pictures: turning 3D objects over the grey background pictures,
// under the film finish. Flare cloud (256 flare sprites over back1), glass (an
// additive glass mesh over back3, flickering, then fading to white), twins (two
// copies of a mesh over back5 with a text strip and an echo of an older frame)
// and chrome (an environment-mapped mesh over back2, flickering white, then
// black).
#pragma once

#include <cstdint>

namespace qx {

// Flare cloud.
bool SetUpFlareCloud();
bool DrawFlareCloudFrame();
// The flare size of a point at depth z: (z - 768) >> 3 as a 32-bit number, low
// 8 bits; 0 draws nothing, points just nearer than 768 come out nearly 256
// pixels wide.
uint32_t FlareSize(int32_t depth);

// Glass; its last row enters with the fade to white (delay 4).
bool SetUpGlass();
bool DrawGlassFrame();
bool FadeGlassToWhite();

// Twins.
bool SetUpTwins();
bool DrawTwinsFrame();

// Chrome: the same frame with the white fade step, then with the black one.
bool SetUpChrome();
bool DrawChromeFrameWhite();
bool DrawChromeFrameBlack();

}  // namespace qx
