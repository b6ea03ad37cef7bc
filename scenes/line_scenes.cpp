#include "scenes/line_scenes.h"

#include <algorithm>

#include "archive/asset_catalogue.h"
#include "data/object_image.h"
#include "effects/drawing_switch.h"
#include "effects/face_list.h"
#include "effects/fades.h"
#include "effects/lines.h"
#include "effects/picture_filters.h"
#include "effects/random.h"
#include "effects/rasterisers.h"
#include "effects/transform.h"
#include "overlay/debug_overlay.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"

namespace qx {

namespace {

constexpr uint32_t kRestingLineColour = 0x222222;
constexpr uint32_t kFlashLineColour = 0xFFFFFF;
constexpr uint32_t kLineColourStep = 0x010101;  // a line flash falls back in 442 ms
constexpr uint32_t kRaysDecay = 0x101010;
constexpr uint32_t kWebTrailsDecay = 0x202020;
constexpr int32_t kPictureCentreX = 160;
constexpr int32_t kPictureCentreY = 100;
constexpr int32_t kWebNearDepth = 6000;  // string web and web over picture
constexpr int32_t kWebFarDepth = 15000;  // web trails
constexpr uint32_t kStripReload = 72;    // the strips slide every 146 ms
constexpr uint32_t kStripStep = 2;       // pixels
constexpr uint32_t kUpperStripRow = 0;   // of pictext
constexpr uint32_t kUpperStripRows = 20;
constexpr uint32_t kLowerStripRow = 20;
constexpr uint32_t kLowerStripRows = 24;
constexpr uint32_t kJitterChoices = 2;  // the picture is read from offset 0 or -1
constexpr uint8_t kWebFadeDelay = 6;    // one level every 14 ms
constexpr uint8_t kWebOverPictureLevel = 128;
constexpr uint8_t kWebOverPictureDelay = 1;

void SetAdditiveLines(uint32_t* target) {
    lineState.lineTarget = target;
    lineState.plotRoutine = PlotAdditive;
    lineState.lineColour = kRestingLineColour;
}

void ListWebAt(int32_t depth) {
    Objects().web->positionZ = depth;
    SetObjectList({Objects().camera, Objects().web});
    SetUpObjects();
}

// Every ray from a projected point of the ball to the picture centre.
void DrawRays() {
    const ObjectRecord& ball = *Objects().rays;
    const MeshVertex* projected = ImageArray<const MeshVertex>(ball.transformedVertices);
    for (int32_t i = 0; i < ball.vertexCount; ++i)
        DrawLine(projected[i].x, projected[i].y, kPictureCentreX, kPictureCentreY);
}

// Every web line: a vertex's model (x, y), taken as picture coordinates, to its projection.
void DrawWebLines() {
    const ObjectRecord& web = *Objects().web;
    const MeshVertex* model = ImageArray<const MeshVertex>(web.vertexArray);
    const MeshVertex* projected = ImageArray<const MeshVertex>(web.transformedVertices);
    for (int32_t i = 0; i < web.vertexCount; ++i)
        DrawLine(model[i].x, model[i].y, projected[i].x, projected[i].y);
}

// Rays frame steps 1 to 5: the rays into the trail buffer, its decay, the finished picture in
// the work picture.
void ComposeRays() {
    TransformObjects();
    AdvanceObjects();
    DrawRays();
    DecayTrails(sparePicture, kRaysDecay);
    CopyPicture(sparePicture, workPicture);
    ApplyFilmFinish(workPicture,
                    {.grain = true, .dimBands = true, .scratches = true, .fade = FadeStep::Black});
}

// String web frame steps 1 to 3: the web alone on black.
void ComposeStringWeb() {
    ClearPicture(workPicture);
    TransformObjects();
    AdvanceObjects();
    DrawWebLines();
}

bool FinishWhite(uint32_t* picture) {
    ApplyFilmFinish(picture,
                    {.grain = true, .dimBands = true, .scratches = true, .fade = FadeStep::White});
    return ShowPicture(picture);
}

}  // namespace

bool SetUpRays() {
    SetAdditiveLines(sparePicture);  // not cleared: the rays start over the wireframe's trails
    SetObjectList({Objects().camera, Objects().rays});
    SetUpObjects();
    RegisterTickSlot(kFadeSlot, kSceneTickReload, FadeDownTick);
    RegisterSceneCallback(FlickerStep);
    return true;
}

bool SetUpRaysThenBlackDip() {
    SetUpRays();
    return BlackDip();
}

bool DrawRaysFrame() {
    ComposeRays();
    return ShowPicture(workPicture);
}

bool DrawRaysFrameWithJitter() {
    ComposeRays();
    sceneVariables.jitterSource = static_cast<int32_t>(NextRandom(kJitterChoices)) - 1;
    // Framebuffer pixel i shows work pixel i + jitter source: with -1 the picture moves one
    // pixel on in memory order and pixel 0, which would come from before the picture, is black.
    uint32_t* framebuffer = hostSettings.framebuffer;
    if (framebuffer != nullptr && !DrawingOff()) {
        const uint32_t count = std::min(hostSettings.pixelCount, kPicturePixels);
        if (sceneVariables.jitterSource == 0) {
            std::copy_n(workPicture, count, framebuffer);
        } else if (count > 0) {
            framebuffer[0] = 0;
            std::copy_n(workPicture, count - 1, framebuffer + 1);
        }
    }
    DrawDebugOverlay();
    return true;
}

bool SetUpStringWeb() {
    rasteriserState.renderTarget = workPicture;
    SetAdditiveLines(workPicture);
    ListWebAt(kWebNearDepth);
    RegisterSceneCallback(StringWebCallback);
    return true;
}

void StringWebCallback() {
    // Grey values only; a flashed colour falls back to the resting grey and stops there.
    if (lineState.lineColour > kRestingLineColour) lineState.lineColour -= kLineColourStep;
    if (!CountdownElapsed(sceneVariables.stripCountdown, kStripReload)) return;
    sceneVariables.upperStripPosition += kStripStep;
    sceneVariables.lowerStripPosition -= kStripStep;
}

bool DrawStringWebFrameWithText() {
    ComposeStringWeb();
    DrawTextStrip(kUpperStripRow, kUpperStripRows, sceneVariables.upperStripPosition);
    DrawTextStrip(kLowerStripRow, kLowerStripRows, sceneVariables.lowerStripPosition);
    return FinishWhite(workPicture);
}

bool DrawStringWebFrame() {
    ComposeStringWeb();
    return FinishWhite(workPicture);
}

bool LineFlash() {
    lineState.lineColour = kFlashLineColour;
    return true;
}

bool FadeStringWebToWhite() {
    StartFadeUp(kWebFadeDelay);
    return true;
}

bool RestoreFadeDown() {
    UnregisterTickSlot(kFadeSlot);
    RegisterTickSlot(kFadeSlot, kSceneTickReload, FadeDownTick);
    return true;
}

bool SetUpWebOverPicture() {
    rasteriserState.renderTarget = workPicture;
    SetAdditiveLines(workPicture);
    ListWebAt(kWebNearDepth);
    SetFlash(kWebOverPictureLevel, kWebOverPictureDelay);
    return true;
}

bool DrawWebOverPictureFrame() {
    ExpandGreyPicture(assetBuffers.back4, workPicture);
    TransformObjects();
    AdvanceObjects();
    DrawWebLines();
    return FinishWhite(workPicture);
}

bool SetUpWebTrails() {
    rasteriserState.renderTarget = sparePicture;
    CopyPicture(workPicture, sparePicture);  // the wave's last picture starts the trails
    SetAdditiveLines(sparePicture);
    ListWebAt(kWebFarDepth);
    RegisterSceneCallback(FlickerStep);
    return true;
}

bool DrawWebTrailsFrame() {
    TransformObjects();
    AdvanceObjects();
    DrawWebLines();
    DrawFaceList();
    DecayTrails(sparePicture, kWebTrailsDecay);
    CopyPicture(sparePicture, workPicture);
    ApplyFilmFinish(workPicture,
                    {.grain = true, .dimBands = true, .scratches = true, .fade = FadeStep::Black});
    return ShowPicture(workPicture);
}

}  // namespace qx
