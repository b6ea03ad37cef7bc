#include "scenes/scene_conventions.h"

#include <algorithm>

#include "archive/asset_catalogue.h"
#include "effects/drawing_switch.h"
#include "effects/fades.h"
#include "effects/film_grain.h"
#include "effects/picture_filters.h"
#include "overlay/debug_overlay.h"
#include "scenes/work_pictures.h"

namespace qx {

SceneSettings sceneSettings;

namespace {

constexpr uint32_t kFlickerLevels = 64;  // a pulse starts at level 0 .. 63
constexpr uint8_t kFlickerDelay = 1;     // and falls one level every 4 ms
constexpr uint32_t kFilmMarks = 4;       // dim bands, and scratches, per frame

}  // namespace

bool CountdownElapsed(uint32_t &countdown, uint32_t reload) {
    if (countdown != 0) {
        --countdown;
        return false;
    }
    countdown = reload;
    return true;
}

void FlickerStep() {
    if (fadeState.fadeLevel != 0) return;
    fadeState.fadeLevel = static_cast<uint8_t>(NextRandom(kFlickerLevels));
    fadeState.fadeDelay = kFlickerDelay;
    fadeState.flickerPulse = true;
}

void SetFlash(uint8_t level, uint8_t delay) {
    fadeState.fadeDelay = delay;
    fadeState.fadeLevel = level;
    fadeState.flickerPulse = false;
}

bool WhiteFlash() {
    SetFlash(255, 1);
    return true;
}

bool HalfFlash() {
    SetFlash(128, 0);
    return true;
}

bool BlackDip() {
    SetFlash(32, 1);
    return true;
}

void StartFadeUp(uint8_t delay) {
    UnregisterTickSlot(kFadeSlot);
    SetFlash(0, delay);
    RegisterTickSlot(kFadeSlot, kSceneTickReload, FadeUpTick);
}

void RegisterSceneCallback(TickCallback callback) {
    RegisterTickSlot(kSceneSlot, kSceneTickReload, callback);
}

bool Nothing() { return true; }

bool ReleaseSceneSlot() {
    UnregisterTickSlot(kSceneSlot);
    return true;
}

bool ReleaseFadeSlot() {
    UnregisterTickSlot(kFadeSlot);
    return true;
}

void AddFilmGrain(uint32_t *picture) {
    AddGrain(picture, picture);
    EvolveNoise();
}

void DrawDimBands(uint32_t *picture) {
    for (uint32_t i = 0; i < kFilmMarks; ++i) DrawDimBand(picture);
}

void DrawScratches(uint32_t *picture) {
    for (uint32_t i = 0; i < kFilmMarks; ++i) DrawScratch(picture);
}

void ApplyFadeStep(uint32_t *picture, FadeStep fade) {
    const bool gently = sceneSettings.reduceFlashing && fadeState.flickerPulse;
    if (fade == FadeStep::White)
        (gently ? BrightenGentlyByFadeLevel : BrightenByFadeLevel)(picture, picture);
    if (fade == FadeStep::Black)
        (gently ? DarkenGentlyByFadeLevel : DarkenByFadeLevel)(picture, picture);
}

void ApplyFilmFinish(uint32_t *picture, FilmFinish finish) {
    if (finish.grain) AddFilmGrain(picture);
    if (finish.dimBands) DrawDimBands(picture);
    if (finish.scratches) DrawScratches(picture);
    ApplyFadeStep(picture, finish.fade);
}

bool ShowPicture(const uint32_t *picture) {
    CopyToFramebuffer(picture);
    DrawDebugOverlay();
    return true;
}

void StepEcho(uint32_t &counter, uint32_t period) {
    if (counter == period) {
        counter = 0;
        CopyPicture(workPicture, sparePicture);
    }
    ++counter;
}

void DrawTextStrip(uint32_t firstRow, uint32_t rowCount, uint32_t offset) {
    if (offset >= kPicturePixels || firstRow >= kPictureHeight) return;
    const uint32_t rows =
        std::min({rowCount, kPictureHeight - firstRow, (kPicturePixels - offset) / kPictureWidth});
    CopyNonZeroRows(assetBuffers.pictext + firstRow * kPictureWidth, workPicture + offset, rows);
}

void DecayTrails(uint32_t *picture, uint32_t k) {
    if (DrawingOff()) return;
    for (uint32_t i = 0; i < kPicturePixels; ++i) picture[i] = picture[i] >= k ? picture[i] - k : 0;
}

void ClearPicture(uint32_t *picture) {
    if (DrawingOff()) return;
    std::fill_n(picture, kPicturePixels, 0u);
}

void CopyPicture(const uint32_t *source, uint32_t *destination) {
    if (DrawingOff()) return;
    std::copy_n(source, kPicturePixels, destination);
}

}  // namespace qx
