#include "scenes/scene_table.h"

#include <iterator>

#include "effects/fades.h"
#include "overlay/debug_overlay.h"
#include "scenes/object_scenes.h"
#include "scenes/opening_scenes.h"
#include "scenes/scene_conventions.h"
#include "scenes/work_pictures.h"

namespace qx {

namespace {

// Until a scene is built, its frame shows the black work picture with the
// overlay on top.
bool PlaceholderFrame() {
    CopyToFramebuffer(workPicture);
    DrawDebugOverlay();
    return true;
}

// Stands in for the rays set-up until it is built: the fade slot is empty after the glass
// scene's fade to white, and every later flash needs FadeDownTick back in it.
bool PlaceholderRestoreFadeDown() {
    RegisterTickSlot(kFadeSlot, kSceneTickReload, FadeDownTick);
    return true;
}

// Music positions are order x 256 + row. Rows 3, 4 and 20 end one row before an
// order boundary.
constexpr SceneTableRow kProductionTable[] = {
    {0x0500, SetUpTitle, DrawTitleFrame, ReleaseSceneSlot},          //  0 title
    {0x0800, SetUpWireframe, DrawWireframeFrame, ReleaseSceneSlot},  //  1 wireframe
    {0x0A00, Nothing, DrawWireframeFrameWithFadingTitle, Nothing},  //  2 wireframe, title darkening
    {0x0A3F, StartLineFadeOut, DrawWireframeFrameWithFadingTitle,
     ReleaseSceneSlot},                                           //  3 wireframe, lines fading out
    {0x0B3F, SetUpFlareCloud, DrawFlareCloudFrame, Nothing},      //  4 flare cloud
    {0x0C20, SetUpGlass, DrawGlassFrame, ReleaseSceneSlot},       //  5 glass
    {0x0D00, FadeGlassToWhite, DrawGlassFrame, ReleaseFadeSlot},  //  6 glass, fade to white
    {0x0E00, PlaceholderRestoreFadeDown, PlaceholderFrame, Nothing},                 //  7 rays
    {0x0E20, Nothing, PlaceholderFrame, Nothing},                 //  8 rays with jitter
    {0x0F00, Nothing, PlaceholderFrame, Nothing},                 //  9 rays, black dip
    {0x1000, Nothing, PlaceholderFrame, Nothing},                 // 10 string web with text
    {0x1008, Nothing, PlaceholderFrame, Nothing},                 // 11 string web, white flash
    {0x1010, Nothing, PlaceholderFrame, Nothing},                 // 12 string web, line flash
    {0x1014, Nothing, PlaceholderFrame, Nothing},                 // 13 string web, line flash
    {0x1018, Nothing, PlaceholderFrame, Nothing},                 // 14 string web, line flash
    {0x1020, Nothing, PlaceholderFrame, Nothing},                 // 15 string web, line flash
    {0x1100, Nothing, PlaceholderFrame, Nothing},                 // 16 string web, fade to white
    {0x1200, Nothing, PlaceholderFrame, Nothing},                 // 17 grey echo
    {0x1300, Nothing, PlaceholderFrame, Nothing},                 // 18 film roll
    {0x1400, Nothing, PlaceholderFrame, Nothing},                 // 19 web over picture
    {0x143F, Nothing, PlaceholderFrame, Nothing},                 // 20 morph
    {0x1600, Nothing, PlaceholderFrame, Nothing},                 // 21 morph, half flash
    {0x1800, Nothing, PlaceholderFrame, Nothing},                 // 22 tunnel
    {0x1A00, SetUpTwins, DrawTwinsFrame, ReleaseSceneSlot},       // 23 twins
    {0x1B00, Nothing, PlaceholderFrame, Nothing},                 // 24 wave
    {0x1C00, Nothing, PlaceholderFrame, Nothing},                 // 25 web trails
    {0x1D00, Nothing, PlaceholderFrame, Nothing},                 // 26 bump
    {0x1D10, Nothing, PlaceholderFrame, Nothing},                 // 27 bump, half flash
    {0x1D20, Nothing, PlaceholderFrame, Nothing},                 // 28 bump, half flash
    {0x1D30, Nothing, PlaceholderFrame, Nothing},                 // 29 bump, half flash
    {0x1D38, Nothing, PlaceholderFrame, Nothing},                 // 30 bump, half flash
    {0x1D3C, Nothing, PlaceholderFrame, Nothing},                 // 31 bump, half flash
    {0x1E00, Nothing, PlaceholderFrame, Nothing},                 // 32 bump, half flash
    {0x1E10, SetUpChrome, DrawChromeFrameWhite, Nothing},         // 33 chrome, white
    {0x2000, Nothing, DrawChromeFrameBlack, ReleaseSceneSlot},    // 34 chrome, black
    {0x2010, Nothing, PlaceholderFrame, Nothing},                 // 35 rotozoom, white
    {0x2200, Nothing, PlaceholderFrame, Nothing},                 // 36 rotozoom, black
    {0x2400, Nothing, PlaceholderFrame, Nothing},                 // 37 water
    {0x2500, Nothing, PlaceholderFrame, Nothing},                 // 38 water, fade to black
    {kEndRowPosition, nullptr, nullptr, nullptr},
};
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
