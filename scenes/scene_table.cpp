#include "scenes/scene_table.h"

#include <iterator>

#include "scenes/echo_scenes.h"
#include "scenes/line_scenes.h"
#include "scenes/object_scenes.h"
#include "scenes/opening_scenes.h"
#include "scenes/picture_effect_scenes.h"
#include "scenes/scene_conventions.h"

namespace qx {

namespace {

// Music positions are order x 256 + row. Rows 3, 4 and 20 end one row before an order boundary.
// The last column marks the rows that start afresh: every picture they and the rows after them
// read is first cleared or drawn whole from loaded pictures. Not so the rays (over the
// wireframe's trails), the echoes and the twins (averaged with the spare picture as it was), the
// wave and the web trails (over the picture before them) and the water (its bottom row stays).
// clang-format off
constexpr SceneTableRow kProductionTable[] = {
    {0x0500, SetUpTitle,            DrawTitleFrame,                    ReleaseSceneSlot, true },  //  0 title
    {0x0800, SetUpWireframe,        DrawWireframeFrame,                ReleaseSceneSlot, true },  //  1 wireframe
    {0x0A00, Nothing,               DrawWireframeFrameWithFadingTitle, Nothing,          false},  //  2 wireframe
    {0x0A3F, StartLineFadeOut,      DrawWireframeFrameWithFadingTitle, ReleaseSceneSlot, false},  //  3 wireframe
    {0x0B3F, SetUpFlareCloud,       DrawFlareCloudFrame,               Nothing,          false},  //  4 flare cloud
    {0x0C20, SetUpGlass,            DrawGlassFrame,                    ReleaseSceneSlot, false},  //  5 glass
    {0x0D00, FadeGlassToWhite,      DrawGlassFrame,                    ReleaseFadeSlot,  false},  //  6 glass
    {0x0E00, SetUpRays,             DrawRaysFrame,                     ReleaseSceneSlot, false},  //  7 rays
    {0x0E20, Nothing,               DrawRaysFrameWithJitter,           ReleaseSceneSlot, false},  //  8 rays with jitter
    {0x0F00, SetUpRaysThenBlackDip, DrawRaysFrame,                     ReleaseSceneSlot, false},  //  9 rays
    {0x1000, SetUpStringWeb,        DrawStringWebFrameWithText,        Nothing,          false},  // 10 string web with text
    {0x1008, WhiteFlash,            DrawStringWebFrame,                Nothing,          false},  // 11 string web
    {0x1010, LineFlash,             DrawStringWebFrame,                Nothing,          false},  // 12 string web
    {0x1014, LineFlash,             DrawStringWebFrame,                Nothing,          false},  // 13 string web
    {0x1018, LineFlash,             DrawStringWebFrame,                Nothing,          false},  // 14 string web
    {0x1020, LineFlash,             DrawStringWebFrame,                ReleaseSceneSlot, false},  // 15 string web
    {0x1100, FadeStringWebToWhite,  DrawStringWebFrame,                RestoreFadeDown,  false},  // 16 string web
    {0x1200, SetUpGreyEcho,         DrawGreyEchoFrame,                 ReleaseSceneSlot, false},  // 17 grey echo
    {0x1300, SetUpFilmRoll,         DrawFilmRollFrame,                 ReleaseSceneSlot, true },  // 18 film roll
    {0x1400, SetUpWebOverPicture,   DrawWebOverPictureFrame,           Nothing,          true },  // 19 web over picture
    {0x143F, SetUpMorph,            DrawMorphFrame,                    ReleaseSceneSlot, true },  // 20 morph
    {0x1600, HalfFlash,             DrawMorphFrame,                    ReleaseSceneSlot, false},  // 21 morph
    {0x1800, SetUpTunnel,           DrawTunnelFrame,                   ReleaseSceneSlot, true },  // 22 tunnel
    {0x1A00, SetUpTwins,            DrawTwinsFrame,                    ReleaseSceneSlot, false},  // 23 twins
    {0x1B00, SetUpWave,             DrawWaveFrame,                     ReleaseSceneSlot, false},  // 24 wave
    {0x1C00, SetUpWebTrails,        DrawWebTrailsFrame,                ReleaseSceneSlot, false},  // 25 web trails
    {0x1D00, SetUpBump,             DrawBumpFrame,                     Nothing,          true },  // 26 bump
    {0x1D10, HalfFlash,             DrawBumpFrame,                     Nothing,          false},  // 27 bump
    {0x1D20, HalfFlash,             DrawBumpFrame,                     Nothing,          false},  // 28 bump
    {0x1D30, HalfFlash,             DrawBumpFrame,                     Nothing,          false},  // 29 bump
    {0x1D38, HalfFlash,             DrawBumpFrame,                     Nothing,          false},  // 30 bump
    {0x1D3C, HalfFlash,             DrawBumpFrame,                     Nothing,          false},  // 31 bump
    {0x1E00, HalfFlash,             DrawBumpFrame,                     ReleaseSceneSlot, false},  // 32 bump
    {0x1E10, SetUpChrome,           DrawChromeFrameWhite,              Nothing,          true },  // 33 chrome
    {0x2000, Nothing,               DrawChromeFrameBlack,              ReleaseSceneSlot, false},  // 34 chrome
    {0x2010, SetUpRotozoom,         DrawRotozoomFrameWhite,            Nothing,          true },  // 35 rotozoom
    {0x2200, Nothing,               DrawRotozoomFrameBlack,            ReleaseSceneSlot, false},  // 36 rotozoom
    {0x2400, SetUpWater,            DrawWaterFrame,                    Nothing,          false},  // 37 water
    {0x2500, FadeWaterToBlack,      DrawWaterFrame,                    ReleaseFadeSlot,  false},  // 38 water
    {kEndRowPosition, nullptr, nullptr, nullptr},
};
// clang-format on
static_assert(std::size(kProductionTable) == kSceneRowCount + 1);

// The scene each row plays, as the storyboard and the timing report name it.
constexpr const char *kRowSceneNames[kSceneRowCount] = {
    "title",      "wireframe",  "wireframe",  "wireframe",  "flare-cloud",
    "glass",      "glass",      "rays",       "rays",       "rays",
    "string-web", "string-web", "string-web", "string-web", "string-web",
    "string-web", "string-web", "grey-echo",  "film-roll",  "web-over-picture",
    "morph",      "morph",      "tunnel",     "twins",      "wave",
    "web-trails", "bump",       "bump",       "bump",       "bump",
    "bump",       "bump",       "bump",       "chrome",     "chrome",
    "rotozoom",   "rotozoom",   "water",      "water",
};

}  // namespace

const SceneTableRow *ProductionSceneTable() { return kProductionTable; }

const char *SceneRowName(uint32_t row) { return row < kSceneRowCount ? kRowSceneNames[row] : ""; }

}  // namespace qx
