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
// clang-format off
constexpr SceneTableRow kProductionTable[] = {
    {0x0500, SetUpTitle,            DrawTitleFrame,                    ReleaseSceneSlot},  //  0 title
    {0x0800, SetUpWireframe,        DrawWireframeFrame,                ReleaseSceneSlot},  //  1 wireframe
    {0x0A00, Nothing,               DrawWireframeFrameWithFadingTitle, Nothing},           //  2 wireframe
    {0x0A3F, StartLineFadeOut,      DrawWireframeFrameWithFadingTitle, ReleaseSceneSlot},  //  3 wireframe
    {0x0B3F, SetUpFlareCloud,       DrawFlareCloudFrame,               Nothing},           //  4 flare cloud
    {0x0C20, SetUpGlass,            DrawGlassFrame,                    ReleaseSceneSlot},  //  5 glass
    {0x0D00, FadeGlassToWhite,      DrawGlassFrame,                    ReleaseFadeSlot},   //  6 glass
    {0x0E00, SetUpRays,             DrawRaysFrame,                     ReleaseSceneSlot},  //  7 rays
    {0x0E20, Nothing,               DrawRaysFrameWithJitter,           ReleaseSceneSlot},  //  8 rays with jitter
    {0x0F00, SetUpRaysThenBlackDip, DrawRaysFrame,                     ReleaseSceneSlot},  //  9 rays
    {0x1000, SetUpStringWeb,        DrawStringWebFrameWithText,        Nothing},           // 10 string web with text
    {0x1008, WhiteFlash,            DrawStringWebFrame,                Nothing},           // 11 string web
    {0x1010, LineFlash,             DrawStringWebFrame,                Nothing},           // 12 string web
    {0x1014, LineFlash,             DrawStringWebFrame,                Nothing},           // 13 string web
    {0x1018, LineFlash,             DrawStringWebFrame,                Nothing},           // 14 string web
    {0x1020, LineFlash,             DrawStringWebFrame,                ReleaseSceneSlot},  // 15 string web
    {0x1100, FadeStringWebToWhite,  DrawStringWebFrame,                RestoreFadeDown},   // 16 string web
    {0x1200, SetUpGreyEcho,         DrawGreyEchoFrame,                 ReleaseSceneSlot},  // 17 grey echo
    {0x1300, SetUpFilmRoll,         DrawFilmRollFrame,                 ReleaseSceneSlot},  // 18 film roll
    {0x1400, SetUpWebOverPicture,   DrawWebOverPictureFrame,           Nothing},           // 19 web over picture
    {0x143F, SetUpMorph,            DrawMorphFrame,                    ReleaseSceneSlot},  // 20 morph
    {0x1600, HalfFlash,             DrawMorphFrame,                    ReleaseSceneSlot},  // 21 morph
    {0x1800, SetUpTunnel,           DrawTunnelFrame,                   ReleaseSceneSlot},  // 22 tunnel
    {0x1A00, SetUpTwins,            DrawTwinsFrame,                    ReleaseSceneSlot},  // 23 twins
    {0x1B00, SetUpWave,             DrawWaveFrame,                     ReleaseSceneSlot},  // 24 wave
    {0x1C00, SetUpWebTrails,        DrawWebTrailsFrame,                ReleaseSceneSlot},  // 25 web trails
    {0x1D00, SetUpBump,             DrawBumpFrame,                     Nothing},           // 26 bump
    {0x1D10, HalfFlash,             DrawBumpFrame,                     Nothing},           // 27 bump
    {0x1D20, HalfFlash,             DrawBumpFrame,                     Nothing},           // 28 bump
    {0x1D30, HalfFlash,             DrawBumpFrame,                     Nothing},           // 29 bump
    {0x1D38, HalfFlash,             DrawBumpFrame,                     Nothing},           // 30 bump
    {0x1D3C, HalfFlash,             DrawBumpFrame,                     Nothing},           // 31 bump
    {0x1E00, HalfFlash,             DrawBumpFrame,                     ReleaseSceneSlot},  // 32 bump
    {0x1E10, SetUpChrome,           DrawChromeFrameWhite,              Nothing},           // 33 chrome
    {0x2000, Nothing,               DrawChromeFrameBlack,              ReleaseSceneSlot},  // 34 chrome
    {0x2010, SetUpRotozoom,         DrawRotozoomFrameWhite,            Nothing},           // 35 rotozoom
    {0x2200, Nothing,               DrawRotozoomFrameBlack,            ReleaseSceneSlot},  // 36 rotozoom
    {0x2400, SetUpWater,            DrawWaterFrame,                    Nothing},           // 37 water
    {0x2500, FadeWaterToBlack,      DrawWaterFrame,                    ReleaseFadeSlot},   // 38 water
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
