// What every scene shares: the countdown convention of the tick callbacks, the
// flicker step, the named flashes, the old-film finish and its fade step, the
// echo copy, the text strips, and the routines the scene table uses where a row
// does nothing or only releases a tick slot.
//
// Fades: fade level 0..255 and fade delay of effects/fades.h, stepped in the
// fade slot every second millisecond tick, so the level moves once every 2 x
// (delay + 1) ms. A flash is a level and a delay set while FadeDownTick holds
// the fade slot; it shows white or black according to the fade step of the
// scene's frame.
#pragma once

#include <cstdint>

#include "timing/tick_scheduler.h"

namespace qx {

// How the scenes play, chosen once before the show starts and kept for the whole run (not part of
// the show's state: a jump or a new start keeps it).
struct SceneSettings {
    // Flicker pulses applied gently (each pixel's luminance moves by at most kGentleFadeStep),
    // flashes that follow closely upon one another softened: the show under the photosensitivity
    // threshold, every flash, scene and row still in its place.
    bool reduceFlashing = false;
};
extern SceneSettings sceneSettings;

// Countdown convention: a non-zero countdown is decremented and nothing
// happens; a zero one is reloaded and the step runs (returns true). A step thus
// runs every reload + 1 firings, the first on the first firing when the
// countdown starts at 0.
bool CountdownElapsed(uint32_t &countdown, uint32_t reload);

// Flicker step: at fade level 0 a new pulse of level NextRandom(64) with delay
// 1; otherwise nothing, so a pulse never starts while a flash or another pulse
// is still decaying.
void FlickerStep();

void SetFlash(uint8_t level, uint8_t delay);
// The named flashes; each also serves as the enter routine of a row that only flashes.
bool WhiteFlash();  // level 255, delay 1: about 1 s
bool HalfFlash();   // level 128, delay 0: 256 ms
bool BlackDip();    // level 32, delay 1: 128 ms
// The fade slot's callback becomes FadeUpTick from level 0 with the given
// delay: the picture fades out to white or black (the frame's fade step
// decides) over 255 x 2 x (delay + 1) ms.
void StartFadeUp(uint8_t delay);

// Registers the scene's own callback in the scene slot.
void RegisterSceneCallback(TickCallback callback);

// Table routines: nothing at all; release the scene slot; release the fade
// slot.
bool Nothing();
bool ReleaseSceneSlot();
bool ReleaseFadeSlot();

enum class FadeStep : uint8_t { None, White, Black };

// The old-film finish, on a whole picture in place, in this order: AddGrain
// then EvolveNoise; four DrawDimBand; four DrawScratch; then the fade step.
struct FilmFinish {
    bool grain = false;
    bool dimBands = false;
    bool scratches = false;
    FadeStep fade = FadeStep::None;
};
void ApplyFilmFinish(uint32_t *picture, FilmFinish finish);
// BrightenByFadeLevel or DarkenByFadeLevel in place; the refusal at level 0
// means "unchanged".
void ApplyFadeStep(uint32_t *picture, FadeStep fade);
void AddFilmGrain(uint32_t *picture);
void DrawDimBands(uint32_t *picture);
void DrawScratches(uint32_t *picture);

// The end of every frame routine: the picture's pixels into the framebuffer,
// then the debug overlay. Returns true, the frame's result.
bool ShowPicture(const uint32_t *picture);

// Echo bookkeeping: when `counter` has reached `period` it restarts at 0 and
// the work picture (the previous frame's finished picture) is copied into the
// spare picture; then the counter counts this frame. The first copy is taken on
// frame period + 1 of a counter starting at 0.
void StepEcho(uint32_t &counter, uint32_t period);

// rowCount rows of pictext from its row firstRow onto the work picture at pixel
// offset `offset`, black being transparent. The rows run on in memory order, so
// a strip that starts off column 0 wraps into the next picture row. Rows that
// would pass the picture's last pixel are left off.
void DrawTextStrip(uint32_t firstRow, uint32_t rowCount, uint32_t offset);

// Every pixel, as one 32-bit number, less k, and 0 where it was below k. For
// grey pixels that is each channel less the grey level of k, clamped at 0: the
// per-frame decay of trail buffers.
void DecayTrails(uint32_t *picture, uint32_t k);

void ClearPicture(uint32_t *picture);
void CopyPicture(const uint32_t *source, uint32_t *destination);

}  // namespace qx
