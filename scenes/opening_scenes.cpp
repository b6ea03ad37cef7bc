#include "scenes/opening_scenes.h"

#include <cstring>

#include "archive/asset_catalogue.h"
#include "data/object_image.h"
#include "effects/fades.h"
#include "effects/lines.h"
#include "effects/picture_filters.h"
#include "effects/rasterisers.h"
#include "effects/transform.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"

namespace qx {

namespace {

constexpr uint32_t kFocusPasses = 92;           // smear passes of the first title frames
constexpr uint32_t kFocusReload = 128;          // one pass less every 258 ms
constexpr uint8_t kTitleFadeDelay = 62;         // fade in from black, one level every 126 ms
constexpr uint32_t kLineFadeInReload = 512;     // line colour one grey level up every 1,026 ms
constexpr uint32_t kLineFadeOutReload = 256;    // ... and down every 514 ms
constexpr uint32_t kLineColourStep = 0x010101;  // one grey level
constexpr uint32_t kBrightestLine = 0x202020;
constexpr uint32_t kWireframeDecay = 0x050505;  // a still line fades out within 51 frames

// The wireframe frame before its finish: the mesh's edges added into the trail
// buffer (the spare picture), which decays at once, laid over the unsmeared
// title.
void ComposeWireframe() {
    TransformObjects();
    AdvanceObjects();
    ExpandGreyPicture(assetBuffers.title8, workPicture);
    const ObjectRecord &object = *Objects().wireframe;
    const MeshVertex *projected = ImageArray<const MeshVertex>(object.transformedVertices);
    const MeshEdge *edges = ImageArray<const MeshEdge>(object.edgeArray);
    for (int32_t i = 0; i < object.edgeCount; ++i) {
        const MeshVertex &from = VertexAt(projected, edges[i].a);
        const MeshVertex &to = VertexAt(projected, edges[i].b);
        DrawLine(from.x, from.y, to.x, to.y);
    }
    DecayTrails(sparePicture, kWireframeDecay);
    AddPicturesSaturated(sparePicture, workPicture, workPicture);
    AddFilmGrain(workPicture);
}

}  // namespace

bool SetUpTitle() {
    SetFlash(255, kTitleFadeDelay);
    sceneVariables.focusPasses = kFocusPasses;
    RegisterSceneCallback(FocusCallback);
    return true;
}

void FocusCallback() {
    if (!CountdownElapsed(sceneVariables.focusCountdown, kFocusReload)) return;
    if (sceneVariables.focusPasses > 0) --sceneVariables.focusPasses;
}

bool DrawTitleFrame() {
    // The spare picture's first 64,000 bytes hold the grey copy that is smeared.
    uint8_t *grey = reinterpret_cast<uint8_t *>(sparePicture);
    std::memcpy(grey, assetBuffers.title8, kGreyPictureBytes);
    for (uint32_t pass = 0; pass < sceneVariables.focusPasses; ++pass) SmearDiagonal(grey, grey);
    ExpandGreyPicture(grey, workPicture);
    ApplyFilmFinish(workPicture, {.grain = true, .fade = FadeStep::Black});
    return ShowPicture(workPicture);
}

bool SetUpWireframe() {
    rasteriserState.renderTarget = workPicture;
    ClearPicture(sparePicture);
    lineState.lineTarget = sparePicture;
    lineState.plotRoutine = PlotAdditive;
    lineState.lineColour = 0;
    SetObjectList({Objects().camera, Objects().wireframe});
    SetUpObjects();
    RegisterSceneCallback(LineFadeInCallback);
    return true;
}

void LineFadeInCallback() {
    if (!CountdownElapsed(sceneVariables.lineColourCountdown, kLineFadeInReload)) return;
    if (lineState.lineColour != kBrightestLine) lineState.lineColour += kLineColourStep;
}

bool DrawWireframeFrame() {
    ComposeWireframe();
    return ShowPicture(workPicture);
}

bool DrawWireframeFrameWithFadingTitle() {
    ComposeWireframe();
    DrawDimBands(workPicture);
    // The title darkening step changes the loaded picture itself: black for good
    // within 255 frames.
    for (uint8_t &level : assetBuffers.title8)
        if (level != 0) --level;
    return ShowPicture(workPicture);
}

bool StartLineFadeOut() {
    RegisterSceneCallback(LineFadeOutCallback);
    return true;
}

void LineFadeOutCallback() {
    if (!CountdownElapsed(sceneVariables.lineColourCountdown, kLineFadeOutReload)) return;
    if (lineState.lineColour != 0) lineState.lineColour -= kLineColourStep;
}

}  // namespace qx
