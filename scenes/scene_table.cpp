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
// Each row ends with the name of the scene it plays, as the storyboard, the timing report and the
// viewer's note give it. The column before it marks the rows that start afresh: every picture
// they and the rows after them read is first cleared or drawn whole from loaded pictures. Not so the rays (over the
// wireframe's trails), the echoes and the twins (averaged with the spare picture as it was), the
// wave and the web trails (over the picture before them) and the water (its bottom row stays).
// clang-format off
constexpr SceneTableRow kProductionTable[] = {
    {0x0500, SetUpTitle,            DrawTitleFrame,                    ReleaseSceneSlot, true,  "title"},             //  0 title
    {0x0800, SetUpWireframe,        DrawWireframeFrame,                ReleaseSceneSlot, true,  "wireframe"},         //  1 wireframe
    {0x0A00, Nothing,               DrawWireframeFrameWithFadingTitle, Nothing,          false, "wireframe"},         //  2 wireframe
    {0x0A3F, StartLineFadeOut,      DrawWireframeFrameWithFadingTitle, ReleaseSceneSlot, false, "wireframe"},         //  3 wireframe
    {0x0B3F, SetUpFlareCloud,       DrawFlareCloudFrame,               Nothing,          false, "flare-cloud"},       //  4 flare cloud
    {0x0C20, SetUpGlass,            DrawGlassFrame,                    ReleaseSceneSlot, false, "glass"},             //  5 glass
    {0x0D00, FadeGlassToWhite,      DrawGlassFrame,                    ReleaseFadeSlot,  false, "glass"},             //  6 glass
    {0x0E00, SetUpRays,             DrawRaysFrame,                     ReleaseSceneSlot, false, "rays"},              //  7 rays
    {0x0E20, Nothing,               DrawRaysFrameWithJitter,           ReleaseSceneSlot, false, "rays"},              //  8 rays with jitter
    {0x0F00, SetUpRaysThenBlackDip, DrawRaysFrame,                     ReleaseSceneSlot, false, "rays"},              //  9 rays
    {0x1000, SetUpStringWeb,        DrawStringWebFrameWithText,        Nothing,          false, "string-web"},        // 10 string web with text
    {0x1008, WhiteFlash,            DrawStringWebFrame,                Nothing,          false, "string-web"},        // 11 string web
    {0x1010, LineFlash,             DrawStringWebFrame,                Nothing,          false, "string-web"},        // 12 string web
    {0x1014, LineFlash,             DrawStringWebFrame,                Nothing,          false, "string-web"},        // 13 string web
    {0x1018, LineFlash,             DrawStringWebFrame,                Nothing,          false, "string-web"},        // 14 string web
    {0x1020, LineFlash,             DrawStringWebFrame,                ReleaseSceneSlot, false, "string-web"},        // 15 string web
    {0x1100, FadeStringWebToWhite,  DrawStringWebFrame,                RestoreFadeDown,  false, "string-web"},        // 16 string web
    {0x1200, SetUpGreyEcho,         DrawGreyEchoFrame,                 ReleaseSceneSlot, false, "grey-echo"},         // 17 grey echo
    {0x1300, SetUpFilmRoll,         DrawFilmRollFrame,                 ReleaseSceneSlot, true,  "film-roll"},         // 18 film roll
    {0x1400, SetUpWebOverPicture,   DrawWebOverPictureFrame,           Nothing,          true,  "web-over-picture"},  // 19 web over picture
    {0x143F, SetUpMorph,            DrawMorphFrame,                    ReleaseSceneSlot, true,  "morph"},             // 20 morph
    {0x1600, HalfFlash,             DrawMorphFrame,                    ReleaseSceneSlot, false, "morph"},             // 21 morph
    {0x1800, SetUpTunnel,           DrawTunnelFrame,                   ReleaseSceneSlot, true,  "tunnel"},            // 22 tunnel
    {0x1A00, SetUpTwins,            DrawTwinsFrame,                    ReleaseSceneSlot, false, "twins"},             // 23 twins
    {0x1B00, SetUpWave,             DrawWaveFrame,                     ReleaseSceneSlot, false, "wave"},              // 24 wave
    {0x1C00, SetUpWebTrails,        DrawWebTrailsFrame,                ReleaseSceneSlot, false, "web-trails"},        // 25 web trails
    {0x1D00, SetUpBump,             DrawBumpFrame,                     Nothing,          true,  "bump"},              // 26 bump
    {0x1D10, HalfFlash,             DrawBumpFrame,                     Nothing,          false, "bump"},              // 27 bump
    {0x1D20, HalfFlash,             DrawBumpFrame,                     Nothing,          false, "bump"},              // 28 bump
    {0x1D30, HalfFlash,             DrawBumpFrame,                     Nothing,          false, "bump"},              // 29 bump
    {0x1D38, HalfFlash,             DrawBumpFrame,                     Nothing,          false, "bump"},              // 30 bump
    {0x1D3C, HalfFlash,             DrawBumpFrame,                     Nothing,          false, "bump"},              // 31 bump
    {0x1E00, HalfFlash,             DrawBumpFrame,                     ReleaseSceneSlot, false, "bump"},              // 32 bump
    {0x1E10, SetUpChrome,           DrawChromeFrameWhite,              Nothing,          true,  "chrome"},            // 33 chrome
    {0x2000, Nothing,               DrawChromeFrameBlack,              ReleaseSceneSlot, false, "chrome"},            // 34 chrome
    {0x2010, SetUpRotozoom,         DrawRotozoomFrameWhite,            Nothing,          true,  "rotozoom"},          // 35 rotozoom
    {0x2200, Nothing,               DrawRotozoomFrameBlack,            ReleaseSceneSlot, false, "rotozoom"},          // 36 rotozoom
    {0x2400, SetUpWater,            DrawWaterFrame,                    Nothing,          false, "water"},             // 37 water
    {0x2500, FadeWaterToBlack,      DrawWaterFrame,                    ReleaseFadeSlot,  false, "water"},             // 38 water
    {kEndRowPosition, nullptr, nullptr, nullptr},
};
// clang-format on
static_assert(std::size(kProductionTable) == kSceneRowCount + 1);

}  // namespace

const SceneTableRow *ProductionSceneTable() { return kProductionTable; }

uint32_t RowStartPosition(uint32_t row) {
    return row == 0 ? 0 : kProductionTable[row - 1].endPosition;
}

uint32_t RowAt(uint32_t position) {
    uint32_t row = 0;
    while (row + 1 < kSceneRowCount && RowStartPosition(row + 1) <= position) ++row;
    return row;
}

const char *SceneRowName(uint32_t row) {
    return row < kSceneRowCount ? kProductionTable[row].name : "";
}

}  // namespace qx
