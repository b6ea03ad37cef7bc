#include "effects/fades.h"

namespace qx {

FadeState fadeState;

namespace {

// Moves the fade level one step (+1 or -1) once every fadeDelay + 1 calls, until it reaches end.
void StepFadeLevel(uint8_t end, int step) {
    if (fadeState.fadeLevel == end) return;
    if (fadeState.fadeCountdown != 0) {
        --fadeState.fadeCountdown;
        return;
    }
    fadeState.fadeCountdown = fadeState.fadeDelay;
    fadeState.fadeLevel = static_cast<uint8_t>(fadeState.fadeLevel + step);
}

}  // namespace

void FadeDownTick() { StepFadeLevel(0, -1); }

void FadeUpTick() { StepFadeLevel(255, +1); }

}  // namespace qx
