#include "scenes/echo_scenes.h"

#include "base/host_settings.h"
#include "base/pixel_ops.h"
#include "data/object_image.h"
#include "effects/drawing_switch.h"
#include "effects/face_list.h"
#include "effects/picture_filters.h"
#include "effects/rasterisers.h"
#include "effects/rotozoom_plasma.h"
#include "effects/transform.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"

namespace qx {

namespace {

constexpr uint32_t kGreyEchoPeriod = 4;  // frames between two echo copies
constexpr uint32_t kMorphEchoPeriod = 8;
// Reduced flashing: the morph takes its next mesh at most every 20 counts of the host's timer
// (every 40 ms, 25 meshes a second) and each frame weighs 48/256 against the frames before it,
// so that the surface's changing reflections glide instead of jumping from frame to frame.
constexpr uint32_t kGentleMorphTimerCounts = 20;
constexpr uint32_t kGentleMorphWeight = 48;
constexpr uint32_t kRollReload = 32;  // the film rolls on by 23 rows every 66 ms
constexpr uint32_t kLastMorphIndex = kMorphMeshCount - 1;
// The morph set-up lists every object the scene will show, so that SetUpObjects restarts them
// all: the camera, the red flare ring, the textured object and the 39 meshes.
constexpr uint32_t kMorphSetUpCount = 3 + kMorphMeshCount;
static_assert(kMorphSetUpCount <= kObjectListCapacity);

void DrawListedObjects() {
    TransformObjects();
    AdvanceObjects();
    DrawFaceList();
}

}  // namespace

void ConvertToGrey(uint32_t* picture) {
    if (DrawingOff()) return;
    for (uint32_t i = 0; i < kPicturePixels; ++i) {
        const uint32_t p = picture[i];
        picture[i] = Grey(((p & 0xFF) + 2 * ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / 4);
    }
}

bool SetUpGreyEcho() {
    WhiteFlash();
    rasteriserState.renderTarget = workPicture;
    SetObjectList(
        {Objects().camera, Objects().textured, Objects().swinging, Objects().whiteFlareRing});
    SetUpObjects();
    ClearPicture(workPicture);
    return true;
}

bool DrawGreyEchoFrame() {
    StepEcho(sceneVariables.greyEchoCounter, kGreyEchoPeriod);
    DrawListedObjects();  // over the previous frame's finished picture
    ConvertToGrey(workPicture);
    ApplyFilmFinish(workPicture, {.dimBands = true, .scratches = true});
    AveragePictures(sparePicture, workPicture, workPicture);
    ApplyFadeStep(workPicture, FadeStep::White);
    return ShowPicture(workPicture);
}

bool SetUpFilmRoll() {
    WhiteFlash();
    RegisterSceneCallback(RollCallback);
    return true;
}

void RollCallback() {
    if (CountdownElapsed(sceneVariables.rollCountdown, kRollReload)) AdvanceScroll();
}

bool DrawFilmRollFrame() {
    ClearPicture(workPicture);
    DrawListedObjects();
    // The work picture and the 30 black rows after it are the 230-row film; the rolled picture
    // is finished and shown from the spare picture, the fade before the grain.
    // Reduced flashing: the film glides on between its steps instead of jumping 23 rows at once.
    const uint32_t glide =
        sceneSettings.reduceFlashing
            ? (kRollReload - sceneVariables.rollCountdown) * kScrollStep / (kRollReload + 1)
            : 0;
    CopyScrolled(workPicture, sparePicture, glide);
    ApplyFadeStep(sparePicture, FadeStep::White);
    ApplyFilmFinish(sparePicture, {.grain = true, .dimBands = true, .scratches = true});
    return ShowPicture(sparePicture);
}

bool SetUpMorph() {
    ClearPicture(workPicture);
    ClearPicture(sparePicture);
    rasteriserState.renderTarget = workPicture;
    const ProductionObjects& o = Objects();
    ObjectList& list = objectState.objectList;
    list.count = kMorphSetUpCount;
    list.objects[0] = o.camera;
    list.objects[1] = o.redFlareRing;
    list.objects[2] = o.textured;
    for (uint32_t i = 0; i < kMorphMeshCount; ++i) list.objects[3 + i] = o.morphMeshTable[i];
    SetUpObjects();
    return WhiteFlash();
}

bool DrawMorphFrame() {
    const bool gentle = sceneSettings.reduceFlashing;
    if (!gentle) StepEcho(sceneVariables.morphEchoCounter, kMorphEchoPeriod);
    uint32_t& index = sceneVariables.morphIndex;
    const uint32_t timer = hostSettings.timerCounter;
    if (!gentle || timer - sceneVariables.morphStepTimer >= kGentleMorphTimerCounts) {
        sceneVariables.morphStepTimer = timer;
        index = index >= kLastMorphIndex ? 0 : index + 1;
    }
    const ProductionObjects& o = Objects();
    SetObjectList({o.camera, o.redFlareRing, o.textured, o.morphMeshTable[index]});
    DrawListedObjects();  // over the previous frame's finished picture
    ApplyFilmFinish(workPicture, {.grain = true, .dimBands = true, .scratches = true});
    if (gentle) {
        BlendPictures(sparePicture, workPicture, kGentleMorphWeight, sparePicture);
        CopyPicture(sparePicture, workPicture);
    } else {
        AveragePictures(sparePicture, workPicture, workPicture);
    }
    ApplyFadeStep(workPicture, FadeStep::White);
    return ShowPicture(workPicture);
}

}  // namespace qx
