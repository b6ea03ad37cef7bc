#include "scenes/object_scenes.h"

#include "archive/asset_catalogue.h"
#include "data/object_image.h"
#include "effects/face_list.h"
#include "effects/picture_filters.h"
#include "effects/rasterisers.h"
#include "effects/transform.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"

namespace qx {

namespace {

constexpr int32_t kFlareNearDepth = 768;  // depth of a flare of size 0
constexpr uint32_t kFlareDepthShift = 3;  // one pixel of size per 8 units of depth
constexpr uint32_t kFlareSizeMask = 0xFF;
constexpr uint8_t kGlassFadeDelay = 4;    // white in 2.55 s
constexpr uint32_t kTwinsEchoPeriod = 8;  // frames between two echo copies
constexpr uint32_t kTwinsStripRow = 137;  // of pictext
constexpr uint32_t kTwinsStripRows = 17;
constexpr uint32_t kTwinsStripOffset = 180 * 320 + 150;  // mid-row: the strip wraps one row lower

// Background, then the listed objects turned, advanced and their faces drawn
// over it.
void DrawObjectsOver(const uint8_t *background) {
    ExpandGreyPicture(background, workPicture);
    TransformObjects();
    AdvanceObjects();
    DrawFaceList();
}

bool DrawChromeFrame(FadeStep fade) {
    DrawObjectsOver(assetBuffers.back2);
    ApplyFilmFinish(workPicture,
                    {.grain = true, .dimBands = true, .scratches = true, .fade = fade});
    return ShowPicture(workPicture);
}

}  // namespace

uint32_t FlareSize(int32_t depth) {
    const uint32_t nearness = static_cast<uint32_t>(depth) - static_cast<uint32_t>(kFlareNearDepth);
    return (nearness >> kFlareDepthShift) & kFlareSizeMask;
}

bool SetUpFlareCloud() {
    WhiteFlash();
    rasteriserState.renderTarget = workPicture;
    SetObjectList({Objects().camera, Objects().flareCloud});
    SetUpObjects();
    return true;
}

bool DrawFlareCloudFrame() {
    ExpandGreyPicture(assetBuffers.back1, workPicture);
    TransformObjects();
    AdvanceObjects();
    const ObjectRecord &cloud = *Objects().flareCloud;
    const MeshVertex *points = ImageArray<const MeshVertex>(cloud.transformedVertices);
    for (int32_t i = 0; i < cloud.vertexCount; ++i) {
        const uint32_t size = FlareSize(points[i].z);
        if (size != 0)
            DrawAdditiveSprite(assetBuffers.flarebbw, points[i].x, points[i].y, size, workPicture);
    }
    ApplyFilmFinish(workPicture, {.grain = true, .dimBands = true, .fade = FadeStep::White});
    return ShowPicture(workPicture);
}

bool SetUpGlass() {
    WhiteFlash();
    rasteriserState.renderTarget = workPicture;
    SetObjectList({Objects().camera, Objects().glass});
    SetUpObjects();
    RegisterSceneCallback(FlickerStep);
    return true;
}

bool DrawGlassFrame() {
    DrawObjectsOver(assetBuffers.back3);
    ApplyFilmFinish(workPicture, {.grain = true, .dimBands = true, .fade = FadeStep::White});
    return ShowPicture(workPicture);
}

bool FadeGlassToWhite() {
    StartFadeUp(kGlassFadeDelay);
    return true;
}

bool SetUpTwins() {
    rasteriserState.renderTarget = workPicture;
    SetObjectList({Objects().camera, Objects().twinA, Objects().twinB});
    SetUpObjects();
    RegisterSceneCallback(FlickerStep);
    return true;
}

bool DrawTwinsFrame() {
    StepEcho(sceneVariables.twinsEchoCounter, kTwinsEchoPeriod);
    DrawObjectsOver(assetBuffers.back5);
    DrawTextStrip(kTwinsStripRow, kTwinsStripRows, kTwinsStripOffset);
    ApplyFilmFinish(workPicture, {.grain = true, .dimBands = true, .scratches = true});
    AveragePictures(sparePicture, workPicture, workPicture);
    ApplyFadeStep(workPicture, FadeStep::Black);
    return ShowPicture(workPicture);
}

bool SetUpChrome() {
    rasteriserState.renderTarget = workPicture;
    SetObjectList({Objects().camera, Objects().chrome});
    SetUpObjects();
    RegisterSceneCallback(FlickerStep);
    WhiteFlash();
    return true;
}

bool DrawChromeFrameWhite() { return DrawChromeFrame(FadeStep::White); }
bool DrawChromeFrameBlack() { return DrawChromeFrame(FadeStep::Black); }

}  // namespace qx
