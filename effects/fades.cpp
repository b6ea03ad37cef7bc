#include "effects/fades.h"

namespace qx {

FadeState fadeState;

void FadeDownTick() {
    if (fadeState.fadeLevel == 0) return;
    if (fadeState.fadeCountdown != 0) {
        --fadeState.fadeCountdown;
        return;
    }
    fadeState.fadeCountdown = fadeState.fadeDelay;
    --fadeState.fadeLevel;
}

void FadeUpTick() {
    if (fadeState.fadeLevel == 255) return;
    if (fadeState.fadeCountdown != 0) {
        --fadeState.fadeCountdown;
        return;
    }
    fadeState.fadeCountdown = fadeState.fadeDelay;
    ++fadeState.fadeLevel;
}

}  // namespace qx
