// Full screen: exclusive use of the display and the choice of a display mode of the picture's
// size, either at the depth asked for or at the deepest RGB depth the mode list offers.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace qx {

struct FullScreenState {
    bool deviceOpen = false;
    bool modeChanged = false;  // only after a mode was set successfully
    uint32_t bestDepth = 0;    // deepest RGB bit count the enumeration found
    uint32_t modeDepth = 0;    // depth of the mode in use; 0 = none (a window)
};
extern FullScreenState fullScreenState;

// Fails with error code 1 (no exclusive display) or 2 (no display mode).
bool SetUpFullScreen(uint32_t width, uint32_t height, int32_t depth);

// Sets the deepest RGB mode listed for exactly this size; 8 bits or less is never used.
bool ChooseDisplayMode(uint32_t width, uint32_t height);

// The enumeration callback: keeps the deepest RGB bit count; always continues.
int NoteDisplayMode(const ModeDescription& mode, void* context);

// Leaves full screen if a mode was set.
void RestoreDisplayMode();

}  // namespace qx
