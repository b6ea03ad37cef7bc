// The recipes behind the generated entries, as planes of grey levels 0..255 (colour textures as
// three planes). Pictures are 320 x 200, textures 256 x 256 and periodic: every texture is made
// of patterns with period 1 in texture units, or is black towards its edges.
#pragma once

#include <string>

#include "base/picture.h"
#include "tools/pictures/procedural.h"

namespace qx {

inline constexpr int kPictureColumns = static_cast<int>(kPictureWidth);
inline constexpr int kPictureRows = static_cast<int>(kPictureHeight);
inline constexpr int kTextureSide = static_cast<int>(kTextureSize);

struct ColourPlanes {
    Plane red;
    Plane green;
    Plane blue;
};

// Pictures. The lettered ones fail when their fonts cannot be used.
bool MakeTitlePicture(Plane& grey, std::string& failure);  // title8
// The program's icon, size x size: the title's disc and a raised M (not in the archive).
bool MakeIconPicture(int size, Plane& grey, std::string& failure);
Plane MakeCloudBackground();                                 // back1
Plane MakeStreakBackground();                                // back2
Plane MakeDarkBackground();                                  // back3, levels 0..31
bool MakeTextBackground(Plane& grey, std::string& failure);  // back4
Plane MakeBarBackground();                                   // back5
bool MakeTextStrips(Plane& grey, std::string& failure);      // pictext
Plane MakeBumpHeights();                                     // picbump8, and picbump in grey
bool MakeLogoPicture(Plane& grey, std::string& failure);     // piclogo

// Textures.
ColourPlanes MakeRedFlare();      // flare
Plane MakeStarFlare();            // flarebbw
Plane MakeLightSpot();            // flarebmp
Plane MakeContrastMarble();       // texture1
ColourPlanes MakeBrightSwirls();  // texture2
ColourPlanes MakeColourSwirl();   // texture3
Plane MakeTunnelMarble();         // texture4
Plane MakeSoftClouds();           // texture5
Plane MakeGreyMarble();           // texture6 and texture8
Plane MakeMarbleDetail();         // texture7

}  // namespace qx
