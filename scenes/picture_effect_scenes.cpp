#include "scenes/picture_effect_scenes.h"

#include <algorithm>

#include "archive/asset_catalogue.h"
#include "effects/bump_water.h"
#include "effects/picture_filters.h"
#include "effects/precalculation.h"
#include "effects/random.h"
#include "effects/rasterisers.h"
#include "effects/rotozoom_plasma.h"
#include "effects/tunnel.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"

namespace qx {

namespace {

// Countdown reloads in callback firings (2 ms each): a step every 2 x (reload + 1) ms.
constexpr uint32_t kTunnelReload = 8;  // tunnel and interference advance every 18 ms
constexpr uint32_t kClimbReload = 72;  // the wave's strip climbs every 146 ms
constexpr uint32_t kLightReload = 16;  // the light moves every 34 ms
constexpr uint32_t kCreepReload = 2;   // counted in light steps: the strip creeps every 102 ms
constexpr uint32_t kZoomReload = 42;   // the rotozoom turns and zooms every 86 ms

// Text strips: rows of pictext from a first row, onto the work picture at a pixel offset.
constexpr uint32_t kTunnelStripRow = 112;
constexpr uint32_t kTunnelStripRows = 25;
constexpr uint32_t kTunnelStripOffset = 130 * kPictureWidth;  // row 130, column 0
constexpr uint32_t kClimbStripRow = 154;
constexpr uint32_t kClimbStripRows = 25;
constexpr uint32_t kClimbStepPixels = kPictureWidth - 1;  // one row up, one column right
constexpr uint32_t kCreepStripRow = 95;
constexpr uint32_t kCreepStripRows = 17;
constexpr uint32_t kCreepStepPixels = 1;  // one column right

// The light indices run through the 256 entries of the light sine tables, B twice as fast as A.
constexpr uint32_t kLightIndexMask = kLightSineEntries - 1;
constexpr uint32_t kLightIndexStepA = 1;
constexpr uint32_t kLightIndexStepB = 2;
// Added to the table values before they are cut to bytes: the light column runs -100 .. 40,
// the light row 240 .. 320, that is 240 .. 255 and then 0 .. 64.
constexpr int32_t kLightColumnOffset = -100;
constexpr int32_t kLightRowOffset = 240;

constexpr uint32_t kBlackTopRows = 2;

constexpr uint8_t kWaterFadeDelay = 4;       // black in 2.55 s
constexpr uint32_t kWaterSeedHeights = 200;  // seed heights 0 .. 199

// The whole film finish with the scene's fade step, then the copy, ending every frame here.
bool FinishAndShow(FadeStep fade) {
    ApplyFilmFinish(workPicture,
                    {.grain = true, .dimBands = true, .scratches = true, .fade = fade});
    return ShowPicture(workPicture);
}

// Light column and light row from the current light indices, both bytes that wrap.
void PlaceBumpLight() {
    const SceneVariables &v = sceneVariables;
    bumpState.lightColumn =
        static_cast<uint8_t>(lightSineTableA[v.lightIndexA] + kLightColumnOffset);
    bumpState.lightRow = static_cast<uint8_t>(lightSineTableB[v.lightIndexB] + kLightRowOffset);
}

// The two top rows, the bottom row and the outermost columns of every row to 0.
void DrawBlackFrame(uint32_t *picture) {
    std::fill_n(picture, kBlackTopRows * kPictureWidth, 0u);
    std::fill_n(picture + (kPictureHeight - 1) * kPictureWidth, kPictureWidth, 0u);
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        picture[y * kPictureWidth] = 0;
        picture[y * kPictureWidth + kPictureWidth - 1] = 0;
    }
}

bool DrawRotozoomFrame(FadeStep fade) {
    BuildRotozoomTables();
    DrawRotozoom(assetBuffers.texture5, workPicture);
    return FinishAndShow(fade);
}

}  // namespace

bool SetUpTunnel() {
    rasteriserState.renderTarget = workPicture;
    RegisterSceneCallback(TunnelCallback);
    WhiteFlash();
    return true;
}

void TunnelCallback() {
    if (!CountdownElapsed(sceneVariables.tunnelCountdown, kTunnelReload)) return;
    AdvanceInterference();
    AdvanceTunnel();
}

bool DrawTunnelFrame() {
    DrawInterference(assetBuffers.texture4, workPicture);
    DrawTunnel(assetBuffers.texture4, sparePicture);
    AveragePictures(sparePicture, workPicture, workPicture);
    DrawTextStrip(kTunnelStripRow, kTunnelStripRows, kTunnelStripOffset);
    return FinishAndShow(FadeStep::White);
}

bool SetUpWave() {
    RegisterSceneCallback(WaveCallback);
    return true;
}

void WaveCallback() {
    FlickerStep();
    if (!CountdownElapsed(sceneVariables.climbCountdown, kClimbReload)) return;
    sceneVariables.climbingStripPosition -= kClimbStepPixels;
}

bool DrawWaveFrame() {
    // Half the pixels, in a checkerboard; the other half keep the last finished picture.
    DrawTablePlasma(assetBuffers.texture6, workPicture);
    DrawTextStrip(kClimbStripRow, kClimbStripRows, sceneVariables.climbingStripPosition);
    return FinishAndShow(FadeStep::Black);
}

bool SetUpBump() {
    WhiteFlash();
    RegisterSceneCallback(BumpCallback);
    return true;
}

void BumpCallback() {
    SceneVariables &v = sceneVariables;
    if (!CountdownElapsed(v.lightCountdown, kLightReload)) return;
    v.lightIndexA = (v.lightIndexA + kLightIndexStepA) & kLightIndexMask;
    v.lightIndexB = (v.lightIndexB + kLightIndexStepB) & kLightIndexMask;
    if (CountdownElapsed(v.creepCountdown, kCreepReload))
        v.creepingStripPosition += kCreepStepPixels;
}

bool DrawBumpFrame() {
    PlaceBumpLight();
    DrawBumpLight(assetBuffers.picbump, slopeMaps, assetBuffers.flarebmp, workPicture);
    DrawBlackFrame(workPicture);
    DrawTextStrip(kCreepStripRow, kCreepStripRows, sceneVariables.creepingStripPosition);
    return FinishAndShow(FadeStep::White);
}

bool SetUpRotozoom() {
    RegisterSceneCallback(RotozoomCallback);
    WhiteFlash();
    return true;
}

void RotozoomCallback() {
    FlickerStep();
    if (CountdownElapsed(sceneVariables.zoomCountdown, kZoomReload)) AdvanceRotozoom();
}

bool DrawRotozoomFrameWhite() { return DrawRotozoomFrame(FadeStep::White); }
bool DrawRotozoomFrameBlack() { return DrawRotozoomFrame(FadeStep::Black); }

bool SetUpWater() {
    // Field A is the current field from start-up until the first water step.
    for (int16_t &height : waterFieldA)
        height = static_cast<int16_t>(NextRandom(kWaterSeedHeights));
    return true;
}

bool DrawWaterFrame() {
    StepAndDrawWater(assetBuffers.piclogo, workPicture);
    return FinishAndShow(FadeStep::Black);
}

bool FadeWaterToBlack() {
    StartFadeUp(kWaterFadeDelay);
    return true;
}

}  // namespace qx
